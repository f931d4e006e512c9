#pragma once
// The base of every failure the programs raise: an exception that carries a message text.

#include <exception>
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
};

// The message of any exception, as the error path logs it.
std::string exceptionMessage(const std::exception_ptr& e);
