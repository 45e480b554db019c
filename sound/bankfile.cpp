#include "sound/bankfile.h"

#include "runtime/codepage.h"
#include "runtime/errors.h"

#include <QString>
#include <cstring>

namespace {

enum TValueType : std::uint8_t {
    endoflist = 0,
    liststart = 1,
    int8value = 2,
    int16value = 3,
    int32value = 4,
    shorttext = 6,
    falsevalue = 8,
    truevalue = 9,
    byteblock = 10,
    longtext = 12,
    collection = 14,
    widetext = 18,
    utf8text = 20,
};

const char* const streamreaderror = "Stream read error";
const char* const invalidvalue = "Invalid property value";

class TBankReader {
public:
    explicit TBankReader(const std::vector<std::uint8_t>& bytes)
        : m_bytes(bytes)
    {
    }

    std::vector<TStoredWave> read()
    {
        readresourceheader();
        if (!hasbytes(4) || std::memcmp(m_bytes.data() + m_at, "TPF0", 4) != 0)
            throw TBankError(TBankFault::notabank, "Invalid stream format");
        m_at += 4;
        readshorttext(); // class name
        readshorttext(); // object name
        std::vector<TStoredWave> waves;
        for (std::string property = readshorttext(); !property.empty(); property = readshorttext()) {
            if (QString::compare(QString::fromStdString(property), "List", Qt::CaseInsensitive) != 0)
                throw TBankError(TBankFault::notabank, "Property " + property + " does not exist");
            if (readbyte() != collection)
                throw TBankError(TBankFault::wrongvalue, invalidvalue);
            waves = readcollection();
        }
        readbyte(); // the empty child list
        return waves;
    }

private:
    bool hasbytes(std::size_t count) const { return count <= m_bytes.size() - m_at; }

    void need(std::size_t count) const
    {
        if (!hasbytes(count))
            throw TBankError(TBankFault::endstooearly, streamreaderror);
    }

    std::uint8_t readbyte()
    {
        need(1);
        return m_bytes[m_at++];
    }

    std::uint8_t peekbyte() const
    {
        need(1);
        return m_bytes[m_at];
    }

    std::uint32_t readunsigned(int size)
    {
        need(size);
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= std::uint32_t(m_bytes[m_at++]) << (8 * i);
        return value;
    }

    std::string readbytes(std::size_t count)
    {
        need(count);
        std::string text(reinterpret_cast<const char*>(m_bytes.data() + m_at), count);
        m_at += count;
        return text;
    }

    std::string readshorttext() { return readbytes(readbyte()); }

    void readresourceheader()
    {
        if (!hasbytes(3) || m_bytes[0] != 0xFF || m_bytes[1] != 10 || m_bytes[2] != 0)
            throw TBankError(TBankFault::notabank, "Invalid stream format");
        m_at = 3;
        while (readbyte() != 0) { } // the resource name
        readunsigned(2); // flags
        readunsigned(4); // length of the rest
    }

    int readinteger(std::uint8_t type)
    {
        switch (type) {
        case int8value:
            return static_cast<std::int8_t>(readunsigned(1));
        case int16value:
            return static_cast<std::int16_t>(readunsigned(2));
        case int32value:
            return static_cast<std::int32_t>(readunsigned(4));
        default:
            throw TBankError(TBankFault::wrongvalue, invalidvalue);
        }
    }

    std::string readtext(std::uint8_t type)
    {
        switch (type) {
        case shorttext:
            return cp1250::toutf8(readbytes(readbyte()));
        case longtext:
            return cp1250::toutf8(readbytes(readunsigned(4)));
        case utf8text:
            return readbytes(readunsigned(4));
        case widetext: {
            std::size_t count = readunsigned(4);
            need(count * 2);
            std::u16string characters(count, u'\0');
            for (auto& character : characters)
                character = static_cast<char16_t>(readunsigned(2));
            return QString::fromStdU16String(characters).toStdString();
        }
        default:
            throw TBankError(TBankFault::wrongvalue, invalidvalue);
        }
    }

    std::vector<TStoredWave> readcollection()
    {
        std::vector<TStoredWave> waves;
        while (peekbyte() != endoflist) {
            std::uint8_t type = readbyte();
            if (type == int8value || type == int16value || type == int32value) {
                readinteger(type); // the item's index; items come in file order anyway
                type = readbyte();
            }
            if (type != liststart)
                throw TBankError(TBankFault::wrongvalue, invalidvalue);
            waves.push_back(readitem());
        }
        readbyte();
        return waves;
    }

    TStoredWave readitem()
    {
        TStoredWave wave;
        for (std::string property = readshorttext(); !property.empty(); property = readshorttext()) {
            QString name = QString::fromStdString(property);
            auto is = [&](const char* expected) { return name.compare(expected, Qt::CaseInsensitive) == 0; };
            std::uint8_t type = readbyte();
            if (is("Name")) {
                wave.Name = readtext(type);
            } else if (is("Looped")) {
                if (type != falsevalue && type != truevalue)
                    throw TBankError(TBankFault::wrongvalue, invalidvalue);
                wave.Looped = type == truevalue;
            } else if (is("MaxPlayingCount")) {
                wave.MaxPlayingCount = std::max(0, readinteger(type));
            } else if (is("Wave.WAVE")) {
                if (type != byteblock)
                    throw TBankError(TBankFault::wrongvalue, invalidvalue);
                std::size_t length = readunsigned(4);
                need(length);
                std::vector<std::uint8_t> riff(m_bytes.begin() + m_at, m_bytes.begin() + m_at + length);
                m_at += length;
                wave.Wave = readriffwave(riff);
            } else {
                throw TBankError(TBankFault::notabank, "Property " + property + " does not exist");
            }
        }
        return wave;
    }

    const std::vector<std::uint8_t>& m_bytes;
    std::size_t m_at = 0;
};

class TBankWriter {
public:
    std::vector<std::uint8_t> write(const std::vector<TStoredWave>& waves)
    {
        std::vector<std::uint8_t> body;
        std::swap(body, m_bytes);
        putbytes("TPF0", 4);
        putshorttext("TWaveList");
        putshorttext("WaveList");
        putshorttext("List");
        putbyte(collection);
        for (const auto& wave : waves) {
            putbyte(liststart);
            putshorttext("Name");
            putbyte(longtext);
            std::string name = cp1250::fromutf8(wave.Name);
            putunsigned(static_cast<std::uint32_t>(name.size()), 4);
            putbytes(name.data(), name.size());
            putshorttext("Looped");
            putbyte(wave.Looped ? truevalue : falsevalue);
            putshorttext("MaxPlayingCount");
            putbyte(int32value);
            putunsigned(static_cast<std::uint32_t>(wave.MaxPlayingCount), 4);
            putshorttext("Wave.WAVE");
            putbyte(byteblock);
            auto riff = writeriffwave(wave.Wave);
            putunsigned(static_cast<std::uint32_t>(riff.size()), 4);
            putbytes(riff.data(), riff.size());
            putbyte(endoflist);
        }
        putbyte(endoflist); // end of the collection
        putbyte(endoflist); // end of the properties
        putbyte(endoflist); // no children
        std::swap(body, m_bytes);

        putbyte(0xFF);
        putunsigned(10, 2);
        putbytes("TWAVELIST", 10); // the name with its ending 0
        putunsigned(0x1030, 2);
        putunsigned(static_cast<std::uint32_t>(body.size()), 4);
        m_bytes.insert(m_bytes.end(), body.begin(), body.end());
        return m_bytes;
    }

private:
    void putbyte(std::uint8_t byte) { m_bytes.push_back(byte); }
    void putbytes(const void* bytes, std::size_t count)
    {
        auto first = static_cast<const std::uint8_t*>(bytes);
        m_bytes.insert(m_bytes.end(), first, first + count);
    }
    void putunsigned(std::uint32_t value, int size)
    {
        for (int i = 0; i < size; ++i)
            putbyte(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void putshorttext(const std::string& text)
    {
        putbyte(static_cast<std::uint8_t>(text.size()));
        putbytes(text.data(), text.size());
    }

    std::vector<std::uint8_t> m_bytes;
};

}

std::vector<TStoredWave> readbank(const std::vector<std::uint8_t>& bytes)
{
    return TBankReader(bytes).read();
}

std::vector<std::uint8_t> writebank(const std::vector<TStoredWave>& waves)
{
    return TBankWriter().write(waves);
}
