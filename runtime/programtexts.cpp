#include "runtime/programtexts.h"

#include "runtime/ResourceLocalizer.h"

#include <array>
#include <string_view>

namespace {

// Czech, English, Slovak, by text.
constexpr std::array<std::array<std::string_view, 3>, 46> programtexts = { {
    { "&Otevřít…", "&Open…", "&Otvoriť…" },
    { "Otevřít program v Basicu", "Open a BASIC program", "Otvoriť program v Basicu" },
    { "Programy v Basicu (*.bas)", "BASIC programs (*.bas)", "Programy v Basicu (*.bas)" },
    { "Program %1 nelze přečíst.", "The program %1 cannot be read.", "Program %1 nemožno prečítať." },
    { "řádek %1: očekává se %2", "line %1: %2 expected", "riadok %1: očakáva sa %2" },
    { "řádek souboru %1: očekává se číslo řádku", "row %1 of the file: a line number expected",
        "riadok súboru %1: očakáva sa číslo riadku" },
    { "řádek %1: neznámý znak %2", "line %1: unknown character %2", "riadok %1: neznámy znak %2" },
    { "řádek %1: řádek %2 neexistuje", "line %1: there is no line %2", "riadok %1: riadok %2 neexistuje" },
    { "řádek %1: toto číslo řádku už bylo použito", "line %1: this line number is used twice",
        "riadok %1: toto číslo riadku už bolo použité" },
    { "řádek %1: RETURN bez GOSUB", "line %1: RETURN without GOSUB", "riadok %1: RETURN bez GOSUB" },
    { "řádek %1: NEXT bez FOR", "line %1: NEXT without FOR", "riadok %1: NEXT bez FOR" },
    { "řádek %1: index mimo rozsah pole", "line %1: index out of range", "riadok %1: index mimo rozsahu poľa" },
    { "řádek %1: dělení nulou", "line %1: division by zero", "riadok %1: delenie nulou" },
    { "řádek %1: příliš mnoho vnořených GOSUB", "line %1: GOSUB nested too deep",
        "riadok %1: príliš veľa vnorených GOSUB" },
    { "řádek %1: řetězec je příliš dlouhý", "line %1: string too long", "riadok %1: reťazec je príliš dlhý" },
    { "řádek %1: pole je příliš velké", "line %1: array too large", "riadok %1: pole je príliš veľké" },
    { "řádek %1: pole už má rozměr", "line %1: the array is already dimensioned", "riadok %1: pole už má rozmer" },
    { "řádek %1: program nemá dost paměti", "line %1: the program is out of memory",
        "riadok %1: program nemá dosť pamäte" },
    { "řádek %1: výraz je příliš složitý", "line %1: expression too complex", "riadok %1: výraz je príliš zložitý" },
    { "řádek %1: %2", "line %1: %2", "riadok %1: %2" },
    { "výraz", "an expression", "výraz" },
    { "číslo", "a number", "číslo" },
    { "řetězec", "a string", "reťazec" },
    { "proměnná", "a variable", "premenná" },
    { "číslo řádku", "a line number", "číslo riadku" },
    { "příkaz", "a statement", "príkaz" },
    { "konec příkazu", "the end of the statement", "koniec príkazu" },
    { "řádek %1: čísla řádků jsou od 1 do 99999", "line %1: line numbers go from 1 to 99999",
        "riadok %1: čísla riadkov sú od 1 do 99999" },
    { "řádek %1: neznámý příkaz %2", "line %1: unknown statement %2", "riadok %1: neznámy príkaz %2" },
    { "řádek %1: ELSE bez IF", "line %1: ELSE without IF", "riadok %1: ELSE bez IF" },
    { "řádek %1: WHILE bez WEND", "line %1: WHILE without WEND", "riadok %1: WHILE bez WEND" },
    { "řádek %1: WEND bez WHILE", "line %1: WEND without WHILE", "riadok %1: WEND bez WHILE" },
    { "řádek %1: došla data příkazů DATA", "line %1: out of DATA", "riadok %1: došli údaje príkazov DATA" },
    { "řádek %1: \"%2\" není číslo", "line %1: \"%2\" is not a number", "riadok %1: \"%2\" nie je číslo" },
    { "řádek %1: číslo je příliš velké", "line %1: number too large", "riadok %1: číslo je príliš veľké" },
    { "řádek %1: výsledek není číslo", "line %1: the result is not a number", "riadok %1: výsledok nie je číslo" },
    { "řádek %1: chybná hodnota pro %2", "line %1: wrong value for %2", "riadok %1: chybná hodnota pre %2" },
    { "řádek %1: soubor %2 neexistuje", "line %1: there is no file %2", "riadok %1: súbor %2 neexistuje" },
    { "řádek %1: přečtený řádek má málo hodnot", "line %1: too few values in the line read",
        "riadok %1: prečítaný riadok má málo hodnôt" },
    { "Zastaveno na řádku %1.", "Stopped at line %1.", "Zastavené na riadku %1." },
    { "Zadejte číslo.", "Enter a number.", "Zadajte číslo." },
    { "Zadejte hodnoty oddělené čárkou, počet %1.", "Enter %1 values separated by commas.",
        "Zadajte hodnoty oddelené čiarkou, počet %1." },
    { "řádek %1: soubor %2 už nemá další řádek", "line %1: the file %2 has no more lines",
        "riadok %1: súbor %2 už nemá ďalší riadok" },
    { "Řádek nelze zadat: program nemá okno.", "A line cannot be typed: the program has no window.",
        "Riadok nemožno zadať: program nemá okno." },
    { "klik %1 neexistuje", "there is no click %1", "klik %1 neexistuje" },
    { "VAL nepřečte „%1“ jako číslo", "VAL cannot read \"%1\" as a number", "VAL neprečíta „%1“ ako číslo" },
} };


}

std::string programtext(TProgramText which, const std::string& first, const std::string& second)
{
    return filltext(programtexts[static_cast<std::size_t>(which)][languagecolumn()], first, second);
}
