#include "runtime/settings.h"

#include "runtime/filetexts.h"
#include "runtime/notices.h"

// The file is bytes to us: no wide-character conversion.
#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <vector>
#include <unistd.h>

std::string settingsfilename = "vorkana.ini";

namespace {

// Values that could not be read, by file, each noted once; and those not
// yet reported.
std::set<std::string> notedvalues;
std::map<std::string, std::vector<std::string>> unreportedvalues;

// Values that could not be saved, by file, in the order written: they hold
// until the program ends, and go into the file with the next write that
// succeeds. Each file that cannot be written is told of once.
struct TUnsavedValue {
    std::string section, key, value;
};
std::map<std::string, std::vector<TUnsavedValue>> unsavedvalues;
std::set<std::string> toldunsaved;

// Multi-key mode keeps every duplicate so that the first one can win, as it
// does for the Windows functions the file format comes from.
class TIniDocument {
public:
    explicit TIniDocument(const std::string& path)
        : m_ini(false, true, false)
    {
        m_ini.SetSpaces(false);
        std::error_code status;
        if (std::filesystem::exists(path, status)) {
            // The reader takes the whole file into memory at once. A settings
            // file holds a dozen keys; one of megabytes is not ours to read,
            // and, like any file that cannot be read, not ours to write over.
            constexpr std::uintmax_t largestfile = 1024 * 1024;
            std::uintmax_t size = std::filesystem::file_size(path, status);
            m_loadfailed = status || size > largestfile || m_ini.LoadFile(path.c_str()) < 0;
        }
        if (auto unsaved = unsavedvalues.find(path); unsaved != unsavedvalues.end())
            for (const TUnsavedValue& held : unsaved->second)
                set(held.section.c_str(), held.key.c_str(), held.value);
    }

    std::optional<std::string> value(const char* section, const char* key) const
    {
        const char* stored = m_ini.GetValue(section, key, nullptr);
        return stored ? std::optional<std::string>(stored) : std::nullopt;
    }

    void set(const char* section, const char* key, const std::string& value)
    {
        m_ini.SetValue(section, key, value.c_str(), nullptr, true);
    }

    // Empty when saved; otherwise what the user is told.
    std::string save(const std::string& path)
    {
        // A file we could not read is the user's; writing would replace it
        // with the one key we meant to change.
        if (m_loadfailed)
            return filetext(TFileText::settingsnotread, path);
        // SimpleIni's own file writer ignores failed writes and a failed
        // close, so on a full disk it would report a cut-off file as saved
        // and the rename would put it in place of the whole one. The text
        // is made in memory and written here, every step checked.
        std::string text;
        m_ini.Save(text, false);
        std::string temporary = path + ".tmp";
        auto failed = [&](int error) { return filetext(TFileText::settingsnotsaved, path, filefailure(error)); };
        std::FILE* file = std::fopen(temporary.c_str(), "wb");
        if (!file)
            return failed(errno);
        bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        written = std::fflush(file) == 0 && written;
        written = fsync(fileno(file)) == 0 && written;
        int error = errno;
        written = std::fclose(file) == 0 && written;
        if (!written) {
            std::remove(temporary.c_str());
            return failed(error);
        }
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            error = errno;
            std::remove(temporary.c_str());
            return failed(error);
        }
        return {};
    }

private:
    CSimpleIniA m_ini; // names compared without regard to case
    bool m_loadfailed = false;
};

bool parseinteger(std::string_view text, int& value)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc {} && result.ptr == text.data() + text.size();
}

}

TSettingsFile::TSettingsFile(std::string path)
    : m_path(std::move(path))
{
}

bool TSettingsFile::exists() const
{
    std::error_code status;
    return std::filesystem::exists(m_path, status);
}

int TSettingsFile::readinteger(const TIntegerSetting& setting) const
{
    auto stored = TIniDocument(m_path).value(setting.section, setting.key);
    int value = 0;
    if (!stored)
        return setting.defaultvalue;
    if (!parseinteger(*stored, value)) {
        std::string entry = std::string("[") + setting.section + "] " + setting.key + "=" + *stored;
        if (notedvalues.insert(m_path + "\n" + entry).second)
            unreportedvalues[m_path].push_back(entry);
        return setting.defaultvalue;
    }
    return std::clamp(value, setting.minimum, setting.maximum);
}

std::string unreadablesettings()
{
    std::string message;
    for (const auto& [path, entries] : unreportedvalues) {
        message += (message.empty() ? "" : "\n") + filetext(TFileText::settingsnotnumbers, path);
        for (const std::string& entry : entries)
            message += "\n" + entry;
    }
    unreportedvalues.clear();
    return message;
}

void tellunreadablesettings()
{
    if (std::string message = unreadablesettings(); !message.empty())
        tell(message);
}

std::string TSettingsFile::readtext(const TTextSetting& setting) const
{
    return TIniDocument(m_path).value(setting.section, setting.key).value_or(setting.defaultvalue);
}

void TSettingsFile::writeinteger(const TIntegerSetting& setting, int value) const
{
    write(setting.section, setting.key, std::to_string(std::clamp(value, setting.minimum, setting.maximum)));
}

void TSettingsFile::writetext(const TTextSetting& setting, const std::string& value) const
{
    write(setting.section, setting.key, value);
}

void TSettingsFile::write(const char* section, const char* key, const std::string& value) const
{
    TIniDocument document(m_path);
    document.set(section, key, value);
    std::string failure = document.save(m_path);
    if (failure.empty()) {
        unsavedvalues.erase(m_path);
        return;
    }
    // A settings file that cannot be written stops nothing: the program
    // goes on with the value in memory, and the old file stays as it was.
    unsavedvalues[m_path].push_back({ section, key, value });
    if (toldunsaved.insert(m_path).second) {
        std::fprintf(stderr, "vorkana: %s\n", failure.c_str());
        tell(failure);
    }
}
