#include "runtime/stack.h"

#include <gtest/gtest.h>

TEST(ReturnStack, PopsInReverseOrderOfPushes)
{
    stacknode* top = nullptr;
    stackinit(top);
    stackpush(100050, top);
    stackpush(610, top);
    std::int32_t code = -1;
    stackpop(code, top);
    EXPECT_EQ(code, 610);
    stackpop(code, top);
    EXPECT_EQ(code, 100050);
    EXPECT_EQ(top, nullptr);
}

TEST(ReturnStack, EmptyStackPopsTheEndCode)
{
    stacknode* top = nullptr;
    std::int32_t code = 123;
    stackpop(code, top);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(top, nullptr);
}

TEST(ReturnStack, InitDiscardsWhatAnEarlierRunLeft)
{
    stacknode* top = nullptr;
    stackpush(1, top);
    stackpush(2, top);
    stackinit(top);
    EXPECT_EQ(top, nullptr);
}
