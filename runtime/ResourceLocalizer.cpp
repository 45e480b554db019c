#include "runtime/ResourceLocalizer.h"

#include "runtime/settings.h"

#include <array>
#include <cstdlib>
#include <string_view>

int CurrentLanguage = 1000;

namespace {

constexpr int textsperlanguage = 47;

struct TLanguageBlock {
    int language;
    std::array<std::string_view, textsperlanguage> texts;
};

constexpr std::array<TLanguageBlock, 3> table = { {
    { 1000, {
        "Čeština", // 0
        "Překladač Vorkana Basicu", // 1
        "&Program", // 2
        "&Spustit", // 3
        "Na&stavení", // 4
        "Prostř&edí", // 5
        "Provedené změny se projeví až poté, co znovu spustíte program.", // 6
        "&Ok", // 7
        "Zrušit", // 8
        "&jazyk", // 9
        "Nastavení prostředí", // 10
        "Nastavení hlasu", // 11
        "&Hlasy", // 12
        "&Výška", // 13
        "&Rychlost", // 14
        "Hla&sitost", // 15
        "Zvolit hl&as", // 16
        "Za&vřít", // 17
        "Používání hlasu není povoleno. Povolit jej můžete v menu Nastavení/Zvuky.", // 18
        "Hlas vybrán.", // 19
        "&Zvuky", // 20
        "Nastavení zvuků", // 21
        "Povolit &hlas", // 22
        "Vlož data", // 23
        "czech", // 24
        "hotovo", // 25
        "Obrazovka", // 26
        "&Používat systémový hlas (speech-dispatcher)", // 27
        "H&lasitost zvuků", // 28
        "prázdný řádek", // 29
        "konec obrazovky", // 30
        "řádek", // 31
        "sloupec", // 32
        "Kon&ec", // 33
        "&Nápověda", // 34
        "O progr&amu", // 35
        "O programu", // 36
        "verze", // 37
        "&Hlas", // 38
        "Zvuky &Vorkany", // 39
        "Nelze povolit hlas. Žádné hlasy nejsou k dispozici.", // 40
        "Obrazovka je plná.", // 41
        "Nelze nalézt soubor", // 42
        "Nelze nalézt hlas uvedený v ini souboru:", // 43
        "Prosím přepiš", // 44
        "U&končit program", // 45
        "&Braillská klávesnice", // 46
    } },
    { 2000, {
        "English", // 0
        "Vorkana Basic Interpreter", // 1
        "&Program", // 2
        "&Start", // 3
        "&Settings", // 4
        "&Environment", // 5
        "Your changes will be applied after you restart the program.", // 6
        "&OK", // 7
        "Cancel", // 8
        "&Language", // 9
        "environment settings", // 10
        "Voice settings", // 11
        "&Voices", // 12
        "&Pitch", // 13
        "&Speed", // 14
        "Vo&lume", // 15
        "&Choose voice", // 16
        "&Close", // 17
        "The voice is turned off. You can turn it on in the Sounds dialog, menu Settings", // 18
        "Voice selected.", // 19
        "&Sounds", // 20
        "Sounds settings", // 21
        "Use the &voice", // 22
        "Enter data", // 23
        "english", // 24
        "ready", // 25
        "Screen", // 26
        "&Use the system's voice (speech-dispatcher)", // 27
        "Sound vo&lume", // 28
        "empty line", // 29
        "end of screen", // 30
        "line", // 31
        "column", // 32
        "&Exit", // 33
        "&Help", // 34
        "&About", // 35
        "About", // 36
        "version", // 37
        "&Voice", // 38
        "&Vorkana sounds", // 39
        "Can't allow voice, no voices are available", // 40
        "The screen is full.", // 41
        "Can't find the file", // 42
        "Can't find the voice specified in the ini file:", // 43
        "Please retype", // 44
        "E&xit program", // 45
        "&Braille keyboard", // 46
    } },
    { 3000, {
        "Slovenčina", // 0
        "Prekladač Vorkana Basicu", // 1
        "&Program", // 2
        "&Spustiť", // 3
        "Na&stavenia", // 4
        "Prostr&edie", // 5
        "Vykonané zmeny sa prejavia až po najbližšom spustení programu.", // 6
        "&Ok", // 7
        "Zrušiť", // 8
        "&jazyk", // 9
        "Nastavenie prostredia", // 10
        "Nastavenie hlasu", // 11
        "&Hlasy", // 12
        "&Výška", // 13
        "&Rýchlosť", // 14
        "Hla&sitosť", // 15
        "Zvoliť hl&as", // 16
        "Za&vrieť", // 17
        "Používanie hlasu nie je povolené. Povoliť ho môžete v menu Nastavenia/Zvuky.", // 18
        "Hlas vybratý.", // 19
        "&Zvuky", // 20
        "Nastavenie zvukov", // 21
        "Povoliť &hlas", // 22
        "Vlož data", // 23
        "slovak", // 24
        "hotovo", // 25
        "Obrazovka", // 26
        "&Používať systémový hlas (speech-dispatcher)", // 27
        "H&lasitosť zvukov", // 28
        "prázdny riadok", // 29
        "koniec obrazovky", // 30
        "riadok", // 31
        "stĺpec", // 32
        "Koni&ec", // 33
        "Po&moc", // 34
        "O progr&ame", // 35
        "O programe", // 36
        "verzia", // 37
        "&Hlas", // 38
        "Zvuky &Vorkany", // 39
        "Nie je možné povoliť hlas. Žiadne hlasy nie sú k dispozícii.", // 40
        "Obrazovka je plná.", // 41
        "Nie je možné nájsť súbor", // 42
        "Nie je možné nájsť hlas, uvedený v ini súbore:", // 43
        "Prosím prepíš", // 44
        "U&končiť program", // 45
        "&Braillská klávesnica", // 46
    } },
} };

}

std::string TResourceLocalizer::GetText(int language, int index)
{
    // A language read from the settings file can be any integer: the sum
    // is taken wide, so no value wraps round onto a real text.
    long long identifier = static_cast<long long>(language) + index;
    for (const auto& block : table) {
        long long offset = identifier - block.language;
        if (offset >= 0 && offset < textsperlanguage)
            return std::string(block.texts[static_cast<size_t>(offset)]);
    }
    return {};
}

void TResourceLocalizer::GetLanguages(std::vector<std::pair<std::string, int>>& list)
{
    list.clear();
    for (int identifier = 1000;; identifier += 1000) {
        std::string name = GetText(identifier, 0);
        if (name.empty())
            return;
        list.emplace_back(std::move(name), identifier);
    }
}

std::string text(int index)
{
    return TResourceLocalizer::GetText(CurrentLanguage, index);
}

namespace {

// The desktop's language, as its locale names it: Slovak, English, or else
// Czech, the system's first language.
int languageoflocale()
{
    for (const char* variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = std::getenv(variable);
        if (!value || !*value)
            continue;
        std::string_view locale(value);
        if (locale.starts_with("sk"))
            return 3000;
        if (locale.starts_with("en"))
            return 2000;
        return 1000;
    }
    return 1000;
}

}

void readlanguage(const std::string& settingsfile)
{
    TSettingsFile file(settingsfile);
    // Until a language is chosen and saved, the desktop's is used.
    const TTextSetting saved { settings::language.section, settings::language.key, "" };
    CurrentLanguage = file.readtext(saved).empty() ? languageoflocale() : file.readinteger(settings::language);
}

void writelanguage(const std::string& settingsfile)
{
    TSettingsFile(settingsfile).writeinteger(settings::language, CurrentLanguage);
}

std::size_t languagecolumn()
{
    return CurrentLanguage == 2000 ? 1 : CurrentLanguage == 3000 ? 2 : 0;
}

std::string filltext(std::string_view text, const std::string& first, const std::string& second)
{
    std::string filled;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '%' && k + 1 < text.size() && (text[k + 1] == '1' || text[k + 1] == '2')) {
            filled += text[++k] == '1' ? first : second;
            continue;
        }
        filled += text[k];
    }
    return filled;
}
