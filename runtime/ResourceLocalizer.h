#pragma once
// The table of the system's own texts in Czech (1000), English (2000) and
// Slovak (3000), and the current language. Texts are UTF-8; captions keep
// their "&" accelerator marks. Texts printed by the built-in program are its
// own and are not here.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern int CurrentLanguage;

class TResourceLocalizer {
public:
    TResourceLocalizer() = delete;

    // The text of identifier language + index, or empty when there is none.
    static std::string GetText(int language, int index);
    // Each language's name with its number, in the order 1000, 2000, ...
    static void GetLanguages(std::vector<std::pair<std::string, int>>& list);
};

// The text of the index in the current language, looked up now.
std::string text(int index);

// The current language's place (0, 1, 2) in the tables of texts of our own
// that hold them side by side: Czech, English, Slovak.
std::size_t languagecolumn();
// The text with %1 and %2 filled in, in one pass, so that a value holding
// "%2" (a file's name can) stays as it is.
std::string filltext(std::string_view text, const std::string& first, const std::string& second);

// Sets CurrentLanguage from the settings file (environment/language, 1000
// when not a number); while no language is saved there, from the desktop's
// locale (sk Slovak, en English, anything else Czech).
void readlanguage(const std::string& settingsfile);
void writelanguage(const std::string& settingsfile);
