#pragma once

#include <exception>

namespace velkora::platform {

// Thrown by the editing services to abandon an operation after they have already told the user
// why (or when there is nothing to tell). The event loop swallows it without a message box.
class SilentAbort : public std::exception
{
public:
    const char* what() const noexcept override { return "operation abandoned"; }
};

} // namespace velkora::platform
