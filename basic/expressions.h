#pragma once
// Expressions: read from a line's tokens into a tree whose every node knows
// whether it gives a number or a string, so a mismatch is a syntax error
// before the program runs; evaluated against a run's variables through the
// runtime's functions (runtime/functions.h). Comparisons give -1 for true
// and 0 for false; INT truncates toward zero; ^ groups from the left
// (2^3^2 is 64) and binds tighter than a sign (-2^2 is -4); MOD is the
// remainder with the dividend's sign, as * and /. A result that overflows
// or is no number is a fault, never a value.

#include "basic/source.h"
#include "basic/variables.h"
#include "runtime/programtexts.h"

#include <string>
#include <vector>

// A fault of the running program, raised inside a statement; the machine
// names its line.
struct TProgramFault {
    TProgramText what;
    std::string detail = {}; // the function, the text read
};

enum class TOperation {
    number, text, numbervariable, textvariable, numberelement, textelement,
    negate, logicalnot, add, subtract, multiply, divide, power, concatenate,
    equal, notequal, less, greater, lessorequal, greaterorequal, logicaland, logicalor,
    inkey, rnd, time, left, val, peek, integer,
    remainder, length, middle, middlerest, right, character, code, numbertext, position, uppercase, lowercase,
    absolute, sign, squareroot, sine, cosine, arctangent, exponential, logarithm, endoffile,
};

struct TExpression {
    TOperation operation = TOperation::number;
    bool istext = false;
    double number = 0;
    std::string text;
    std::size_t slot = 0; // of a variable or an array
    int depth = 0; // of the tree below
    std::vector<TExpression> operands;
};

// The longest string and the highest array index a program may make.
inline constexpr std::size_t longeststring = 65535;
inline constexpr double highestindex = 65535;

TExpression parseexpression(TTokens& tokens, TVariableNames& names);
// An expression of that type, or the syntax error naming it.
TExpression parsenumber(TTokens& tokens, TVariableNames& names);
TExpression parsetext(TTokens& tokens, TVariableNames& names);
// A variable or an array element, as assignments and FOR name them.
TExpression parsevariable(TTokens& tokens, TVariableNames& names);

double evaluatenumber(const TExpression& expression, TVariables& variables);
std::string evaluatetext(const TExpression& expression, TVariables& variables);

// Where a variable or element expression keeps its value; an array not yet
// dimensioned gets indices 0..10.
double& numbertarget(const TExpression& variable, TVariables& variables);
std::string& texttarget(const TExpression& variable, TVariables& variables);
