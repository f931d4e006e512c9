#pragma once
// The one wait primitive: every "loop of sleeping and processing messages" runs the event loop
// until its condition holds. It wakes at once on socket readiness, timers and posted events.
// Work finishing on another thread must post an event (a queued call) so the wait wakes.

#include <functional>

namespace waiting {

enum class WaitResult { Condition, Cancelled, TimedOut, Quit };

// Runs the event loop until `condition` holds, `cancelled` (when given) holds, `timeoutMs` has
// passed (negative: no time-out) or quit was requested. The condition is tested first, so a wait
// whose condition already holds returns at once without running the loop.
[[nodiscard]] WaitResult waitUntil(const std::function<bool()>& condition, int timeoutMs = -1,
                                   const std::function<bool()>& cancelled = {});

// Runs the event loop for `ms` milliseconds (ends early on quit). The UI stays alive.
WaitResult pauseFor(int ms, const std::function<bool()>& cancelled = {});

// Processes pending events once without waiting: the framework's ProcessMessages.
void pumpMessages();

// Quit: every wait in progress and every later one ends with WaitResult::Quit.
void requestQuit();
bool quitRequested();
void resetQuitForTesting();

}  // namespace waiting
