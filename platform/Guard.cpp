#include "platform/Guard.h"

namespace guard {

namespace {
ApplicationHandler& handlerSlot()
{
    static ApplicationHandler h;
    return h;
}
}  // namespace

void setApplicationHandler(ApplicationHandler handler) { handlerSlot() = std::move(handler); }

void handleApplicationException(const std::exception_ptr& e) noexcept
{
    try {
        if (handlerSlot()) handlerSlot()(e);
    } catch (...) {
        // The handler of last resort must not throw into the event loop.
    }
}

void rethrowStored(std::exception_ptr& slot)
{
    if (!slot) return;
    std::exception_ptr e = slot;
    slot = nullptr;
    std::rethrow_exception(e);
}

}  // namespace guard
