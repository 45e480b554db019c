#include "runtime/errors.h"
#include "runtime/filetexts.h"
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

// A file of another length loads what it holds, is reported by its name
// and length, and is never written back cut or padded.
TEST_F(RamTest, FilesOfAnotherLengthLoadWhatTheyHoldAndAreKept)
{
    std::string longer(65536 + 10, '\x05');
    longer[65535] = '\x06';
    longer[65536] = '\x07';
    for (const std::string& bytes : { std::string(), std::string("\x01\x02\x03"), longer }) {
        writefile(bytes);
        try {
            loadram(path);
            ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
        } catch (const TVorkanaError& error) {
            EXPECT_EQ(error.what(), filetext(TFileText::ramwronglength, path, std::to_string(bytes.size())));
        }
        EXPECT_EQ(ramimage[0], bytes.empty() ? 0 : bytes[0]);
        EXPECT_EQ(ramimage[3], bytes.size() > 3 ? 5 : 0);
        EXPECT_EQ(ramimage[65535], bytes.size() > 65535 ? 6 : 0);
        ramimage[0] = 99;
        saveram(path);
        EXPECT_EQ(readfile(), bytes);
    }
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
    const std::string old(65536, 'o');
    writefile(old);
    loadram(path);
    std::filesystem::create_directory(path + ".tmp");
    EXPECT_THROW(saveram(path), TVorkanaError);
    EXPECT_EQ(readfile(), old);
}
