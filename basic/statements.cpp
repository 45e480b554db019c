#include "basic/statements.h"

#include "runtime/errors.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Where jumps go before every line's position is known: the statement, the
// line it names, and which of an ON's targets it is (none: the target; for
// RESTORE the DATA item).
struct TPendingJump {
    std::size_t statement;
    int line;
    int targetline;
    std::size_t choice = nochoice;
    static constexpr std::size_t nochoice = std::size_t(-1);
};

// An IF of the line being read, and whether its ELSE part has begun.
struct TOpenIf {
    std::size_t statement;
    bool haselse = false;
};

class TProgramReader {
public:
    TBasicProgram read(const std::vector<TSourceLine>& lines);

private:
    void readline(const TSourceLine& line);
    void readstatement(TTokens& tokens);
    TStatement& add(TTokens& tokens, TStatementKind kind);
    void addjump(TTokens& tokens, TStatementKind kind);
    int readlinenumber(TTokens& tokens);
    void readif(TTokens& tokens);
    void readelse(TTokens& tokens);
    void readon(TTokens& tokens);
    void readwhile(TTokens& tokens);
    void readwend(TTokens& tokens);
    void readdata(TTokens& tokens);
    void readrestore(TTokens& tokens);
    void readinput(TTokens& tokens);
    std::vector<TExpression> readvariables(TTokens& tokens);
    void readprint(TTokens& tokens);
    void readfor(TTokens& tokens);
    void readnext(TTokens& tokens);
    void readdim(TTokens& tokens);
    void readassignment(TTokens& tokens);

    TBasicProgram m_program;
    std::map<int, std::size_t> m_linepositions;
    std::map<int, std::size_t> m_datapositions; // the first DATA item at or after the line
    std::vector<TPendingJump> m_jumps;
    std::vector<TOpenIf> m_ifs; // of the line being read
    std::vector<std::size_t> m_elsejumps; // of the line being read, to its end
    std::vector<std::size_t> m_whiles; // not yet closed by a WEND
};

TStatement& TProgramReader::add(TTokens& tokens, TStatementKind kind)
{
    TStatement statement;
    statement.kind = kind;
    statement.line = tokens.line();
    m_program.statements.push_back(std::move(statement));
    return m_program.statements.back();
}

int TProgramReader::readlinenumber(TTokens& tokens)
{
    const TToken& number = tokens.peek();
    if (number.kind != TTokenKind::number || number.number != std::trunc(number.number) || number.number < 0
        || number.number > highestlinenumber)
        tokens.expected(programtext(TProgramText::alinenumber));
    return static_cast<int>(tokens.take().number);
}

void TProgramReader::addjump(TTokens& tokens, TStatementKind kind)
{
    int targetline = readlinenumber(tokens);
    add(tokens, kind);
    m_jumps.push_back({ m_program.statements.size() - 1, tokens.line(), targetline });
}

void TProgramReader::readif(TTokens& tokens)
{
    TExpression condition = parsenumber(tokens, m_program.names);
    tokens.expectkeyword(TKeyword::THEN);
    add(tokens, TStatementKind::unless).expressions.push_back(std::move(condition));
    m_ifs.push_back({ m_program.statements.size() - 1 });
    if (tokens.peek().kind == TTokenKind::number)
        addjump(tokens, TStatementKind::jump);
    else if (!tokens.iskeyword(TKeyword::ELSE))
        readstatement(tokens);
}

// ELSE belongs to the nearest IF of the line that has none yet: its THEN
// part ends with a jump to the line's end, and the IF goes here when false.
void TProgramReader::readelse(TTokens& tokens)
{
    auto open = std::find_if(m_ifs.rbegin(), m_ifs.rend(), [](const TOpenIf& open) { return !open.haselse; });
    if (open == m_ifs.rend())
        tokens.refuse(TProgramText::elsewithoutif);
    add(tokens, TStatementKind::jump);
    m_elsejumps.push_back(m_program.statements.size() - 1);
    open->haselse = true;
    m_program.statements[open->statement].target = m_program.statements.size();
    if (tokens.peek().kind == TTokenKind::number)
        addjump(tokens, TStatementKind::jump);
    else
        readstatement(tokens);
}

void TProgramReader::readon(TTokens& tokens)
{
    TExpression choice = parsenumber(tokens, m_program.names);
    TStatementKind kind = TStatementKind::onjump;
    if (tokens.takekeyword(TKeyword::GOSUB))
        kind = TStatementKind::ongosub;
    else
        tokens.expectkeyword(TKeyword::GOTO);
    std::vector<int> lines;
    do
        lines.push_back(readlinenumber(tokens));
    while (tokens.takesign(","));
    TStatement& statement = add(tokens, kind);
    statement.expressions.push_back(std::move(choice));
    statement.targets.resize(lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k)
        m_jumps.push_back({ m_program.statements.size() - 1, tokens.line(), lines[k], k });
}

void TProgramReader::readwhile(TTokens& tokens)
{
    TExpression condition = parsenumber(tokens, m_program.names);
    add(tokens, TStatementKind::whileloop).expressions.push_back(std::move(condition));
    m_whiles.push_back(m_program.statements.size() - 1);
}

void TProgramReader::readwend(TTokens& tokens)
{
    if (m_whiles.empty())
        tokens.refuse(TProgramText::wendwithoutwhile);
    std::size_t loop = m_whiles.back();
    m_whiles.pop_back();
    add(tokens, TStatementKind::wend).target = loop;
    m_program.statements[loop].target = m_program.statements.size();
}

void TProgramReader::readdata(TTokens& tokens)
{
    for (;;) {
        if (tokens.peek().kind != TTokenKind::text)
            tokens.expected(programtext(TProgramText::astring));
        m_program.data.push_back(tokens.take().text);
        if (!tokens.takesign(","))
            return;
    }
}

void TProgramReader::readrestore(TTokens& tokens)
{
    add(tokens, TStatementKind::restore);
    if (tokens.peek().kind == TTokenKind::number)
        m_jumps.push_back({ m_program.statements.size() - 1, tokens.line(), readlinenumber(tokens), 0 });
}

std::vector<TExpression> TProgramReader::readvariables(TTokens& tokens)
{
    std::vector<TExpression> variables;
    do
        variables.push_back(parsevariable(tokens, m_program.names));
    while (tokens.takesign(","));
    return variables;
}

// INPUT ["prompt" (; or ,)] variables, or INPUT #1, variables.
void TProgramReader::readinput(TTokens& tokens)
{
    if (tokens.takesign("#")) {
        if (tokens.peek().kind != TTokenKind::number || tokens.peek().number != 1)
            tokens.expected("1");
        tokens.take();
        tokens.expectsign(",");
        std::vector<TExpression> variables = readvariables(tokens);
        add(tokens, TStatementKind::inputfile).expressions = std::move(variables);
        return;
    }
    std::string prompt;
    if (tokens.peek().kind == TTokenKind::text) {
        prompt = tokens.take().text;
        if (!tokens.takesign(";"))
            tokens.expectsign(",");
    }
    std::vector<TExpression> variables = readvariables(tokens);
    TStatement& statement = add(tokens, TStatementKind::input);
    statement.expressions = std::move(variables);
    statement.prompt = std::move(prompt);
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
        // A name that is not being given a value is a word this BASIC
        // does not know, and is named so.
        const TToken& second = tokens.peeksecond();
        if (second.kind == TTokenKind::sign && (second.text == "=" || second.text == "("))
            readassignment(tokens);
        else
            tokens.refuse(TProgramText::unknownstatement, token.text);
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
    case TKeyword::IF: readif(tokens); break;
    case TKeyword::ELSE: readelse(tokens); break;
    case TKeyword::ON: readon(tokens); break;
    case TKeyword::WHILE: readwhile(tokens); break;
    case TKeyword::WEND: readwend(tokens); break;
    case TKeyword::STOP: add(tokens, TStatementKind::stop); break;
    case TKeyword::DATA: readdata(tokens); break;
    case TKeyword::READ: {
        std::vector<TExpression> variables = readvariables(tokens);
        add(tokens, TStatementKind::read).expressions = std::move(variables);
        break;
    }
    case TKeyword::RESTORE: readrestore(tokens); break;
    case TKeyword::INPUT: readinput(tokens); break;
    case TKeyword::RANDOMIZE: add(tokens, TStatementKind::randomize); break;
    default:
        tokens.expected(programtext(TProgramText::astatement));
    }
}

void TProgramReader::readline(const TSourceLine& line)
{
    m_linepositions[line.number] = m_program.statements.size();
    m_datapositions[line.number] = m_program.data.size();
    TTokens tokens(line);
    while (tokens.peek().kind != TTokenKind::end) {
        if (!tokens.takesign(":")) {
            readstatement(tokens);
            if (!tokens.atstatementend())
                tokens.expected(programtext(TProgramText::endofstatement));
        }
    }
    for (const TOpenIf& open : m_ifs)
        if (!open.haselse)
            m_program.statements[open.statement].target = m_program.statements.size();
    for (std::size_t jump : m_elsejumps)
        m_program.statements[jump].target = m_program.statements.size();
    m_ifs.clear();
    m_elsejumps.clear();
}

TBasicProgram TProgramReader::read(const std::vector<TSourceLine>& lines)
{
    for (const auto& line : lines)
        readline(line);
    TStatement end;
    end.line = lines.empty() ? 0 : lines.back().number;
    m_program.statements.push_back(std::move(end));
    if (!m_whiles.empty())
        throw TVorkanaError(
            programtext(TProgramText::whilewithoutwend, std::to_string(m_program.statements[m_whiles.back()].line)));
    for (const auto& jump : m_jumps) {
        auto target = m_linepositions.find(jump.targetline);
        if (target == m_linepositions.end())
            throw TVorkanaError(
                programtext(TProgramText::nosuchline, std::to_string(jump.line), std::to_string(jump.targetline)));
        TStatement& statement = m_program.statements[jump.statement];
        if (statement.kind == TStatementKind::restore)
            statement.target = m_datapositions[jump.targetline];
        else if (jump.choice == TPendingJump::nochoice)
            statement.target = target->second;
        else
            statement.targets[jump.choice] = target->second;
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
