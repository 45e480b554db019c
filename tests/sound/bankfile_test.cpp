#include "runtime/errors.h"
#include "runtime/filetexts.h"
#include "sound/bankfile.h"
#include "sound/wavecollection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <unistd.h>

namespace {

using TBytes = std::vector<std::uint8_t>;

// Builds component streams byte by byte, so each malformed variant is
// written out plainly.
struct TStream {
    TBytes bytes;

    TStream& byte(int value)
    {
        bytes.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    TStream& number(std::uint32_t value, int size)
    {
        for (int i = 0; i < size; ++i)
            byte(static_cast<int>((value >> (8 * i)) & 0xFF));
        return *this;
    }
    TStream& raw(const std::string& text)
    {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    TStream& raw(const TBytes& block)
    {
        bytes.insert(bytes.end(), block.begin(), block.end());
        return *this;
    }
    TStream& shorttext(const std::string& text) { return byte(static_cast<int>(text.size())).raw(text); }
    TStream& block(const TBytes& block) { return byte(10).number(static_cast<std::uint32_t>(block.size()), 4).raw(block); }
    // Resource header, signature, class and object names, and "List" as a
    // collection; items follow.
    TStream& opening()
    {
        byte(0xFF).number(10, 2).raw("BANK").byte(0).number(0x1030, 2).number(0, 4);
        return raw("TPF0").shorttext("TWaveList").shorttext("WaveList").shorttext("List").byte(14);
    }
    TStream& closing() { return byte(0).byte(0).byte(0); }
};

TBytes riff(const std::vector<std::pair<std::string, TBytes>>& chunks)
{
    TStream stream;
    stream.raw("RIFF").number(0, 4).raw("WAVE");
    for (const auto& [id, body] : chunks)
        stream.raw(id).number(static_cast<std::uint32_t>(body.size()), 4).raw(body);
    return stream.bytes;
}

const TBytes pcmformat = pcm16monoformat(8000);
const TBytes foursamples { 1, 0, 2, 0, 3, 0, 4, 0 };

TStream oneitem(const std::function<void(TStream&)>& properties)
{
    TStream stream;
    stream.opening().byte(1);
    properties(stream);
    stream.byte(0);
    return stream.closing();
}

TStream nameditem(const std::string& name)
{
    return oneitem([&](TStream& s) { s.shorttext("Name").byte(6).shorttext(name); });
}

struct TMalformed {
    const char* name;
    TBytes bytes;
    const char* message;
};

std::vector<TMalformed> malformedbanks()
{
    auto withheader = [](int first, int version) {
        TStream s;
        s.byte(first).number(static_cast<std::uint32_t>(version), 2).byte(0).number(0, 2).number(0, 4).raw("TPF0");
        return s.bytes;
    };
    auto badsignature = nameditem("beep").bytes;
    badsignature[14] = 'X'; // "TPF0" follows the 3-byte start, "BANK\0", flags and length
    auto truncated = oneitem([&](TStream& s) { s.shorttext("Wave.WAVE").block(riff({ { "fmt ", pcmformat }, { "data", foursamples } })); }).bytes;
    truncated.resize(truncated.size() - 12);
    return {
        { "empty file", {}, "Invalid stream format" },
        { "no resource marker", withheader(0xFE, 10), "Invalid stream format" },
        { "wrong resource type", withheader(0xFF, 11), "Invalid stream format" },
        { "wrong signature", badsignature, "Invalid stream format" },
        { "unknown root property",
            TStream().byte(0xFF).number(10, 2).byte(0).number(0, 2).number(0, 4).raw("TPF0").shorttext("A").shorttext("B").shorttext("Items").byte(14).byte(0).closing().bytes,
            "Property Items does not exist" },
        { "list not a collection",
            TStream().byte(0xFF).number(10, 2).byte(0).number(0, 2).number(0, 4).raw("TPF0").shorttext("A").shorttext("B").shorttext("List").byte(10).number(0, 4).byte(0).byte(0).bytes,
            "Invalid property value" },
        { "unknown item property", oneitem([](TStream& s) { s.shorttext("Volume").byte(2).byte(5); }).bytes,
            "Property Volume does not exist" },
        { "name as a number", oneitem([](TStream& s) { s.shorttext("Name").byte(2).byte(5); }).bytes, "Invalid property value" },
        { "looped as a number", oneitem([](TStream& s) { s.shorttext("Looped").byte(2).byte(1); }).bytes, "Invalid property value" },
        { "count as text", oneitem([](TStream& s) { s.shorttext("MaxPlayingCount").byte(6).shorttext("1"); }).bytes,
            "Invalid property value" },
        { "wave as text", oneitem([](TStream& s) { s.shorttext("Wave.WAVE").byte(12).number(0, 4); }).bytes,
            "Invalid property value" },
        { "item without its start", TStream().opening().byte(2).byte(0).byte(6).closing().bytes, "Invalid property value" },
        { "cut inside the wave block", truncated, "Stream read error" },
        { "cut inside a name", TStream().opening().byte(1).shorttext("Name").byte(6).byte(20).raw("be").bytes, "Stream read error" },
        { "no end of items", TStream().opening().byte(1).bytes, "Stream read error" },
        { "wave not RIFF", oneitem([](TStream& s) { s.shorttext("Wave.WAVE").block(TBytes(16, 'x')); }).bytes, "Wave is invalid" },
        { "RIFF not WAVE",
            oneitem([](TStream& s) {
                auto bytes = riff({});
                bytes[11] = 'X';
                s.shorttext("Wave.WAVE").block(bytes);
            }).bytes,
            "Wave is invalid" },
        { "RIFF shorter than its header", oneitem([](TStream& s) { s.shorttext("Wave.WAVE").block({ 'R', 'I', 'F', 'F' }); }).bytes,
            "Wave is invalid" },
        { "data longer than the wave",
            oneitem([](TStream& s) {
                TStream wave;
                wave.raw("RIFF").number(0, 4).raw("WAVE").raw("data").number(100, 4).raw(foursamples);
                s.shorttext("Wave.WAVE").block(wave.bytes);
            }).bytes,
            "Stream read error" },
        { "sample rate of 1 Hz",
            oneitem([](TStream& s) { s.shorttext("Wave.WAVE").block(riff({ { "fmt ", pcm16monoformat(1) }, { "data", foursamples } })); }).bytes,
            "Wave is invalid" },
        { "sample rate above any buffer's",
            oneitem([](TStream& s) { s.shorttext("Wave.WAVE").block(riff({ { "fmt ", pcm16monoformat(400000) }, { "data", foursamples } })); }).bytes,
            "Wave is invalid" },
        { "format longer than the wave",
            oneitem([](TStream& s) {
                TStream wave;
                wave.raw("RIFF").number(0, 4).raw("WAVE").raw("fmt ").number(40, 4).raw(pcmformat);
                s.shorttext("Wave.WAVE").block(wave.bytes);
            }).bytes,
            "Stream read error" },
    };
}

TEST(BankFileTest, MalformedBanksAreRejectedWithTheirMessage)
{
    for (const auto& bank : malformedbanks()) {
        SCOPED_TRACE(bank.name);
        try {
            readbank(bank.bytes);
            ADD_FAILURE() << "accepted";
        } catch (const TVorkanaError& error) {
            EXPECT_STREQ(error.what(), bank.message);
        }
    }
}

TEST(BankFileTest, ChunkWalkSkipsOtherChunksAndReadsNoPadByte)
{
    struct TRow {
        const char* name;
        TBytes wave;
        TBytes expecteddata;
    };
    TBytes oddsamples { 9, 8, 7 };
    std::vector<TRow> rows {
        { "fmt, LIST, data", riff({ { "fmt ", pcmformat }, { "LIST", TBytes(10, 'i') }, { "data", foursamples } }), foursamples },
        // The next header is read straight after the third data byte; a
        // reader that skipped a pad byte would lose the second data chunk.
        { "odd data then another", riff({ { "fmt ", pcmformat }, { "data", oddsamples }, { "data", foursamples } }), foursamples },
        { "the last of two data chunks", riff({ { "data", oddsamples }, { "data", foursamples } }), foursamples },
        { "no data chunk", riff({ { "fmt ", pcmformat } }), {} },
        { "header cut short at the end", [&] { auto w = riff({ { "data", foursamples } }); w.push_back('j'); w.push_back('u'); return w; }(), foursamples },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto waves = readbank(oneitem([&](TStream& s) { s.shorttext("Wave.WAVE").block(row.wave); }).bytes);
        ASSERT_EQ(waves.size(), 1u);
        EXPECT_EQ(waves[0].Wave.data, row.expecteddata);
    }
}

TEST(BankFileTest, EveryTextTypeAndIntegerWidthReads)
{
    struct TRow {
        const char* name;
        std::function<void(TStream&)> value;
        std::string expectedname;
        int expectedcount;
    };
    std::vector<TRow> rows {
        { "short text, 1-byte count", [](TStream& s) { s.byte(6).shorttext("beep").shorttext("MaxPlayingCount").byte(2).byte(0xFE); }, "beep", 0 },
        { "long text, 2-byte count", [](TStream& s) { s.byte(12).number(5, 4).raw("click").shorttext("MaxPlayingCount").byte(3).number(300, 2); }, "click", 300 },
        { "wide text, 4-byte count",
            [](TStream& s) { s.byte(18).number(3, 4).number(u'p', 2).number(u'í', 2).number(u'p', 2).shorttext("MaxPlayingCount").byte(4).number(70000, 4); },
            "píp", 70000 },
        { "UTF-8 text", [](TStream& s) { s.byte(20).number(4, 4).raw("t\xC3\xB3n").shorttext("MaxPlayingCount").byte(2).byte(3); }, "tón", 3 },
        { "Windows-1250 short text", [](TStream& s) { s.byte(6).byte(3).raw("\x9A\xE8\x9E").shorttext("MaxPlayingCount").byte(2).byte(1); }, "ščž", 1 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto waves = readbank(oneitem([&](TStream& s) {
            s.shorttext("Name");
            row.value(s);
        }).bytes);
        ASSERT_EQ(waves.size(), 1u);
        EXPECT_EQ(waves[0].Name, row.expectedname);
        EXPECT_EQ(waves[0].MaxPlayingCount, row.expectedcount);
    }
}

TEST(BankFileTest, ItemsMayCarryAnIndexBeforeTheirStart)
{
    TStream stream;
    stream.opening().byte(2).byte(0).byte(1).shorttext("Name").byte(6).shorttext("a").byte(0);
    stream.byte(3).number(1, 2).byte(1).shorttext("Name").byte(6).shorttext("b").shorttext("Looped").byte(9).byte(0);
    auto waves = readbank(stream.closing().bytes);
    ASSERT_EQ(waves.size(), 2u);
    EXPECT_EQ(waves[0].Name, "a");
    EXPECT_FALSE(waves[0].Looped);
    EXPECT_EQ(waves[1].Name, "b");
    EXPECT_TRUE(waves[1].Looped);
}

TEST(BankFileTest, WrittenBankReadsBackTheSame)
{
    std::vector<TStoredWave> waves(2);
    waves[0] = { "snd11", true, 0, { pcmformat, foursamples } };
    waves[1] = { "click19", false, 3, { pcmformat, { 1, 2, 3 } } };
    auto bytes = writebank(waves);
    auto read = readbank(bytes);
    ASSERT_EQ(read.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(read[i].Name, waves[i].Name);
        EXPECT_EQ(read[i].Looped, waves[i].Looped);
        EXPECT_EQ(read[i].MaxPlayingCount, waves[i].MaxPlayingCount);
        EXPECT_EQ(read[i].Wave.format, waves[i].Wave.format);
        EXPECT_EQ(read[i].Wave.data, waves[i].Wave.data);
    }
    EXPECT_EQ(writebank(read), bytes);
}

TEST(BankFileTest, FloatSamplesThatAreNoNumbersDecodeAsSilence)
{
    TWave wave;
    wave.format = pcm16monoformat(8000);
    wave.format[0] = 3; // IEEE float
    wave.format[14] = 32;
    for (float sample : { 0.5f, std::nanf(""), INFINITY, -INFINITY, 3e38f }) {
        auto bytes = reinterpret_cast<const std::uint8_t*>(&sample);
        wave.data.insert(wave.data.end(), bytes, bytes + 4);
    }
    auto decoded = decodewave(wave);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->samples, (std::vector<float> { 0.5f, 0, 0, 0, 1 }));
}

TEST(BankFileTest, GeneratedBankHoldsEveryNameTheSystemAsksFor)
{
    std::ifstream file(VORKANA_SOUNDS_DAT, std::ios::binary);
    ASSERT_TRUE(file) << VORKANA_SOUNDS_DAT;
    TBytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto waves = readbank(bytes);
    EXPECT_EQ(writebank(waves), bytes);

    std::set<std::string> names;
    std::set<TBytes> timbres;
    for (const auto& wave : waves) {
        names.insert(wave.Name);
        auto decoded = decodewave(wave.Wave);
        ASSERT_TRUE(decoded) << wave.Name;
        if (wave.Name.starts_with("snd")) {
            EXPECT_TRUE(wave.Looped) << wave.Name;
            EXPECT_EQ(decoded->samples.size(), 64u) << wave.Name;
            timbres.insert(wave.Wave.data);
        } else {
            EXPECT_FALSE(wave.Looped) << wave.Name;
            EXPECT_GT(decoded->samples.size(), 100u) << wave.Name;
        }
    }
    for (int voice = 1; voice <= 8; ++voice)
        for (int timbre = 0; timbre <= 9; ++timbre)
            EXPECT_TRUE(names.count("snd" + std::to_string(voice) + std::to_string(timbre))) << voice << timbre;
    for (const char* name : { "beep", "click2", "click5", "click6", "click8", "click9", "click13", "click16", "click17", "click19" })
        EXPECT_TRUE(names.count(name)) << name;
    EXPECT_EQ(timbres.size(), 10u);
}

class WaveCollectionLookupTest : public ::testing::Test {
protected:
    void load(const TBytes& bytes)
    {
        {
            std::ofstream file(path, std::ios::binary);
            file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        collection.LoadBank(path);
    }
    void TearDown() override { std::remove(path.c_str()); }

    std::string path = testing::TempDir() + "lookup_sounds_" + std::to_string(getpid()) + ".dat";
    TWaveCollection collection;
};

TEST_F(WaveCollectionLookupTest, NamesMatchWithoutCaseAndTheLaterWins)
{
    TStream stream;
    stream.opening();
    for (int count : { 1, 2 })
        stream.byte(1).shorttext("Name").byte(6).shorttext("beep").shorttext("MaxPlayingCount").byte(2).byte(count).byte(0);
    load(stream.closing().bytes);
    EXPECT_EQ(collection.FindItem("BEEP").MaxPlayingCount(), 2);
    EXPECT_EQ(collection.FindItem("Beep").MaxPlayingCount(), 2);
    try {
        collection.FindItem("click3");
        ADD_FAILURE() << "found";
    } catch (const TVorkanaError& error) {
        EXPECT_EQ(error.what(), filetext(TFileText::nowave, "click3"));
    }
}

TEST_F(WaveCollectionLookupTest, MalformedFileLeavesNothingLoaded)
{
    load(nameditem("beep").bytes);
    ASSERT_EQ(collection.Count(), 1);
    EXPECT_THROW(load(TBytes { 1, 2, 3 }), TVorkanaError);
    EXPECT_EQ(collection.Count(), 0);
}

TEST_F(WaveCollectionLookupTest, NegativeMaxPlayingCountIsStoredAsZero)
{
    load(oneitem([](TStream& s) { s.shorttext("Name").byte(6).shorttext("x").shorttext("MaxPlayingCount").byte(2).byte(0xFB); }).bytes);
    EXPECT_EQ(collection.FindItem("x").MaxPlayingCount(), 0);
}

}
