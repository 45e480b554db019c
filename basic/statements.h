#pragma once
// A program's statements, read from its lines into one flat list in which
// every GOTO, GOSUB and THEN names the position of its target and every IF
// the position after its line, so the machine (machine.h) never looks a
// line up. A jump to a line that does not exist is a syntax error here.

#include "basic/expressions.h"
#include "basic/source.h"
#include "basic/variables.h"

#include <string_view>
#include <vector>

enum class TStatementKind {
    print, assign, sound, beep, click, cls, jump, gosub, returnfromgosub, unless, forloop, next, dim, end,
};

struct TPrintItem {
    TExpression expression;
    int separator = 0; // 0 end of statement, 1 ";", 2 ","
};

struct TStatement {
    TStatementKind kind = TStatementKind::end;
    int line = 0;
    // assign: target, value; sound: the values, duration, timbre; click:
    // the number; unless: the condition; forloop: variable, first, last,
    // step; next: the variables named; dim: the arrays with their sizes.
    std::vector<TExpression> expressions;
    std::vector<TPrintItem> items;
    // jump, gosub: the target; unless: where its line ends.
    std::size_t target = 0;
};

struct TBasicProgram {
    std::vector<TStatement> statements; // ends with an END
    TVariableNames names;
};

TBasicProgram parseprogram(const std::vector<TSourceLine>& lines);
// The program in the source text (UTF-8 or Windows-1250); raises its first
// syntax error.
TBasicProgram loadbasic(std::string_view raw);
