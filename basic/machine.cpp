#include "basic/machine.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/errors.h"
#include "runtime/forloop.h"
#include "runtime/functions.h"
#include "runtime/lineinput.h"
#include "runtime/print.h"
#include "runtime/runframe.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/tones.h"

#include <chrono>
#include <cmath>

namespace {

// GOSUBs may nest this deep; deeper is a program that recurses without end.
constexpr std::size_t deepestgosub = 10000;
// The clock is read once per this many statements, so looking at it costs
// the loop almost nothing.
constexpr unsigned statementsperclockcheck = 256;

struct TReturnPoint {
    std::size_t position;
    std::size_t loops; // the FOR loops open at the GOSUB
};

struct TLoop {
    std::size_t slot;
    double last;
    double step;
    std::size_t body;
};

class TMachine {
public:
    explicit TMachine(const TBasicProgram& program)
        : m_statements(program.statements)
        , m_data(program.data)
        , m_variables(program.names)
    {
    }

    void run();
    int line() const { return m_statements[m_position == 0 ? 0 : m_position - 1].line; }

private:
    void execute(const TStatement& statement);
    void gosub(std::size_t target);
    // ON's target for the value, or none when the value names none.
    const std::size_t* choose(const TStatement& statement);
    void assigntext(const TExpression& variable, std::string value);
    // Values read (a DATA item, a typed line, a line of the data file) put
    // into the variables; a number variable takes only a number.
    bool allnumbers(const std::vector<TExpression>& variables, const std::vector<std::string>& values) const;
    void assignvalue(const TExpression& variable, const std::string& value);
    void assignvalues(const std::vector<TExpression>& variables, const std::vector<std::string>& values);
    void read(const TStatement& statement);
    void input(const TStatement& statement);
    void inputfile(const TStatement& statement);
    void print(const TStatement& statement);
    void startloop(const TStatement& statement);
    void next(const TStatement& statement);
    // Whether the loop goes round again; closes it otherwise.
    bool repeat(std::size_t loop);
    void dimension(const TExpression& array);
    template <typename T>
    void dimension(std::vector<T>& elements, std::size_t size);
    void givewindowturnwhendue();

    const std::vector<TStatement>& m_statements;
    const std::vector<std::string>& m_data;
    std::size_t m_nextdata = 0;
    TVariables m_variables;
    std::size_t m_position = 0;
    std::vector<TReturnPoint> m_returns;
    std::vector<TLoop> m_loops;
    unsigned m_untilclockcheck = statementsperclockcheck;
    std::chrono::steady_clock::time_point m_lastturn = std::chrono::steady_clock::now();
};

void TMachine::run()
{
    for (;;) {
        const TStatement& statement = m_statements[m_position++];
        if (statement.kind == TStatementKind::end)
            return;
        execute(statement);
        if (--m_untilclockcheck == 0)
            givewindowturnwhendue();
    }
}

void TMachine::givewindowturnwhendue()
{
    m_untilclockcheck = statementsperclockcheck;
    auto now = std::chrono::steady_clock::now();
    if (now - m_lastturn >= std::chrono::milliseconds(windowturnms)) {
        host().givewindowturn();
        m_lastturn = std::chrono::steady_clock::now();
    }
}

void TMachine::execute(const TStatement& statement)
{
    const auto& expressions = statement.expressions;
    switch (statement.kind) {
    case TStatementKind::print: print(statement); break;
    case TStatementKind::assign:
        if (expressions[0].istext) {
            assigntext(expressions[0], evaluatetext(expressions[1], m_variables));
        } else {
            double value = evaluatenumber(expressions[1], m_variables);
            numbertarget(expressions[0], m_variables) = value;
        }
        break;
    case TStatementKind::sound: {
        std::vector<double> values;
        for (const auto& expression : expressions)
            values.push_back(evaluatenumber(expression, m_variables));
        double timbre = values.back();
        values.pop_back();
        double duration = values.back();
        values.pop_back();
        sound(values, duration, timbre);
        break;
    }
    case TStatementKind::beep: beep(); break;
    case TStatementKind::click: click(evaluatenumber(expressions[0], m_variables)); break;
    case TStatementKind::cls: cls(); break;
    case TStatementKind::jump: m_position = statement.target; break;
    case TStatementKind::gosub: gosub(statement.target); break;
    case TStatementKind::onjump:
        if (const std::size_t* target = choose(statement))
            m_position = *target;
        break;
    case TStatementKind::ongosub:
        if (const std::size_t* target = choose(statement))
            gosub(*target);
        break;
    case TStatementKind::whileloop:
        if (evaluatenumber(expressions[0], m_variables) == 0)
            m_position = statement.target;
        break;
    case TStatementKind::wend: m_position = statement.target; break;
    case TStatementKind::read: read(statement); break;
    case TStatementKind::restore: m_nextdata = statement.target; break;
    case TStatementKind::input: input(statement); break;
    case TStatementKind::inputfile: inputfile(statement); break;
    case TStatementKind::randomize: host().reseedrandom(); break;
    case TStatementKind::returnfromgosub:
        if (m_returns.empty())
            throw TProgramFault { TProgramText::returnwithoutgosub };
        m_position = m_returns.back().position;
        if (m_loops.size() > m_returns.back().loops)
            m_loops.resize(m_returns.back().loops);
        m_returns.pop_back();
        break;
    case TStatementKind::unless:
        if (evaluatenumber(expressions[0], m_variables) == 0)
            m_position = statement.target;
        break;
    case TStatementKind::forloop: startloop(statement); break;
    case TStatementKind::next: next(statement); break;
    case TStatementKind::dim:
        for (const auto& array : expressions)
            dimension(array);
        break;
    case TStatementKind::stop:
        printtext(cp1250::fromutf8(programtext(TProgramText::stopped, std::to_string(statement.line))), 0);
        m_position = m_statements.size() - 1; // the END after the last line
        break;
    case TStatementKind::end: break;
    }
}

void TMachine::gosub(std::size_t target)
{
    if (m_returns.size() >= deepestgosub)
        throw TProgramFault { TProgramText::gosubtoodeep };
    m_returns.push_back({ m_position, m_loops.size() });
    m_position = target;
}

// Values of 1 to the count of lines choose; any other goes on after ON.
const std::size_t* TMachine::choose(const TStatement& statement)
{
    double choice = std::trunc(evaluatenumber(statement.expressions[0], m_variables));
    if (!(choice >= 1 && choice <= static_cast<double>(statement.targets.size())))
        return nullptr;
    return &statement.targets[static_cast<std::size_t>(choice) - 1];
}

void TMachine::assigntext(const TExpression& variable, std::string value)
{
    std::string& target = texttarget(variable, m_variables);
    std::size_t characters = m_variables.textcharacters - target.size() + value.size();
    if (characters > mosttext)
        throw TProgramFault { TProgramText::outofmemory };
    m_variables.textcharacters = characters;
    target = std::move(value);
}

bool TMachine::allnumbers(const std::vector<TExpression>& variables, const std::vector<std::string>& values) const
{
    for (std::size_t k = 0; k < variables.size(); ++k)
        if (!variables[k].istext && !numberin(values[k]))
            return false;
    return true;
}

void TMachine::assignvalue(const TExpression& variable, const std::string& value)
{
    if (variable.istext) {
        assigntext(variable, value);
        return;
    }
    std::optional<double> number = numberin(value);
    if (!number)
        throw TProgramFault { TProgramText::notanumbervalue, cp1250::toutf8(value) };
    numbertarget(variable, m_variables) = *number;
}

void TMachine::assignvalues(const std::vector<TExpression>& variables, const std::vector<std::string>& values)
{
    for (std::size_t k = 0; k < variables.size(); ++k)
        assignvalue(variables[k], values[k]);
}

void TMachine::read(const TStatement& statement)
{
    for (const auto& variable : statement.expressions) {
        if (m_nextdata >= m_data.size())
            throw TProgramFault { TProgramText::outofdata };
        assignvalue(variable, m_data[m_nextdata++]);
    }
}

// One value per variable: the whole line for one, the pieces between
// commas for more (a lone number may then keep its decimal comma).
std::vector<std::string> splitvalues(const std::string& line, std::size_t count)
{
    if (count == 1)
        return { line };
    std::vector<std::string> values;
    for (std::size_t start = 0;;) {
        std::size_t comma = line.find(',', start);
        std::string value = line.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::size_t first = value.find_first_not_of(' ');
        value = first == std::string::npos ? std::string() : value.substr(first, value.find_last_not_of(' ') - first + 1);
        values.push_back(std::move(value));
        if (comma == std::string::npos)
            return values;
        start = comma + 1;
    }
}

void TMachine::input(const TStatement& statement)
{
    const auto& variables = statement.expressions;
    if (!statement.prompt.empty())
        printtext(statement.prompt, 1);
    for (;;) {
        std::string line = lineinput().inputline();
        std::vector<std::string> values = splitvalues(line, variables.size());
        std::string again;
        if (values.size() != variables.size())
            again = programtext(TProgramText::entervalues, std::to_string(variables.size()));
        else if (!allnumbers(variables, values))
            again = programtext(TProgramText::enteranumber);
        if (again.empty()) {
            // The answer stays on the screen after its prompt; it was heard
            // as it was typed.
            runtimecells.separatormode = 0;
            puttext(line);
            assignvalues(variables, values);
            return;
        }
        speech().stopspeech();
        speech().speakwait(cp1250::fromutf8(again));
    }
}

void TMachine::inputfile(const TStatement& statement)
{
    if (!datafileopen())
        throw TProgramFault { TProgramText::nodatafile, datafilepath() };
    std::string line;
    if (!readdataline(line))
        throw TProgramFault { TProgramText::endofdatafile, datafilepath() };
    std::vector<std::string> values = splitvalues(sourcebytes(line), statement.expressions.size());
    if (values.size() < statement.expressions.size())
        throw TProgramFault { TProgramText::toofewvalues };
    values.resize(statement.expressions.size());
    assignvalues(statement.expressions, values);
}

void TMachine::print(const TStatement& statement)
{
    if (statement.items.empty())
        printtext({}, 0);
    for (const auto& item : statement.items) {
        if (item.expression.istext)
            printtext(evaluatetext(item.expression, m_variables), item.separator);
        else
            printnumber(item.separator, evaluatenumber(item.expression, m_variables));
    }
}

void TMachine::startloop(const TStatement& statement)
{
    const auto& expressions = statement.expressions;
    std::size_t slot = expressions[0].slot;
    double first = evaluatenumber(expressions[1], m_variables);
    double last = evaluatenumber(expressions[2], m_variables);
    double step = evaluatenumber(expressions[3], m_variables);
    // A FOR of a variable that already has an open loop (one left by a
    // GOTO) starts it afresh, with the loops opened inside it.
    for (std::size_t loop = 0; loop < m_loops.size(); ++loop)
        if (m_loops[loop].slot == slot) {
            m_loops.resize(loop);
            break;
        }
    m_variables.numbers[slot] = first;
    m_loops.push_back({ slot, last, step, m_position });
}

bool TMachine::repeat(std::size_t loop)
{
    TLoop& open = m_loops[loop];
    double& variable = m_variables.numbers[open.slot];
    variable += open.step;
    if (forcontinues(variable, open.last, open.step)) {
        if (m_loops.size() != loop + 1)
            m_loops.resize(loop + 1);
        m_position = open.body;
        return true;
    }
    m_loops.resize(loop);
    return false;
}

void TMachine::next(const TStatement& statement)
{
    if (statement.expressions.empty()) {
        if (m_loops.empty())
            throw TProgramFault { TProgramText::nextwithoutfor };
        repeat(m_loops.size() - 1);
        return;
    }
    for (const auto& variable : statement.expressions) {
        std::size_t loop = m_loops.size();
        while (loop > 0 && m_loops[loop - 1].slot != variable.slot)
            --loop;
        if (loop == 0)
            throw TProgramFault { TProgramText::nextwithoutfor };
        if (repeat(loop - 1))
            return;
    }
}

void TMachine::dimension(const TExpression& array)
{
    double highest = std::trunc(evaluatenumber(array.operands[0], m_variables));
    if (!(highest >= 0 && highest <= highestindex))
        throw TProgramFault { TProgramText::arraytoolarge };
    auto size = static_cast<std::size_t>(highest) + 1;
    if (array.istext)
        dimension(m_variables.textarrays[array.slot], size);
    else
        dimension(m_variables.numberarrays[array.slot], size);
}

template <typename T>
void TMachine::dimension(std::vector<T>& elements, std::size_t size)
{
    if (!elements.empty())
        throw TProgramFault { TProgramText::arraydimensioned };
    if (m_variables.elements + size > mostelements)
        throw TProgramFault { TProgramText::outofmemory };
    elements.resize(size);
    m_variables.elements += size;
}

}

void runbasic(const TBasicProgram& program)
{
    host().reseedrandom();
    TMachine machine(program);
    try {
        machine.run();
    } catch (const TProgramFault& fault) {
        throw TVorkanaError(programtext(fault.what, std::to_string(machine.line()), fault.detail));
    } catch (const TVorkanaError& error) {
        throw TVorkanaError(programtext(TProgramText::failedinline, std::to_string(machine.line()), error.what()));
    }
}
