#include "platform/gtk/tick_source.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>

#include "cycle/alarm_cycle.h"
#include "platform/tick_schedule.h"

namespace minute_alarm::gtk {

namespace {

// A GSource woken by a timer armed for each tick's time on the monotonic clock: the ticks
// stay on a fixed grid, where g_timeout_add would let each tick's lateness push all later
// ones back. A timerfd rather than the source's ready time: the loop sleeps in whole
// milliseconds, so a ready time came up to 1 ms late, by an amount that crept from tick to
// tick; the kernel wakes the loop on the microsecond.
struct TickSource {
  GSource base;
  std::int64_t start;
  std::int64_t period;
  std::int64_t ticksDelivered;
  std::uintptr_t id;
  TimerProcedure procedure;
  int timer;
};

bool Arm(const TickSource* tick, std::int64_t microseconds) {
  itimerspec when{};
  when.it_value.tv_sec = static_cast<time_t>(microseconds / 1'000'000);
  when.it_value.tv_nsec = static_cast<long>(microseconds % 1'000'000 * 1000);
  return timerfd_settime(tick->timer, TFD_TIMER_ABSTIME, &when, nullptr) == 0;
}

gboolean DispatchTick(GSource* source, GSourceFunc /*callback*/, gpointer /*data*/) {
  auto* tick = reinterpret_cast<TickSource*>(source);
  const std::int64_t now = g_source_get_time(source);
  const TickStep step = NextTickStep(now - tick->start, tick->period, tick->ticksDelivered);
  tick->ticksDelivered = step.ticksDelivered;
  // Armed again before the call: the procedure may open a modal box, and the nested loop
  // must not see this tick as still due.
  std::uint64_t expirations = 0;
  [[maybe_unused]] const ssize_t got = read(tick->timer, &expirations, sizeof expirations);
  if (!Arm(tick, tick->start + (step.ticksDelivered + 1) * tick->period)) {
    TimerFailed();
    return G_SOURCE_REMOVE;
  }
  if (step.deliver) {
    tick->procedure(0, kWmTimer, tick->id, static_cast<std::uint32_t>(now / 1000));
  }
  return G_SOURCE_CONTINUE;
}

void FinalizeTick(GSource* source) { close(reinterpret_cast<TickSource*>(source)->timer); }

// No prepare or check: the source is due when its timer's descriptor is readable.
GSourceFuncs tickFuncs = {nullptr, nullptr, DispatchTick, FinalizeTick, nullptr, nullptr};

}  // namespace

TickSources::~TickSources() {
  for (auto& [id, source] : sources_) {
    g_source_destroy(source);
    g_source_unref(source);
  }
}

std::uintptr_t TickSources::Start(std::uint32_t milliseconds, TimerProcedure procedure) {
  if (procedure == nullptr || milliseconds == 0) {
    return 0;
  }
  const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (timer < 0) {
    return 0;
  }
  GSource* source = g_source_new(&tickFuncs, sizeof(TickSource));
  auto* tick = reinterpret_cast<TickSource*>(source);
  tick->id = ++lastId_;
  tick->procedure = procedure;
  tick->period = static_cast<std::int64_t>(milliseconds) * 1000;
  tick->start = g_get_monotonic_time();
  tick->ticksDelivered = 0;
  tick->timer = timer;
  // Windows lets WM_TIMER in while an earlier tick waits in a message box.
  g_source_set_can_recurse(source, TRUE);
  g_source_set_name(source, "minute-alarm tick");
  g_source_add_unix_fd(source, timer, G_IO_IN);
  if (!Arm(tick, tick->start + tick->period)) {
    g_source_unref(source);
    return 0;
  }
  g_source_attach(source, nullptr);
  sources_.emplace(tick->id, source);
  return tick->id;
}

bool TickSources::Kill(std::uintptr_t id) {
  const auto found = sources_.find(id);
  if (found == sources_.end()) {
    return false;
  }
  g_source_destroy(found->second);
  g_source_unref(found->second);
  sources_.erase(found);
  return true;
}

}  // namespace minute_alarm::gtk
