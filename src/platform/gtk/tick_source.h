// Periodic timers without an owner window, as SetTimer(NULL, ...) gives them.
#pragma once

#include <glib.h>

#include <cstdint>
#include <map>

#include "platform/platform.h"

namespace minute_alarm::gtk {

class TickSources {
 public:
  TickSources() = default;
  TickSources(const TickSources&) = delete;
  TickSources& operator=(const TickSources&) = delete;
  ~TickSources();

  // A new nonzero identifier, or 0.
  std::uintptr_t Start(std::uint32_t milliseconds, TimerProcedure procedure);
  bool Kill(std::uintptr_t id);

 private:
  std::map<std::uintptr_t, GSource*> sources_;
  std::uintptr_t lastId_ = 0;
};

}  // namespace minute_alarm::gtk
