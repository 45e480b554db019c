#include "runtime/errors.h"
#include "runtime/filetexts.h"
#include "shell/echoloader.h"
#include "speech/echotable.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class EchoLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = (std::filesystem::temp_directory_path() / ("vorkana-names-" + std::to_string(::getpid()) + ".eky")).string();
    }
    void TearDown() override
    {
        std::filesystem::remove(path);
        echotable.fill({});
    }

    std::string load(const std::string& contents)
    {
        std::ofstream(path, std::ios::binary) << contents;
        return loadechotable(path);
    }

    std::string path;
};

}

TEST_F(EchoLoaderTest, LinesFillSlotsInOrderWithTheLowByteOfTheCode)
{
    EXPECT_EQ(load("65=velke a\r\n\n321=x\n32=\n46=a=b\n"), "");
    EXPECT_EQ(echotable[0].code, 65);
    EXPECT_EQ(echotable[0].text, "velke a");
    EXPECT_EQ(echotable[1].code, 65);
    EXPECT_EQ(echotable[1].text, "x");
    EXPECT_EQ(echotable[2].code, 32);
    EXPECT_EQ(echotable[2].text, "");
    EXPECT_EQ(echotable[3].text, "a=b");
    EXPECT_EQ(echotext('A'), "velke a");
}

TEST_F(EchoLoaderTest, ABadCodeStopsTheLoadAndKeepsTheLinesBefore)
{
    for (const char* badline : { "abc=b", "66" }) {
        SCOPED_TRACE(badline);
        echotable.fill({});
        std::ofstream(path, std::ios::binary) << "65=a\n\n" << badline << "\n67=c\n";
        try {
            loadechotable(path);
            ADD_FAILURE() << "loaded";
        } catch (const TVorkanaError& error) {
            EXPECT_EQ(error.what(), filetext(TFileText::characternamesbroken, path, "3"));
        }
        EXPECT_EQ(echotable[0].text, "a");
        EXPECT_EQ(echotable[1].code, 0);
        EXPECT_EQ(echotext('C'), std::nullopt);
    }
}

TEST_F(EchoLoaderTest, LinesBeyondTheTableAreIgnoredAndReported)
{
    std::string contents;
    for (int line = 0; line < 300; ++line)
        contents += std::to_string(line) + "=n" + std::to_string(line) + "\n";
    std::string message = load(contents);
    EXPECT_EQ(echotable[0].text, "n0");
    EXPECT_EQ(echotable[255].text, "n255");
    EXPECT_NE(message.find("posledních 44 se"), std::string::npos) << message;
}

TEST_F(EchoLoaderTest, AFileOfMegabytesIsRefusedNotReadWhole)
{
    std::string lines;
    while (lines.size() <= 1024 * 1024)
        lines += "65=velke a\n";
    try {
        load(lines);
        ADD_FAILURE() << "loaded";
    } catch (const TVorkanaError& error) {
        EXPECT_NE(std::string(error.what()).find("larger than 1024 KB"), std::string::npos) << error.what();
    }
}
