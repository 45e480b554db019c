#include "program/vorkanaprog.h"

#include "program/gametexts.h"
#include "runtime/forloop.h"
#include "runtime/functions.h"
#include "runtime/print.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/stack.h"
#include "runtime/tones.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

// The program's variables: doubles, one string and one array, all zero at
// the start of every run.
struct TVariables {
    double games, hour, kind, range, level, pos, item;
    double score1, score2, score3, record1, record2, record3;
    double count, freq;
    std::string key;
    std::array<double, 1001> seq;
};

void clearvariables(TVariables& v)
{
    v = TVariables {};
}

// Line numbers. The numbered lines and the continuation codes (100000 + N,
// the rest of line N after its GOSUB) are the ones pushed on the return
// stack; the others are reached only by GOTO or by falling through.
enum : std::int32_t {
    startline = 10,
    askcodes = 60,
    askrules = 70,
    choosegame = 110,
    gamechosen = 130,
    newitem = 160,
    answer = 300,
    gameover = 380,
    endline = 400,
    toneloop = 735,
    soundloop = 795,
    jingle = 5000,
    beeps = 5100,
    ladder = 5200,
    rest1 = 5300,
    rest2 = 5400,
    playitem = 5500,
    noise = 5600,
    recordcheck = 5700,
};

double INT(double value)
{
    return std::trunc(value);
}

void print(const std::string& text)
{
    printtext(text, 0);
}

void printzone(const std::string& text)
{
    printtext(text, 2);
}

void tone(double value, double duration, double timbre)
{
    sound({ value }, duration, timbre);
}

// A question's polling loop: the click, then the keyboard, until a key.
std::string pollkey(double clicknumber)
{
    for (;;) {
        click(clicknumber);
        std::string key = inkey();
        if (!key.empty())
            return key;
    }
}

void clicks(TVariables& v, double clicknumber, double times)
{
    forloop(v.count, 1, times, 1, [&] { click(clicknumber); });
}

void presentitem(TVariables& v)
{
    const TGameTexts& t = gametexts();
    if (v.kind == 2) {
        switch (static_cast<int>(INT(v.item))) {
        case 2: clicks(v, 13, 9); break;
        case 3: clicks(v, 16, 8); break;
        case 4: clicks(v, 8, 4); break;
        case 5: clicks(v, 17, 4); break;
        default: clicks(v, 5, 6); break;
        }
        print(t.pause);
    } else if (v.kind == 3) {
        beep();
        printzone(t.comma);
        printnumber(2, v.item);
        print(t.pause);
    } else {
        tone(500 * v.item, 500, 1);
    }
}

// The new-record melody, after its first note in timbre 0.
constexpr std::array<std::array<double, 2>, 13> recordmelody { {
    { 270, 380 }, { 200, 190 }, { 335, 190 }, { 270, 190 }, { 200, 190 }, { 270, 380 }, { 270, 380 },
    { 300, 190 }, { 335, 190 }, { 300, 190 }, { 255, 190 }, { 270, 380 }, { 270, 380 },
} };

// Steps 1 to 4 of the record check; returns the continuation code of the
// kind's time message.
std::int32_t comparewithrecord(TVariables& v)
{
    const TGameTexts& t = gametexts();
    double* record = &v.record1;
    double* score = &v.score1;
    std::int32_t code = 100880;
    if (v.kind == 2) {
        record = &v.record2;
        score = &v.score2;
        code = 100950;
    } else if (v.kind == 3) {
        record = &v.record3;
        score = &v.score3;
        code = 101020;
    }

    if (*record == 0) {
        *record = *score;
    } else if (*record > *score) {
    } else if (*record == *score) {
        forloop(v.level, 1, 8, 1, [&] { forloop(v.pos, 200, 1400, 100, [&] { tone(v.pos, 15, 3); }); });
        print(t.recordequalled);
    } else {
        tone(200, 380, 0);
        for (const auto& note : recordmelody)
            tone(note[0], note[1], 10);
        printzone(t.newrecord);
        printnumber(0, *record);
        *record = *score;
    }
    return code;
}

void prompt(const TVariables& v)
{
    const TGameTexts& t = gametexts();
    if (v.level == 0) {
        print(t.writenumber);
        if (v.kind == 2)
            print(t.ofsound);
        else if (v.kind != 3)
            print(t.oftone);
    } else if (v.level == 1) {
        print(t.writenumbers);
        if (v.kind == 2)
            print(t.ofsounds);
        else if (v.kind != 3)
            print(t.oftones);
    }
}

}

void runprogram()
{
    const TGameTexts& t = gametexts();
    stacknode* top = nullptr;
    stackinit(top);
    host().reseedrandom();
    TVariables v;
    clearvariables(v);

    // Frees what is left on the stack however the run ends.
    struct TStackGuard {
        stacknode*& top;
        ~TStackGuard() { stackinit(top); }
    } guard { top };

    std::int32_t line = startline;
    auto gosub = [&](std::int32_t target, std::int32_t continuation) {
        stackpush(continuation, top);
        line = target;
    };
    auto doreturn = [&] { stackpop(line, top); };

    for (;;) {
        switch (line) {
        case startline:
            v.hour = val(leftstr(timestr(), 2));
            if (8 < v.hour && v.hour < 18)
                print(t.goodday);
            else if (2 < v.hour && v.hour < 9)
                print(t.goodmorning);
            else
                print(t.goodevening);
            gosub(ladder, 100050);
            break;
        case 100050:
            print(t.title);
            print(t.codesoffer);
            click(19);
            line = askcodes;
            break;
        case askcodes:
            v.key = pollkey(6);
            if (v.key != " ") {
                print(t.codes);
                gosub(jingle, 610);
            } else {
                print(t.wantrules);
                click(19);
                line = askrules;
            }
            break;
        case askrules:
            do
                v.key = pollkey(6);
            while (v.key != "a" && v.key != " ");
            if (v.key == "a") {
                print(t.shortrules);
                gosub(jingle, 680);
            } else {
                line = choosegame;
            }
            break;
        case choosegame:
            print(t.choosegame);
            click(19);
            v.key = pollkey(6);
            if (v.key == "t") {
                v.kind = 1;
                line = gamechosen;
            } else if (v.key == "z") {
                v.kind = 2;
                line = gamechosen;
            } else if (v.key == "c") {
                v.kind = 3;
                line = gamechosen;
            } else {
                gosub(beeps, 100120);
            }
            break;
        case 100120:
            print(t.codesreminder);
            line = choosegame;
            break;
        case gamechosen:
            print(t.chosengame);
            print(v.kind == 1 ? t.chosentones : v.kind == 2 ? t.chosensounds : t.chosennumbers);
            v.games = v.games + 1;
            gosub(jingle, 100150);
            break;
        case 100150:
            v.range = v.kind == 3 ? 9 : 5;
            v.level = 0;
            line = newitem;
            break;
        case newitem:
            v.seq[static_cast<size_t>(v.level)] = INT(rnd(1) * v.range) + 1;
            gosub(rest1, 180);
            break;
        case 180:
            print(v.level == 0 ? t.starting : t.adding);
            gosub(rest2, 200);
            break;
        case 200:
            v.pos = 0;
            v.item = v.seq[static_cast<size_t>(v.pos)];
            gosub(playitem, 100200);
            break;
        case 100200:
            v.pos = v.pos + 1;
            if (v.pos <= v.level) {
                v.item = v.seq[static_cast<size_t>(v.pos)];
                gosub(playitem, 100200);
                break;
            }
            cls();
            if (v.games < 3)
                prompt(v);
            v.pos = 0;
            line = answer;
            break;
        case answer: {
            const std::string highest = v.kind == 3 ? "9" : "5";
            do {
                click(9);
                v.key = inkey();
            } while (!(v.key >= "1" && v.key <= highest));
            v.item = val(v.key);
            gosub(playitem, 320);
            break;
        }
        case 320:
            if (v.seq[static_cast<size_t>(v.pos)] != v.item) {
                print(t.wrong);
                gosub(noise, 360);
            } else if (v.level == 1000) {
                print(t.exhausted);
                line = gameover;
            } else {
                v.pos = v.pos + 1;
                if (v.pos <= v.level) {
                    line = answer;
                } else {
                    cls();
                    print(t.correct);
                    v.level = v.level + 1;
                    line = newitem;
                }
            }
            break;
        case 360:
            print(t.rightanswer);
            gosub(rest1, 370);
            break;
        case 370:
            v.pos = 0;
            v.item = v.seq[static_cast<size_t>(v.pos)];
            gosub(playitem, 100370);
            break;
        case 100370:
            v.pos = v.pos + 1;
            if (v.pos <= v.level) {
                v.item = v.seq[static_cast<size_t>(v.pos)];
                gosub(playitem, 100370);
            } else {
                line = gameover;
            }
            break;
        case gameover:
            v.score1 = v.score2 = v.score3 = v.level;
            gosub(rest1, 100380);
            break;
        case 100380:
            printzone(t.correctcount);
            printnumber(0, v.level);
            gosub(recordcheck, 390);
            break;
        case 390:
            gosub(noise, 100390);
            break;
        case 100390:
            print(t.wanttocontinue);
            click(19);
            do
                v.key = pollkey(6);
            while (v.key != "a" && v.key != "1" && v.key != " ");
            line = v.key == " " ? endline : choosegame;
            break;
        case endline:
            printzone(t.gamecount);
            printnumber(0, v.games);
            forloop(v.count, 1300, 50, -50, [&] { tone(v.count, 60, 8); });
            print(t.goodbye);
            return;
        case 610:
            print(t.codea);
            gosub(beeps, 620);
            break;
        case 620:
            print(t.codespace);
            gosub(beeps, 630);
            break;
        case 630:
            print(t.codec);
            gosub(beeps, 640);
            break;
        case 640:
            print(t.codet);
            gosub(beeps, 650);
            break;
        case 650:
            print(t.codez);
            gosub(beeps, 660);
            break;
        case 660:
            print(t.codesagain);
            click(19);
            line = askcodes;
            break;
        case 680:
            print(t.rules1);
            gosub(beeps, 690);
            break;
        case 690:
            print(t.rules2);
            gosub(beeps, 700);
            break;
        case 700:
            print(t.rules3);
            gosub(beeps, 710);
            break;
        case 710:
            print(t.rules4);
            gosub(ladder, 720);
            break;
        case 720:
            print(t.tonesoverview);
            gosub(rest1, 730);
            break;
        case 730:
            v.level = 1;
            line = toneloop;
            break;
        case toneloop:
            v.kind = 1;
            v.item = v.level;
            printzone(t.tonenumber);
            printnumber(0, v.level);
            gosub(playitem, 750);
            break;
        case 750:
            gosub(rest1, 100750);
            break;
        case 100750:
            v.level = v.level + 1;
            if (v.level <= 5) {
                line = toneloop;
                break;
            }
            print(t.repeattones);
            click(19);
            do
                v.key = pollkey(6);
            while (v.key != "a" && v.key != " ");
            if (v.key == "a") {
                line = 720;
            } else {
                print(t.soundsoverview);
                gosub(rest1, 790);
            }
            break;
        case 790:
            v.level = 1;
            line = soundloop;
            break;
        case soundloop:
            v.kind = 2;
            v.item = v.level;
            printzone(t.soundnumber);
            printnumber(0, v.level);
            gosub(playitem, 810);
            break;
        case 810:
            gosub(rest1, 100810);
            break;
        case 100810:
            v.level = v.level + 1;
            if (v.level <= 5) {
                line = soundloop;
                break;
            }
            print(t.repeatsounds);
            click(19);
            do
                v.key = pollkey(6);
            while (v.key != "a" && v.key != " ");
            if (v.key == "a") {
                print(t.soundsoverview);
                gosub(rest1, 790);
            } else {
                print(t.keyboardadvice);
                gosub(beeps, 850);
            }
            break;
        case 850:
            print(t.rulesagain);
            click(19);
            line = askrules;
            break;
        case 100880:
        case 100950:
        case 101020:
            printzone(t.timeis);
            printtext(leftstr(timestr(), 5), 0);
            doreturn();
            break;

        case jingle:
            tone(200, 140, 0);
            tone(249, 140, 10);
            tone(300, 140, 10);
            tone(150, 140, 10);
            tone(200, 200, 10);
            doreturn();
            break;
        case beeps:
            print(t.pause);
            forloop(v.count, 1, 9, 1, [] { beep(); });
            doreturn();
            break;
        case ladder:
            forloop(v.freq, 500, 2500, 500, [&] { tone(v.freq, 200, 1); });
            doreturn();
            break;
        case rest1:
            tone(0, 1000, 10);
            doreturn();
            break;
        case rest2:
            tone(0, 2000, 10);
            doreturn();
            break;
        case playitem:
            presentitem(v);
            doreturn();
            break;
        case noise:
            forloop(v.count, 1, 9, 1, [&] { tone(INT(rnd(1) * 1000 + 1), 100, v.count); });
            doreturn();
            break;
        case recordcheck:
            gosub(beeps, comparewithrecord(v));
            break;

        default:
            // A code that names no line: the program has ended.
            return;
        }
    }
}
