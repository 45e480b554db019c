#pragma once
// The settings file: every section, key, default and range the system uses
// is declared here once and read through TSettingsFile. Names match without
// regard to letter case; where a key appears twice the first one counts.
// Every access opens, reads or writes, and closes the file; a write goes to
// a temporary file that then replaces the old one. A value that cannot be
// written (a full disk, a read-only folder, a file we could not read) is
// kept in memory until the program ends, read back from there, and the
// user is told once per file (runtime/notices.h); writes never fail.

#include <string>

struct TIntegerSetting {
    const char* section;
    const char* key;
    int defaultvalue;
    int minimum;
    int maximum;
};

struct TTextSetting {
    const char* section;
    const char* key;
    const char* defaultvalue;
};

namespace settings {

inline constexpr int anyinteger = 0x7FFFFFFF;

inline constexpr TIntegerSetting language { "environment", "language", 1000, -anyinteger, anyinteger };
inline constexpr TIntegerSetting voiceallowed { "voice", "voiceallowed", 1, -anyinteger, anyinteger };
inline constexpr TIntegerSetting vorkanasounds { "sounds", "vorkanasounds", 1, -anyinteger, anyinteger };
inline constexpr TIntegerSetting sndvolume { "sounds", "sndvolume", 0, -10000, 0 };
inline constexpr TIntegerSetting braillekeys { "keyboard", "braillekeys", 0, -anyinteger, anyinteger };
inline constexpr TIntegerSetting brailledisplay { "braille", "display", 1, -anyinteger, anyinteger };
inline constexpr TIntegerSetting sapi5 { "Voice", "SAPI5", 0, -anyinteger, anyinteger };
inline constexpr TTextSetting person { "Voice", "person", "" };
inline constexpr TIntegerSetting pitch { "Voice", "pitch", 0, -anyinteger, anyinteger };
inline constexpr TIntegerSetting speed { "Voice", "speed", 0, -anyinteger, anyinteger };
inline constexpr TIntegerSetting volume { "Voice", "volume", 255, -anyinteger, anyinteger };

}

// The settings file of this run: the program file's path with ".ini".
extern std::string settingsfilename;

// The values read since the last call that were not numbers, each once, as
// a message naming the file and the values, whose defaults were used;
// empty when there were none.
std::string unreadablesettings();
// Tells that message (runtime/notices.h), if there is one: for values read
// after start-up, whose box would come in the middle of the user's work.
void tellunreadablesettings();

class TSettingsFile {
public:
    explicit TSettingsFile(std::string path);

    bool exists() const;

    // A missing key or a value that is not a whole number reads as the
    // default (the latter noted for unreadablesettings); a number outside
    // the range is clamped into it.
    int readinteger(const TIntegerSetting& setting) const;
    bool readboolean(const TIntegerSetting& setting) const { return readinteger(setting) != 0; }
    std::string readtext(const TTextSetting& setting) const;

    void writeinteger(const TIntegerSetting& setting, int value) const;
    void writeboolean(const TIntegerSetting& setting, bool value) const { writeinteger(setting, value ? 1 : 0); }
    void writetext(const TTextSetting& setting, const std::string& value) const;

private:
    void write(const char* section, const char* key, const std::string& value) const;

    std::string m_path;
};
