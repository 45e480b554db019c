#pragma once
// A program's statements, read from its lines into one flat list in which
// every GOTO, GOSUB, ON and THEN names the position of its target, every IF
// the position of its ELSE part or after its line, every WHILE the position
// after its WEND and every WEND its WHILE, so the machine (machine.h) never
// looks a line up. A jump to a line that does not exist, and a WHILE
// without its WEND, are syntax errors here. The items of every DATA
// statement are gathered in the program's order into one list.

#include "basic/expressions.h"
#include "basic/source.h"
#include "basic/variables.h"

#include <string_view>
#include <vector>

enum class TStatementKind {
    print, assign, sound, beep, click, cls, jump, gosub, returnfromgosub, unless, forloop, next, dim, end,
    onjump, ongosub, whileloop, wend, stop, read, restore, input, inputfile, randomize,
};

struct TPrintItem {
    TExpression expression;
    int separator = 0; // 0 end of statement, 1 ";", 2 ","
};

struct TStatement {
    TStatementKind kind = TStatementKind::end;
    int line = 0;
    // assign: target, value; sound: the values, duration, timbre; click:
    // the number; unless, whileloop: the condition; forloop: variable,
    // first, last, step; next: the variables named; dim: the arrays with
    // their sizes; onjump, ongosub: the choice; read, input, inputfile: the
    // variables.
    std::vector<TExpression> expressions;
    std::vector<TPrintItem> items;
    // jump, gosub, wend: the target; unless: its ELSE part or where its
    // line ends; whileloop: after its WEND; restore: the DATA item.
    std::size_t target = 0;
    std::vector<std::size_t> targets; // onjump, ongosub
    std::string prompt; // input
};

struct TBasicProgram {
    std::vector<TStatement> statements; // ends with an END
    TVariableNames names;
    std::vector<std::string> data; // the DATA items, Windows-1250
};

TBasicProgram parseprogram(const std::vector<TSourceLine>& lines);
// The program in the source text (UTF-8 or Windows-1250); raises its first
// syntax error.
TBasicProgram loadbasic(std::string_view raw);
