#include "basic/expressions.h"

#include "runtime/functions.h"
#include "runtime/print.h"
#include "runtime/runframe.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t undimensionedsize = 11;

// Bounds on nesting, so that neither reading nor evaluating a tree can
// exhaust the stack, however the line is written.
constexpr int deepestnesting = 200;
constexpr int deepesttree = 1000;

int nesting = 0;

struct TNestingGuard {
    explicit TNestingGuard(const TTokens& tokens)
    {
        if (++nesting > deepestnesting) {
            --nesting;
            tokens.toocomplex();
        }
    }
    ~TNestingGuard() { --nesting; }
};

TExpression node(const TTokens& tokens, TOperation operation, bool istext, std::vector<TExpression> operands = {})
{
    TExpression expression;
    expression.operation = operation;
    expression.istext = istext;
    for (const auto& operand : operands)
        expression.depth = std::max(expression.depth, operand.depth + 1);
    if (expression.depth > deepesttree)
        tokens.toocomplex();
    expression.operands = std::move(operands);
    return expression;
}

void requiretype(const TTokens& tokens, const TExpression& expression, bool text)
{
    if (expression.istext != text)
        tokens.expected(programtext(text ? TProgramText::astring : TProgramText::anumber));
}

TExpression parseor(TTokens& tokens, TVariableNames& names);

// "(" and the arguments of a function, each of its type, and ")".
std::vector<TExpression> parsearguments(TTokens& tokens, TVariableNames& names, std::initializer_list<bool> textarguments)
{
    std::vector<TExpression> arguments;
    tokens.expectsign("(");
    for (bool text : textarguments) {
        if (!arguments.empty())
            tokens.expectsign(",");
        arguments.push_back(text ? parsetext(tokens, names) : parsenumber(tokens, names));
    }
    tokens.expectsign(")");
    return arguments;
}

TExpression parseunary(TTokens& tokens, TVariableNames& names);

// The functions of one shape: a word, its operation, whether it gives a
// string, and whether each argument is a string.
struct TFunction {
    TKeyword keyword;
    TOperation operation;
    bool text;
    std::initializer_list<bool> arguments;
};

const TFunction functions[] = {
    { TKeyword::LEN, TOperation::length, false, { true } },
    { TKeyword::RIGHT, TOperation::right, true, { true, false } },
    { TKeyword::CHR, TOperation::character, true, { false } },
    { TKeyword::ASC, TOperation::code, false, { true } },
    { TKeyword::STR, TOperation::numbertext, true, { false } },
    { TKeyword::UCASE, TOperation::uppercase, true, { true } },
    { TKeyword::LCASE, TOperation::lowercase, true, { true } },
    { TKeyword::ABS, TOperation::absolute, false, { false } },
    { TKeyword::SGN, TOperation::sign, false, { false } },
    { TKeyword::SQR, TOperation::squareroot, false, { false } },
    { TKeyword::SIN, TOperation::sine, false, { false } },
    { TKeyword::COS, TOperation::cosine, false, { false } },
    { TKeyword::ATN, TOperation::arctangent, false, { false } },
    { TKeyword::EXP, TOperation::exponential, false, { false } },
    { TKeyword::LOG, TOperation::logarithm, false, { false } },
    { TKeyword::ENDOFFILE, TOperation::endoffile, false, { false } },
};

// The functions past those the game uses; the word is next.
TExpression parsefunction(TTokens& tokens, TVariableNames& names)
{
    TKeyword keyword = tokens.peek().keyword;
    if (keyword == TKeyword::MID) {
        // MID$(s, start[, length])
        tokens.take();
        tokens.expectsign("(");
        std::vector<TExpression> arguments;
        arguments.push_back(parsetext(tokens, names));
        tokens.expectsign(",");
        arguments.push_back(parsenumber(tokens, names));
        if (tokens.takesign(","))
            arguments.push_back(parsenumber(tokens, names));
        tokens.expectsign(")");
        bool whole = arguments.size() == 3;
        return node(tokens, whole ? TOperation::middle : TOperation::middlerest, true, std::move(arguments));
    }
    if (keyword == TKeyword::INSTR) {
        // INSTR([start,] s, t): a first argument that is a number is the start.
        tokens.take();
        tokens.expectsign("(");
        std::vector<TExpression> arguments;
        TExpression first = parseexpression(tokens, names);
        if (first.istext) {
            TExpression start = node(tokens, TOperation::number, false);
            start.number = 1;
            arguments.push_back(std::move(start));
        }
        arguments.push_back(std::move(first));
        while (arguments.size() < 3) {
            tokens.expectsign(",");
            arguments.push_back(parsetext(tokens, names));
        }
        tokens.expectsign(")");
        return node(tokens, TOperation::position, false, std::move(arguments));
    }
    for (const TFunction& function : functions)
        if (function.keyword == keyword) {
            tokens.take();
            return node(tokens, function.operation, function.text, parsearguments(tokens, names, function.arguments));
        }
    tokens.expected(programtext(TProgramText::anexpression));
}

TExpression parseprimary(TTokens& tokens, TVariableNames& names)
{
    const TToken& token = tokens.peek();
    switch (token.kind) {
    case TTokenKind::number: {
        TExpression literal = node(tokens, TOperation::number, false);
        literal.number = tokens.take().number;
        if (!std::isfinite(literal.number))
            tokens.refuse(TProgramText::numbertoolarge);
        return literal;
    }
    case TTokenKind::text: {
        TExpression literal = node(tokens, TOperation::text, true);
        literal.text = tokens.take().text;
        return literal;
    }
    case TTokenKind::name:
        return parsevariable(tokens, names);
    case TTokenKind::sign:
        if (tokens.takesign("(")) {
            TExpression inner = parseor(tokens, names);
            tokens.expectsign(")");
            return inner;
        }
        break;
    case TTokenKind::keyword:
        switch (token.keyword) {
        case TKeyword::INKEY: tokens.take(); return node(tokens, TOperation::inkey, true);
        case TKeyword::TIME: tokens.take(); return node(tokens, TOperation::time, true);
        case TKeyword::RND: tokens.take(); return node(tokens, TOperation::rnd, false, parsearguments(tokens, names, { false }));
        case TKeyword::LEFT: tokens.take(); return node(tokens, TOperation::left, true, parsearguments(tokens, names, { true, false }));
        case TKeyword::VAL: tokens.take(); return node(tokens, TOperation::val, false, parsearguments(tokens, names, { true }));
        case TKeyword::PEEK: tokens.take(); return node(tokens, TOperation::peek, false, parsearguments(tokens, names, { false }));
        case TKeyword::INT: tokens.take(); return node(tokens, TOperation::integer, false, parsearguments(tokens, names, { false }));
        default: return parsefunction(tokens, names);
        }
        break;
    case TTokenKind::end:
        break;
    }
    tokens.expected(programtext(TProgramText::anexpression));
}

// An exponent: a value with its own signs, so 2^-1 is a half.
TExpression parseexponent(TTokens& tokens, TVariableNames& names)
{
    TNestingGuard guard(tokens);
    bool negative = false;
    for (;;) {
        if (tokens.takesign("-"))
            negative = !negative;
        else if (!tokens.takesign("+"))
            break;
    }
    TExpression exponent = parseprimary(tokens, names);
    requiretype(tokens, exponent, false);
    if (!negative)
        return exponent;
    return node(tokens, TOperation::negate, false, { std::move(exponent) });
}

// Powers group from the left, as in most BASICs: 2^3^2 is (2^3)^2.
TExpression parsepower(TTokens& tokens, TVariableNames& names)
{
    TExpression base = parseprimary(tokens, names);
    while (tokens.takesign("^")) {
        requiretype(tokens, base, false);
        TExpression exponent = parseexponent(tokens, names);
        base = node(tokens, TOperation::power, false, { std::move(base), std::move(exponent) });
    }
    return base;
}

TExpression parseunary(TTokens& tokens, TVariableNames& names)
{
    TNestingGuard guard(tokens);
    if (tokens.takesign("+")) {
        TExpression operand = parseunary(tokens, names);
        requiretype(tokens, operand, false);
        return operand;
    }
    if (tokens.takesign("-")) {
        TExpression operand = parseunary(tokens, names);
        requiretype(tokens, operand, false);
        return node(tokens, TOperation::negate, false, { std::move(operand) });
    }
    return parsepower(tokens, names);
}

TExpression parseterm(TTokens& tokens, TVariableNames& names)
{
    TExpression left = parseunary(tokens, names);
    for (;;) {
        TOperation operation;
        if (tokens.takesign("*"))
            operation = TOperation::multiply;
        else if (tokens.takesign("/"))
            operation = TOperation::divide;
        else if (tokens.takekeyword(TKeyword::MOD))
            operation = TOperation::remainder;
        else
            return left;
        requiretype(tokens, left, false);
        TExpression right = parseunary(tokens, names);
        requiretype(tokens, right, false);
        left = node(tokens, operation, false, { std::move(left), std::move(right) });
    }
}

TExpression parseadditive(TTokens& tokens, TVariableNames& names)
{
    TExpression left = parseterm(tokens, names);
    for (;;) {
        bool plus = tokens.takesign("+");
        if (!plus && !tokens.takesign("-"))
            return left;
        TExpression right = parseterm(tokens, names);
        requiretype(tokens, right, left.istext);
        if (left.istext && !plus)
            tokens.expected(programtext(TProgramText::anumber));
        TOperation operation = left.istext ? TOperation::concatenate : plus ? TOperation::add : TOperation::subtract;
        bool text = left.istext;
        left = node(tokens, operation, text, { std::move(left), std::move(right) });
    }
}

TExpression parsecomparison(TTokens& tokens, TVariableNames& names)
{
    static const std::pair<const char*, TOperation> relations[] = {
        { "=", TOperation::equal }, { "<>", TOperation::notequal }, { "<", TOperation::less },
        { ">", TOperation::greater }, { "<=", TOperation::lessorequal }, { ">=", TOperation::greaterorequal },
    };
    TExpression left = parseadditive(tokens, names);
    for (;;) {
        const auto* relation = std::begin(relations);
        while (relation != std::end(relations) && !tokens.issign(relation->first))
            ++relation;
        if (relation == std::end(relations))
            return left;
        tokens.take();
        TExpression right = parseadditive(tokens, names);
        requiretype(tokens, right, left.istext);
        left = node(tokens, relation->second, false, { std::move(left), std::move(right) });
    }
}

TExpression parsenot(TTokens& tokens, TVariableNames& names)
{
    TNestingGuard guard(tokens);
    if (!tokens.takekeyword(TKeyword::NOT))
        return parsecomparison(tokens, names);
    TExpression operand = parsenot(tokens, names);
    requiretype(tokens, operand, false);
    return node(tokens, TOperation::logicalnot, false, { std::move(operand) });
}

// Operands joined by AND, or by OR, left to right.
TExpression parselogical(TTokens& tokens, TVariableNames& names, TKeyword keyword, TOperation operation,
    TExpression (*parseoperand)(TTokens&, TVariableNames&))
{
    TExpression left = parseoperand(tokens, names);
    while (tokens.takekeyword(keyword)) {
        requiretype(tokens, left, false);
        TExpression right = parseoperand(tokens, names);
        requiretype(tokens, right, false);
        left = node(tokens, operation, false, { std::move(left), std::move(right) });
    }
    return left;
}

TExpression parseand(TTokens& tokens, TVariableNames& names)
{
    return parselogical(tokens, names, TKeyword::AND, TOperation::logicaland, parsenot);
}

TExpression parseor(TTokens& tokens, TVariableNames& names)
{
    return parselogical(tokens, names, TKeyword::OR, TOperation::logicalor, parseand);
}

double truth(bool value)
{
    return value ? -1 : 0;
}

// A result past the range of a number, or none at all, ends the run here
// rather than printing as INF or NAN later.
double checkedresult(double value)
{
    if (std::isnan(value))
        throw TProgramFault { TProgramText::notanumber };
    if (std::isinf(value))
        throw TProgramFault { TProgramText::numbertoolarge };
    return value;
}

[[noreturn]] void badargument(const char* function)
{
    throw TProgramFault { TProgramText::badargument, function };
}

double sign(double value)
{
    return value > 0 ? 1 : value < 0 ? -1 : 0;
}

template <typename T>
T& element(std::vector<T>& array, double index, std::size_t& elements)
{
    if (array.empty()) {
        if (elements + undimensionedsize > mostelements)
            throw TProgramFault { TProgramText::outofmemory };
        array.resize(undimensionedsize);
        elements += undimensionedsize;
    }
    double position = std::trunc(index);
    if (!(position >= 0 && position < static_cast<double>(array.size())))
        throw TProgramFault { TProgramText::indexoutofrange };
    return array[static_cast<std::size_t>(position)];
}

template <typename T>
bool compare(TOperation operation, const T& left, const T& right)
{
    switch (operation) {
    case TOperation::equal: return left == right;
    case TOperation::notequal: return left != right;
    case TOperation::less: return left < right;
    case TOperation::greater: return left > right;
    case TOperation::lessorequal: return left <= right;
    default: return left >= right;
    }
}

}

TExpression parseexpression(TTokens& tokens, TVariableNames& names)
{
    return parseor(tokens, names);
}

TExpression parsenumber(TTokens& tokens, TVariableNames& names)
{
    TExpression expression = parseor(tokens, names);
    requiretype(tokens, expression, false);
    return expression;
}

TExpression parsetext(TTokens& tokens, TVariableNames& names)
{
    TExpression expression = parseor(tokens, names);
    requiretype(tokens, expression, true);
    return expression;
}

TExpression parsevariable(TTokens& tokens, TVariableNames& names)
{
    if (tokens.peek().kind != TTokenKind::name)
        tokens.expected(programtext(TProgramText::avariable));
    std::string name = tokens.take().text;
    bool text = name.back() == '$';
    if (!tokens.takesign("(")) {
        TExpression variable = node(tokens, text ? TOperation::textvariable : TOperation::numbervariable, text);
        variable.slot = names.slot(text ? TVariableKind::text : TVariableKind::number, name);
        return variable;
    }
    TExpression index = parsenumber(tokens, names);
    tokens.expectsign(")");
    TExpression variable = node(tokens, text ? TOperation::textelement : TOperation::numberelement, text, { std::move(index) });
    variable.slot = names.slot(text ? TVariableKind::textarray : TVariableKind::numberarray, name);
    return variable;
}

double& numbertarget(const TExpression& variable, TVariables& variables)
{
    if (variable.operation == TOperation::numbervariable)
        return variables.numbers[variable.slot];
    return element(variables.numberarrays[variable.slot], evaluatenumber(variable.operands[0], variables),
        variables.elements);
}

std::string& texttarget(const TExpression& variable, TVariables& variables)
{
    if (variable.operation == TOperation::textvariable)
        return variables.texts[variable.slot];
    return element(variables.textarrays[variable.slot], evaluatenumber(variable.operands[0], variables),
        variables.elements);
}

double evaluatenumber(const TExpression& expression, TVariables& variables)
{
    const auto& operands = expression.operands;
    auto operand = [&](std::size_t k) { return evaluatenumber(operands[k], variables); };
    switch (expression.operation) {
    case TOperation::number: return expression.number;
    case TOperation::numbervariable: return variables.numbers[expression.slot];
    case TOperation::numberelement: return numbertarget(expression, variables);
    case TOperation::negate: return -operand(0);
    case TOperation::logicalnot: return truth(operand(0) == 0);
    case TOperation::add: return checkedresult(operand(0) + operand(1));
    case TOperation::subtract: return checkedresult(operand(0) - operand(1));
    case TOperation::multiply: return checkedresult(operand(0) * operand(1));
    case TOperation::divide:
    case TOperation::remainder: {
        double dividend = operand(0);
        double divisor = operand(1);
        if (divisor == 0)
            throw TProgramFault { TProgramText::divisionbyzero };
        return checkedresult(expression.operation == TOperation::divide ? dividend / divisor : std::fmod(dividend, divisor));
    }
    case TOperation::power: return checkedresult(std::pow(operand(0), operand(1)));
    case TOperation::logicaland: {
        bool left = operand(0) != 0;
        return truth(operand(1) != 0 && left);
    }
    case TOperation::logicalor: {
        bool left = operand(0) != 0;
        return truth(operand(1) != 0 || left);
    }
    case TOperation::rnd: return rnd(operand(0));
    case TOperation::val: return val(evaluatetext(operands[0], variables));
    case TOperation::peek: return peek(operand(0));
    case TOperation::integer: return std::trunc(operand(0));
    case TOperation::length: return static_cast<double>(evaluatetext(operands[0], variables).size());
    case TOperation::code: {
        std::string text = evaluatetext(operands[0], variables);
        if (text.empty())
            badargument("ASC");
        return asc(text);
    }
    case TOperation::position:
        return instr(operand(0), evaluatetext(operands[1], variables), evaluatetext(operands[2], variables));
    case TOperation::absolute: return std::fabs(operand(0));
    case TOperation::sign: return sign(operand(0));
    case TOperation::squareroot: {
        double value = operand(0);
        if (value < 0)
            badargument("SQR");
        return std::sqrt(value);
    }
    case TOperation::sine: return checkedresult(std::sin(operand(0)));
    case TOperation::cosine: return checkedresult(std::cos(operand(0)));
    case TOperation::arctangent: return std::atan(operand(0));
    case TOperation::exponential: return checkedresult(std::exp(operand(0)));
    case TOperation::logarithm: {
        double value = operand(0);
        if (!(value > 0))
            badargument("LOG");
        return std::log(value);
    }
    case TOperation::endoffile:
        // The one file a program reads is "data.dta", number 1.
        if (std::trunc(operand(0)) != 1)
            badargument("EOF");
        return truth(datafileended());
    default:
        if (operands[0].istext)
            return truth(compare(expression.operation, evaluatetext(operands[0], variables),
                evaluatetext(operands[1], variables)));
        return truth(compare(expression.operation, operand(0), operand(1)));
    }
}

std::string evaluatetext(const TExpression& expression, TVariables& variables)
{
    switch (expression.operation) {
    case TOperation::text: return expression.text;
    case TOperation::inkey: return inkey();
    case TOperation::time: return timestr();
    case TOperation::left:
        return leftstr(evaluatetext(expression.operands[0], variables), evaluatenumber(expression.operands[1], variables));
    case TOperation::middle:
    case TOperation::middlerest: {
        std::string text = evaluatetext(expression.operands[0], variables);
        double start = evaluatenumber(expression.operands[1], variables);
        if (!(start >= 1))
            badargument("MID$");
        if (expression.operation == TOperation::middlerest)
            return midstr(text, start);
        double length = evaluatenumber(expression.operands[2], variables);
        if (!(length >= 0))
            badargument("MID$");
        return midstr(text, start, length);
    }
    case TOperation::right:
        return rightstr(evaluatetext(expression.operands[0], variables), evaluatenumber(expression.operands[1], variables));
    case TOperation::character: {
        double code = std::trunc(evaluatenumber(expression.operands[0], variables));
        if (!(code >= 0 && code <= 255))
            badargument("CHR$");
        return chrstr(code);
    }
    case TOperation::numbertext: return numtostr(evaluatenumber(expression.operands[0], variables));
    case TOperation::uppercase: return ucasestr(evaluatetext(expression.operands[0], variables));
    case TOperation::lowercase: return lcasestr(evaluatetext(expression.operands[0], variables));
    case TOperation::concatenate: {
        std::string joined = evaluatetext(expression.operands[0], variables);
        joined += evaluatetext(expression.operands[1], variables);
        if (joined.size() > longeststring)
            throw TProgramFault { TProgramText::stringtoolong };
        return joined;
    }
    default: return texttarget(expression, variables);
    }
}
