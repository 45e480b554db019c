#include "runtime/ResourceLocalizer.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <gtest/gtest.h>

// Every text of the three blocks against texts.tsv (index, Czech, English,
// Slovak, tab-separated, UTF-8).
TEST(ResourceLocalizer, EveryTextOfEachLanguageByIdentifier)
{
    std::ifstream file(VORKANA_TEXTS_TABLE);
    int rows = 0;
    for (std::string line; std::getline(file, line); ++rows) {
        std::istringstream fields(line);
        std::string index;
        std::getline(fields, index, '\t');
        ASSERT_EQ(index, std::to_string(rows)) << "texts.tsv out of order";
        for (int language : { 1000, 2000, 3000 }) {
            std::string expected;
            std::getline(fields, expected, '\t');
            EXPECT_EQ(TResourceLocalizer::GetText(language, rows), expected) << "identifier " << language + rows;
        }
    }
    EXPECT_EQ(rows, 47);
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

TEST(ResourceLocalizer, LanguageFollowsTheDesktopUntilOneIsSaved)
{
    auto path = (std::filesystem::temp_directory_path() / ("vorkana-lang-" + std::to_string(::getpid()) + ".ini")).string();
    std::filesystem::remove(path);
    std::string locale = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
    for (auto [name, language] : { std::pair { "sk_SK.UTF-8", 3000 }, { "en_GB.UTF-8", 2000 }, { "de_DE.UTF-8", 1000 },
             { "C.UTF-8", 1000 } }) {
        setenv("LC_ALL", name, 1);
        readlanguage(path);
        EXPECT_EQ(CurrentLanguage, language) << name;
    }
    // A settings file without a language is no choice either.
    setenv("LC_ALL", "sk_SK.UTF-8", 1);
    std::ofstream(path) << "[voice]\nvoiceallowed=1\n";
    readlanguage(path);
    EXPECT_EQ(CurrentLanguage, 3000);

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
    if (locale.empty())
        unsetenv("LC_ALL");
    else
        setenv("LC_ALL", locale.c_str(), 1);
}
