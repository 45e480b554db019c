#include "runtime/stack.h"

void stackinit(stacknode*& top)
{
    while (top) {
        stacknode* below = top->below;
        delete top;
        top = below;
    }
}

void stackpush(std::int32_t code, stacknode*& top)
{
    top = new stacknode { code, top };
}

void stackpop(std::int32_t& code, stacknode*& top)
{
    if (!top) {
        code = 0;
        return;
    }
    stacknode* old = top;
    code = old->code;
    top = old->below;
    delete old;
}
