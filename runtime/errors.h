#pragma once
// The one kind of error the system raises: it carries the message the user
// will read in the standard error box. Raised where a fault is detected and
// reported only at the edge of a command, key handler or start-up step.

#include <stdexcept>
#include <string>

class TVorkanaError : public std::runtime_error {
public:
    explicit TVorkanaError(const std::string& message)
        : std::runtime_error(message)
    {
    }
};
