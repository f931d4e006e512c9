#include "platform/Errors.h"

std::string exceptionMessage(const std::exception_ptr& e)
{
    if (!e) return {};
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        return ex.what();
    } catch (...) {
        return "Unknown error";
    }
}
