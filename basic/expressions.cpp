#include "basic/expressions.h"

#include "runtime/functions.h"

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

TExpression parseprimary(TTokens& tokens, TVariableNames& names)
{
    const TToken& token = tokens.peek();
    switch (token.kind) {
    case TTokenKind::number: {
        TExpression literal = node(tokens, TOperation::number, false);
        literal.number = tokens.take().number;
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
        default: break;
        }
        break;
    case TTokenKind::end:
        break;
    }
    tokens.expected(programtext(TProgramText::anexpression));
}

TExpression parsepower(TTokens& tokens, TVariableNames& names)
{
    TExpression base = parseprimary(tokens, names);
    if (!tokens.takesign("^"))
        return base;
    requiretype(tokens, base, false);
    TExpression exponent = parseunary(tokens, names);
    requiretype(tokens, exponent, false);
    return node(tokens, TOperation::power, false, { std::move(base), std::move(exponent) });
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
    case TOperation::add: return operand(0) + operand(1);
    case TOperation::subtract: return operand(0) - operand(1);
    case TOperation::multiply: return operand(0) * operand(1);
    case TOperation::divide: {
        double dividend = operand(0);
        double divisor = operand(1);
        if (divisor == 0)
            throw TProgramFault { TProgramText::divisionbyzero };
        return dividend / divisor;
    }
    case TOperation::power: return std::pow(operand(0), operand(1));
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
