#include "basic/statements.h"

#include "runtime/errors.h"

#include <cmath>
#include <map>

namespace {

// Where jumps go before every line's position is known: the statement and
// the line it names.
struct TPendingJump {
    std::size_t statement;
    int line;
    int targetline;
};

class TProgramReader {
public:
    TBasicProgram read(const std::vector<TSourceLine>& lines);

private:
    void readline(const TSourceLine& line);
    void readstatement(TTokens& tokens);
    TStatement& add(TTokens& tokens, TStatementKind kind);
    void addjump(TTokens& tokens, TStatementKind kind);
    void readprint(TTokens& tokens);
    void readfor(TTokens& tokens);
    void readnext(TTokens& tokens);
    void readdim(TTokens& tokens);
    void readassignment(TTokens& tokens);

    TBasicProgram m_program;
    std::map<int, std::size_t> m_linepositions;
    std::vector<TPendingJump> m_jumps;
    std::vector<std::size_t> m_lineends; // the IFs of the line being read
};

TStatement& TProgramReader::add(TTokens& tokens, TStatementKind kind)
{
    TStatement statement;
    statement.kind = kind;
    statement.line = tokens.line();
    m_program.statements.push_back(std::move(statement));
    return m_program.statements.back();
}

void TProgramReader::addjump(TTokens& tokens, TStatementKind kind)
{
    const TToken& number = tokens.peek();
    if (number.kind != TTokenKind::number || number.number != std::trunc(number.number) || number.number < 0
        || number.number > highestlinenumber)
        tokens.expected(programtext(TProgramText::alinenumber));
    int targetline = static_cast<int>(tokens.take().number);
    add(tokens, kind);
    m_jumps.push_back({ m_program.statements.size() - 1, tokens.line(), targetline });
}

void TProgramReader::readprint(TTokens& tokens)
{
    TStatement& statement = add(tokens, TStatementKind::print);
    while (!tokens.atstatementend()) {
        TPrintItem item { parseexpression(tokens, m_program.names), 0 };
        if (tokens.takesign(";"))
            item.separator = 1;
        else if (tokens.takesign(","))
            item.separator = 2;
        else if (!tokens.atstatementend())
            tokens.expected(programtext(TProgramText::endofstatement));
        statement.items.push_back(std::move(item));
    }
}

void TProgramReader::readfor(TTokens& tokens)
{
    TExpression variable = parsevariable(tokens, m_program.names);
    if (variable.operation != TOperation::numbervariable)
        tokens.expected(programtext(TProgramText::avariable));
    tokens.expectsign("=");
    TExpression first = parsenumber(tokens, m_program.names);
    tokens.expectkeyword(TKeyword::TO);
    TExpression last = parsenumber(tokens, m_program.names);
    TExpression step;
    step.number = 1;
    if (tokens.takekeyword(TKeyword::STEP))
        step = parsenumber(tokens, m_program.names);
    TStatement& statement = add(tokens, TStatementKind::forloop);
    statement.expressions = { std::move(variable), std::move(first), std::move(last), std::move(step) };
}

void TProgramReader::readnext(TTokens& tokens)
{
    std::vector<TExpression> variables;
    while (!tokens.atstatementend()) {
        if (!variables.empty())
            tokens.expectsign(",");
        variables.push_back(parsevariable(tokens, m_program.names));
        if (variables.back().operation != TOperation::numbervariable)
            tokens.expected(programtext(TProgramText::avariable));
    }
    add(tokens, TStatementKind::next).expressions = std::move(variables);
}

void TProgramReader::readdim(TTokens& tokens)
{
    std::vector<TExpression> arrays;
    do {
        arrays.push_back(parsevariable(tokens, m_program.names));
        auto operation = arrays.back().operation;
        if (operation != TOperation::numberelement && operation != TOperation::textelement)
            tokens.expectsign("(");
    } while (tokens.takesign(","));
    add(tokens, TStatementKind::dim).expressions = std::move(arrays);
}

void TProgramReader::readassignment(TTokens& tokens)
{
    TExpression target = parsevariable(tokens, m_program.names);
    tokens.expectsign("=");
    TExpression value = target.istext ? parsetext(tokens, m_program.names) : parsenumber(tokens, m_program.names);
    add(tokens, TStatementKind::assign).expressions = { std::move(target), std::move(value) };
}

void TProgramReader::readstatement(TTokens& tokens)
{
    const TToken& token = tokens.peek();
    if (token.kind == TTokenKind::name) {
        readassignment(tokens);
        return;
    }
    if (token.kind != TTokenKind::keyword)
        tokens.expected(programtext(TProgramText::astatement));
    switch (tokens.take().keyword) {
    case TKeyword::LET: readassignment(tokens); break;
    case TKeyword::PRINT: readprint(tokens); break;
    case TKeyword::SOUND: {
        std::vector<TExpression> arguments;
        do
            arguments.push_back(parsenumber(tokens, m_program.names));
        while (tokens.takesign(","));
        if (arguments.size() < 3)
            tokens.expectsign(",");
        add(tokens, TStatementKind::sound).expressions = std::move(arguments);
        break;
    }
    case TKeyword::BEEP: add(tokens, TStatementKind::beep); break;
    case TKeyword::CLICK: {
        TExpression number = parsenumber(tokens, m_program.names);
        add(tokens, TStatementKind::click).expressions.push_back(std::move(number));
        break;
    }
    case TKeyword::CLS: add(tokens, TStatementKind::cls); break;
    case TKeyword::GOTO: addjump(tokens, TStatementKind::jump); break;
    case TKeyword::GOSUB: addjump(tokens, TStatementKind::gosub); break;
    case TKeyword::RETURN: add(tokens, TStatementKind::returnfromgosub); break;
    case TKeyword::END: add(tokens, TStatementKind::end); break;
    case TKeyword::FOR: readfor(tokens); break;
    case TKeyword::NEXT: readnext(tokens); break;
    case TKeyword::DIM: readdim(tokens); break;
    case TKeyword::IF: {
        TExpression condition = parsenumber(tokens, m_program.names);
        tokens.expectkeyword(TKeyword::THEN);
        add(tokens, TStatementKind::unless).expressions.push_back(std::move(condition));
        m_lineends.push_back(m_program.statements.size() - 1);
        if (tokens.peek().kind == TTokenKind::number)
            addjump(tokens, TStatementKind::jump);
        else
            readstatement(tokens);
        break;
    }
    default:
        tokens.expected(programtext(TProgramText::astatement));
    }
}

void TProgramReader::readline(const TSourceLine& line)
{
    m_linepositions[line.number] = m_program.statements.size();
    TTokens tokens(line);
    while (tokens.peek().kind != TTokenKind::end) {
        if (!tokens.takesign(":")) {
            readstatement(tokens);
            if (!tokens.atstatementend())
                tokens.expected(programtext(TProgramText::endofstatement));
        }
    }
    for (std::size_t statement : m_lineends)
        m_program.statements[statement].target = m_program.statements.size();
    m_lineends.clear();
}

TBasicProgram TProgramReader::read(const std::vector<TSourceLine>& lines)
{
    for (const auto& line : lines)
        readline(line);
    TStatement end;
    end.line = lines.empty() ? 0 : lines.back().number;
    m_program.statements.push_back(std::move(end));
    for (const auto& jump : m_jumps) {
        auto target = m_linepositions.find(jump.targetline);
        if (target == m_linepositions.end())
            throw TVorkanaError(
                programtext(TProgramText::nosuchline, std::to_string(jump.line), std::to_string(jump.targetline)));
        m_program.statements[jump.statement].target = target->second;
    }
    return std::move(m_program);
}

}

TBasicProgram parseprogram(const std::vector<TSourceLine>& lines)
{
    return TProgramReader().read(lines);
}

TBasicProgram loadbasic(std::string_view raw)
{
    return parseprogram(readsource(raw));
}
