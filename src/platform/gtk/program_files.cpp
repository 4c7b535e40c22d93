#include "platform/gtk/program_files.h"

#include <glib.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace minute_alarm::gtk {

std::string ProgramDirectory() {
  char resolved[PATH_MAX];
  if (realpath("/proc/self/exe", resolved) == nullptr) {
    return {};
  }
  gchar* directory = g_path_get_dirname(resolved);
  std::string result(directory);
  g_free(directory);
  return result;
}

std::uint32_t ShortPathUri(const char* longPath, char* buffer, std::uint32_t length) {
  char resolved[PATH_MAX];
  if (longPath == nullptr || realpath(longPath, resolved) == nullptr) {
    return 0;
  }
  gchar* uri = g_filename_to_uri(resolved, nullptr, nullptr);
  if (uri == nullptr) {
    return 0;
  }
  const std::size_t size = std::strlen(uri);
  std::uint32_t written = 0;
  if (buffer != nullptr && size < length) {
    std::memcpy(buffer, uri, size + 1);
    written = static_cast<std::uint32_t>(size);
  }
  g_free(uri);
  return written;
}

}  // namespace minute_alarm::gtk
