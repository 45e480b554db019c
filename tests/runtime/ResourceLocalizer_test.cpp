#include "runtime/ResourceLocalizer.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

TEST(ResourceLocalizer, TextsOfEachLanguageByIdentifier)
{
    struct TRow {
        int language;
        int index;
        const char* text;
    };
    for (TRow row : { TRow { 1000, 0, "Čeština" }, TRow { 1000, 24, "czech" }, TRow { 3000, 29, "prázdny riadok" },
             TRow { 2000, 25, "ready" }, TRow { 1000, 25, "hotovo" }, TRow { 2000, 43, "Can't find the voice specified in the ini file:" },
             TRow { 3000, 46, "&Braillská klávesnica" }, TRow { 3000, 6, "Vykonané zmeny sa prejavia až po najbližšom spustení programu." } }) {
        EXPECT_EQ(TResourceLocalizer::GetText(row.language, row.index), row.text) << row.language + row.index;
    }
}

TEST(ResourceLocalizer, UnknownIdentifiersGiveEmptyTexts)
{
    EXPECT_EQ(TResourceLocalizer::GetText(2000, 47), "");
    EXPECT_EQ(TResourceLocalizer::GetText(4000, 0), "");
    EXPECT_EQ(TResourceLocalizer::GetText(5000, 1), "");
    EXPECT_EQ(TResourceLocalizer::GetText(1000, -1), "");
    // Plain addition: 7 + 1993 is identifier 2000.
    EXPECT_EQ(TResourceLocalizer::GetText(7, 1993), "English");
    // Sums past the range of an int name no text, even where a wrapped sum
    // would land on one.
    EXPECT_EQ(TResourceLocalizer::GetText(INT_MAX, 46), "");
    EXPECT_EQ(TResourceLocalizer::GetText(INT_MIN, 1000 - INT_MAX - 1), "");
}

TEST(ResourceLocalizer, LanguagesAreListedInOrderWithTheirNumbers)
{
    std::vector<std::pair<std::string, int>> list { { "stale", 1 } };
    TResourceLocalizer::GetLanguages(list);
    EXPECT_EQ(list, (std::vector<std::pair<std::string, int>> { { "Čeština", 1000 }, { "English", 2000 }, { "Slovenčina", 3000 } }));
}

TEST(ResourceLocalizer, LanguageSettingDefaultsToCzech)
{
    auto path = (std::filesystem::temp_directory_path() / ("vorkana-lang-" + std::to_string(::getpid()) + ".ini")).string();
    std::filesystem::remove(path);
    CurrentLanguage = 2000;
    readlanguage(path);
    EXPECT_EQ(CurrentLanguage, 1000);

    std::ofstream(path) << "[Environment]\nLanguage=3000\n";
    readlanguage(path);
    EXPECT_EQ(CurrentLanguage, 3000);

    std::ofstream(path) << "[environment]\nlanguage=slovak\n";
    readlanguage(path);
    EXPECT_EQ(CurrentLanguage, 1000);

    CurrentLanguage = 2000;
    writelanguage(path);
    CurrentLanguage = 1000;
    readlanguage(path);
    EXPECT_EQ(CurrentLanguage, 2000);
    std::filesystem::remove(path);
    CurrentLanguage = 1000;
}
