#pragma once
// The message of the exception of type E that `action` raises; a marker text when it raises none.

#include <functional>
#include <string>

template <class E>
std::string raisedMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& e) {
        return e.what();
    }
    return "<nothing raised>";
}
