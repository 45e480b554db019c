#include "program/gametexts.h"

#include "runtime/codepage.h"

namespace {

TGameTexts converted()
{
    auto s = [](const char* utf8) { return cp1250::fromutf8(utf8); };
    TGameTexts t;
    t.goodday = s("dobrý ďeň;");
    t.goodmorning = s("dobré ráno;");
    t.goodevening = s("dobrý večer;");
    t.title = s(";hrapameť.");
    t.codesoffer = s(";keď chceš kódy stlač hociktorú klávesu okrem medzerníka.");
    t.codes = s(";kódy.");
    t.codea = s(";,a,; kladná odpoveď na otázku.");
    t.codespace = s(";,medzerník,; záporná odpoveď na otázku.");
    t.codec = s(";,c,; hra s číslami.");
    t.codet = s(";,t,; hra s tónmi.");
    t.codez = s(";,z,; hra so zvukmi.");
    t.codesagain = s(";chceš ešťe raz kódy?");
    t.wantrules = s(";chceš pravidlá?");
    t.shortrules = s(";stručné pravidlá.");
    t.rules1 = s(";precvič si svoju pameť.");
    t.rules2 = s(";podla toho, ktorú hru si zvolíš, vytvorím ruozne tóny, zvuky alebo čísla. tóny a zvuky majú "
                 "priďelené čísla jedna až peť.");
    t.rules3 = s(";najprv  buďeš počuť jeden tón, zvuk alebo číslo. keď správňe zapíšeš jeho číselnú hodnotu, "
                 "pridám k ňemu ďalší.");
    t.rules4 = s(";skús kolko tónov, zvukov alebo čísel si dokážeš zapametať.");
    t.tonesoverview = s(";prehlad tónov:");
    t.tonenumber = s("tón číslo");
    t.repeattones = s("chceš zopakovať tóny?");
    t.soundsoverview = s(";prehlad zvukov:");
    t.soundnumber = s("zvuk číslo");
    t.repeatsounds = s("chceš zopakovať zvuky?");
    t.keyboardadvice = s(";doporučujem režim vyslovovaňia klávesnice prepnúť na zvuky.");
    t.rulesagain = s(";chceš ešťe raz pravidlá?");
    t.choosegame = s(";zvol hru!");
    t.codesreminder = s(";opakujem kódy hier: ;,c,; hra s číslami;,; ,t,; hra s tónmi;,; ,z,; hra so zvukmi.");
    t.chosengame = s(";zvolil si si hru");
    t.chosentones = s("s tónmi.");
    t.chosensounds = s("so zvukmi.");
    t.chosennumbers = s("s číslami.");
    t.starting = s("začínam.");
    t.adding = s("pridávam.");
    t.writenumber = s("napíš číslo");
    t.writenumbers = s("napíš postupňe čísla");
    t.oftone = s("tónu.");
    t.ofsound = s("zvuku.");
    t.oftones = s("tónov.");
    t.ofsounds = s("zvukov.");
    t.wrong = s(";ňesprávňe!");
    t.correct = s(";správňe.");
    t.exhausted = s(";vyčerpal si všetky možnosti.");
    t.rightanswer = s("správna odpoveď je:");
    t.correctcount = s(";počet správnych odpoveďí,");
    t.recordequalled = s("vyrovnaňie doterajšieho rekordu.");
    t.newrecord = s("nový rekord. doterajší bol");
    t.timeis = s(";čas:,;");
    t.wanttocontinue = s("chceš pokračovať?");
    t.gamecount = s(";počet hier");
    t.goodbye = s("tak ahoj. ");
    t.pause = ";";
    t.comma = ",";
    return t;
}

}

const TGameTexts& gametexts()
{
    static const TGameTexts texts = converted();
    return texts;
}
