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

// An error the user has already been told of and sees on the screen (the
// error that ended a run): the boundary shows its box without telling it
// again.
class TToldError : public TVorkanaError {
public:
    using TVorkanaError::TVorkanaError;
};
