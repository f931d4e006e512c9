#pragma once
// Exceptions never cross the event loop. Every slot, timer handler and posted-event handler runs
// its body through one of these guards, which applies that handler's policy.

#include <exception>
#include <functional>
#include <string>

namespace guard {

// The application's exception handler (TAppException's role): receives what a timer or slot
// raised. Without one installed the exception is dropped.
using ApplicationHandler = std::function<void(const std::exception_ptr&)>;
void setApplicationHandler(ApplicationHandler handler);
void handleApplicationException(const std::exception_ptr& e) noexcept;

// Policy: absorbed. The handler's failure is dropped.
template <class F>
void absorb(F&& body) noexcept
{
    try {
        body();
    } catch (...) {
    }
}

// Policy: handed to the application's exception handler.
template <class F>
void toApplication(F&& body) noexcept
{
    try {
        body();
    } catch (...) {
        handleApplicationException(std::current_exception());
    }
}

// Policy: stored for the command that waits for the outcome, which re-raises it. The first
// failure is kept.
template <class F>
void store(std::exception_ptr& slot, F&& body) noexcept
{
    try {
        body();
    } catch (...) {
        if (!slot) slot = std::current_exception();
    }
}

// Re-raises a stored failure once and clears the slot.
void rethrowStored(std::exception_ptr& slot);

}  // namespace guard
