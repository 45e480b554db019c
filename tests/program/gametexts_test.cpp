#include "program/gametexts.h"
#include "runtime/codepage.h"

#include <gtest/gtest.h>

TEST(GameTexts, EveryTextIsInTheCodePageAndSurvivesTheRoundTrip)
{
    const TGameTexts& t = gametexts();
    for (const std::string* text : { &t.goodday, &t.title, &t.codesoffer, &t.codespace, &t.rules2, &t.rules3,
             &t.keyboardadvice, &t.codesreminder, &t.wrong, &t.correctcount, &t.recordequalled, &t.goodbye }) {
        EXPECT_EQ(text->find('?'), std::string::npos) << cp1250::toutf8(*text);
        EXPECT_EQ(cp1250::fromutf8(cp1250::toutf8(*text)), *text);
    }
    EXPECT_EQ(t.wrong, ";\xF2" "espr\xE1v\xF2" "e!");
    EXPECT_EQ(t.goodbye, "tak ahoj. ");
    EXPECT_NE(t.rules3.find("najprv  bu"), std::string::npos);
}
