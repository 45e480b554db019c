#include "runtime/filetexts.h"

#include "runtime/ResourceLocalizer.h"
#include "runtime/soundplayer.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

// Czech, English, Slovak, by text.
constexpr std::array<std::string_view, 3> filetexts[] = {
    { "Paměť zařízení se nepodařilo uložit do souboru %1: %2. Soubor zůstal, jak byl.",
        "The device memory could not be saved to %1: %2. The file there is left as it was.",
        "Pamäť zariadenia sa nepodarilo uložiť do súboru %1: %2. Súbor zostal, ako bol." },
    { "Paměť zařízení nelze načíst ze souboru %1: %2. Soubor zůstane, jak je, a nic se do něj neuloží.",
        "The device memory cannot be read from %1: %2. The file is left as it is and nothing is saved to it.",
        "Pamäť zariadenia nemožno načítať zo súboru %1: %2. Súbor zostane, ako je, a nič sa doň neuloží." },
    { "Soubor paměti zařízení %1 má %2 bajtů, ne 65536: načte se, kam sahá, zůstane, jak je, a nic se do něj "
      "neuloží.",
        "The device memory file %1 is %2 bytes long, not 65536: it is read as far as it goes, left as it is, and "
        "nothing is saved to it.",
        "Súbor pamäte zariadenia %1 má %2 bajtov, nie 65536: načíta sa, kam siaha, zostane, ako je, a nič sa doň "
        "neuloží." },
    { "Nastavení se nepodařilo uložit do souboru %1: %2. Platí, dokud program neskončí.",
        "The settings could not be saved to %1: %2. They hold until the program ends.",
        "Nastavenia sa nepodarilo uložiť do súboru %1: %2. Platia, kým program neskončí." },
    { "Soubor nastavení %1 nelze přečíst; zůstane, jak je, a nastavení platí, dokud program neskončí.",
        "The settings file %1 cannot be read; it is left as it is and the settings hold until the program ends.",
        "Súbor nastavení %1 nemožno prečítať; zostane, ako je, a nastavenia platia, kým program neskončí." },
    { "Soubor nastavení %1 má hodnoty, které nejsou čísla; platí místo nich výchozí:",
        "The settings file %1 has values that are not numbers; their defaults are used:",
        "Súbor nastavení %1 má hodnoty, ktoré nie sú čísla; platia namiesto nich predvolené:" },
    { "Zvuková banka %1 je poškozená: %2.", "The sound bank %1 is damaged: %2.", "Zvuková banka %1 je poškodená: %2." },
    { "Zvukovou banku %1 nelze přečíst: %2.", "The sound bank %1 cannot be read: %2.",
        "Zvukovú banku %1 nemožno prečítať: %2." },
    { "Braillská tabulka %1 má řádky, jejichž body nedá žádný akord šesti kláves, takže je nelze napsat:",
        "The Braille table %1 has lines whose dots no chord of the six keys gives, so they cannot be typed:",
        "Braillovská tabuľka %1 má riadky, ktorých body nedá žiaden akord šiestich klávesov, takže ich nemožno "
        "napísať:" },
    { "Soubor názvů znaků %1 má na řádku %2 místo kódu znaku něco, co není číslo; názvy se nenačetly.",
        "The character names file %1 has something other than a character code on line %2; the names are not "
        "loaded.",
        "Súbor názvov znakov %1 má na riadku %2 namiesto kódu znaku niečo, čo nie je číslo; názvy sa nenačítali." },
    { "Braillská tabulka %1 určuje víc předpon, než se vejde; posledních %2 se vynechá.",
        "The Braille table %1 defines more prefixes than fit; the last %2 are left out.",
        "Braillovská tabuľka %1 určuje viac predpôn, než sa zmestí; posledných %2 sa vynechá." },
    { "Braillská tabulka %1 určuje víc znaků, než se vejde; posledních %2 se vynechá.",
        "The Braille table %1 defines more characters than fit; the last %2 are left out.",
        "Braillovská tabuľka %1 určuje viac znakov, než sa zmestí; posledných %2 sa vynechá." },
    { "Soubor názvů znaků %1 má víc názvů, než se vejde; posledních %2 se vynechá.",
        "The character names file %1 has more names than fit; the last %2 are left out.",
        "Súbor názvov znakov %1 má viac názvov, než sa zmestí; posledných %2 sa vynechá." },
    { "Zvuková banka nemá zvuk %1.", "The sound bank has no sound named %1.", "Zvuková banka nemá zvuk %1." },
    { "není to zvuková banka", "it is not a sound bank", "nie je to zvuková banka" },
    { "končí dřív, než má", "it ends too early", "končí skôr, než má" },
    { "obsahuje neplatnou hodnotu", "it holds a value that is not valid", "obsahuje neplatnú hodnotu" },
    { "disk je plný", "the disk is full", "disk je plný" },
    { "do složky nelze zapisovat", "writing to the folder is not allowed", "do priečinka nemožno zapisovať" },
    { "disk je jen pro čtení", "the disk is read-only", "disk je len na čítanie" },
    { "složka neexistuje", "the folder does not exist", "priečinok neexistuje" },
};
}

std::string filetext(TFileText which, const std::string& first, const std::string& second)
{
    return filltext(filetexts[static_cast<std::size_t>(which)][languagecolumn()], first, second);
}

TWaveNotFound::TWaveNotFound(const std::string& name)
    : TVorkanaError(filetext(TFileText::nowave, name))
{
}

std::string filefailure(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return filetext(TFileText::diskfull);
    case EACCES:
    case EPERM:
        return filetext(TFileText::notallowed);
    case EROFS:
        return filetext(TFileText::readonlydisk);
    case ENOENT:
    case ENOTDIR:
        return filetext(TFileText::nofolder);
    default:
        return std::strerror(error);
    }
}
