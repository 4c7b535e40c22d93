#include "platform/gtk/mci_command.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace minute_alarm::gtk {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Appended in place: GCC 12 at -O3 takes `"\"" + std::string` for an overlapping
// copy (a false -Wrestrict, GCC bug 105329), which fails the Release build.
std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '"').append(text).append(1, '"');
  return quoted;
}

bool StartsWithFileScheme(std::string_view element) {
  const std::string scheme(element.substr(0, 5));
  return g_ascii_strcasecmp(scheme.c_str(), "file:") == 0;
}

}  // namespace

std::string ParseMciCommand(std::string_view command, MciCommand& parsed) {
  command = TrimBlanks(command);
  if (command.empty()) {
    return "No command was given.";
  }

  std::size_t verb_end = 0;
  while (verb_end < command.size() && !IsBlank(command[verb_end])) {
    ++verb_end;
  }
  std::string verb(command.substr(0, verb_end));
  for (char& c : verb) {
    c = g_ascii_tolower(c);
  }
  if (verb != "play") {
    return "Unknown command " + Quoted(command.substr(0, verb_end)) +
           ". The only command understood is \"play\".";
  }

  std::string_view element = TrimBlanks(command.substr(verb_end));
  if (!element.empty() && element.front() == '"') {
    const std::size_t close = element.find('"', 1);
    if (close == std::string_view::npos) {
      return "The file name " + std::string(element) + " lacks its closing quote.";
    }
    std::string_view rest = TrimBlanks(element.substr(close + 1));
    if (!rest.empty()) {
      return "Unexpected text after the file name: " + Quoted(rest) + ".";
    }
    element = element.substr(1, close - 1);
  }
  if (element.empty()) {
    // A sound file that does not exist has no short path, so the program sends a bare
    // "play": say what that most likely means.
    return "The command \"play\" needs the name of a sound file; the sound file may be missing.";
  }

  parsed.verb = std::move(verb);
  parsed.element = std::string(element);
  return {};
}

std::string DisplayName(const std::string& path) {
  gchar* name = g_filename_display_name(path.c_str());
  std::string result = Quoted(name);
  g_free(name);
  return result;
}

std::string FindSoundFile(const std::string& element, std::string& path) {
  std::string file;
  if (StartsWithFileScheme(element)) {
    GError* error = nullptr;
    gchar* name = g_filename_from_uri(element.c_str(), nullptr, &error);
    if (name == nullptr) {
      std::string message = "Cannot play " + Quoted(element) + ": it is not a usable file URI (" +
                            error->message + ").";
      g_error_free(error);
      return message;
    }
    file = name;
    g_free(name);
  } else {
    file = element;
  }

  const std::string cannot_play = "Cannot play " + DisplayName(file) + ": ";
  GStatBuf info;
  if (g_stat(file.c_str(), &info) != 0) {
    if (errno == ENOENT) {
      return cannot_play + "the file does not exist.";
    }
    return cannot_play + "the file cannot be reached (" + std::strerror(errno) + ").";
  }
  if (!S_ISREG(info.st_mode)) {
    return cannot_play + "it is not a file.";
  }
  if (info.st_size == 0) {
    return cannot_play + "the file is empty.";
  }
  if (static_cast<std::uint64_t>(info.st_size) > kMaxSoundFileBytes) {
    return cannot_play + "the file is too large for an alarm sound (" +
           std::to_string(info.st_size >> 20) + " MiB; the limit is " +
           std::to_string(kMaxSoundFileBytes >> 20) + " MiB).";
  }
  if (access(file.c_str(), R_OK) != 0) {
    return cannot_play + "the file cannot be read (" + std::strerror(errno) + ").";
  }
  path = std::move(file);
  return {};
}

}  // namespace minute_alarm::gtk
