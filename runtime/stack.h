#pragma once
// The return stack of GOSUB and RETURN: continuation codes, N for the start
// of line N and 100000 + N for the rest of line N after its GOSUB.

#include <cstdint>

struct stacknode {
    std::int32_t code;
    stacknode* below;
};

// Empties the stack, freeing what a previous run left on it.
void stackinit(stacknode*& top);
void stackpush(std::int32_t code, stacknode*& top);
// Pops the top code. An empty stack yields 0, a code no line owns, so the
// program ends instead of crashing.
void stackpop(std::int32_t& code, stacknode*& top);
