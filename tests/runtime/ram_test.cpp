#include "runtime/errors.h"
#include "runtime/ram.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

class RamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("vorkana-ram-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        path = (folder / "ram.dat").string();
        loadram((folder / "none").string()); // clears any earlier failure
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void writefile(const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string readfile()
    {
        std::ifstream file(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(file), {} };
    }

    std::filesystem::path folder;
    std::string path;
};

}

TEST_F(RamTest, SavedImageLoadsBackIdentical)
{
    for (size_t k = 0; k < ramimage.size(); ++k)
        ramimage[k] = static_cast<std::uint8_t>(k * 7 + 3);
    tramimage saved = ramimage;
    saveram(path);
    EXPECT_EQ(std::filesystem::file_size(path), 65536u);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    ramimage.fill(0);
    loadram(path);
    EXPECT_EQ(ramimage, saved);
}

TEST_F(RamTest, MissingFileLeavesTheImageZero)
{
    ramimage.fill(9);
    loadram(path);
    EXPECT_EQ(ramimage, tramimage {});
}

TEST_F(RamTest, ShortAndEmptyFilesLoadWhatTheyHold)
{
    writefile("");
    loadram(path);
    EXPECT_EQ(ramimage, tramimage {});

    writefile("\x01\x02\x03");
    loadram(path);
    EXPECT_EQ(ramimage[0], 1);
    EXPECT_EQ(ramimage[2], 3);
    EXPECT_EQ(ramimage[3], 0);
}

TEST_F(RamTest, LongerFileLoadsItsFirst65536Bytes)
{
    std::string bytes(65536 + 10, '\x05');
    bytes[65535] = '\x06';
    bytes[65536] = '\x07';
    writefile(bytes);
    loadram(path);
    EXPECT_EQ(ramimage[0], 5);
    EXPECT_EQ(ramimage[65535], 6);
}

TEST_F(RamTest, UnreadableFileRaisesAnErrorNamingItAndIsNeverOverwritten)
{
    std::filesystem::create_directory(path); // a folder where the file should be
    try {
        loadram(path);
        FAIL() << "no error raised";
    } catch (const TVorkanaError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    EXPECT_TRUE(ramfileprotected());
    saveram(path);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(RamTest, FailedSaveRaisesAndLeavesTheOldFile)
{
    writefile("old");
    loadram(path);
    std::filesystem::create_directory(path + ".tmp");
    EXPECT_THROW(saveram(path), TVorkanaError);
    EXPECT_EQ(readfile(), "old");
}
