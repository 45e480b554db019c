#include "runtime/notices.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

// A sound output's thread tells while the shell is still starting: what it
// tells before the receiver is set waits for it, nothing is lost or
// doubled, and the order holds. ThreadSanitizer runs this too: the
// receiver is set on one thread while another tells.
TEST(NoticesTest, WhatIsToldBeforeAnybodyListensWaitsInOrder)
{
    constexpr int count = 16;
    std::vector<std::string> heard;
    std::thread teller([] {
        for (int index = 0; index < count; ++index)
            tell(std::to_string(index));
    });
    setnoticereceiver([&](const TTelling& telling) { heard.push_back(telling.message); });
    teller.join();
    setnoticereceiver(nullptr);
    std::vector<std::string> told;
    for (int index = 0; index < count; ++index)
        told.push_back(std::to_string(index));
    EXPECT_EQ(heard, told);
}
