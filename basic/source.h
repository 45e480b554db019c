#pragma once
// Reading a BASIC program's text: its encoding (UTF-8 or Windows-1250, the
// device's own), its numbered lines in order, and the tokens of each line.
// What the tokens mean is for the statements (statements.h) to say.

#include "runtime/programtexts.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

enum class TKeyword {
    PRINT, SOUND, BEEP, CLICK, CLS, GOTO, GOSUB, RETURN, IF, THEN, FOR, TO, STEP, NEXT, DIM, END, REM, LET,
    AND, OR, NOT, INKEY, RND, TIME, LEFT, VAL, PEEK, INT,
    ELSE, ON, WHILE, WEND, STOP, DATA, READ, RESTORE, INPUT, RANDOMIZE, MOD, ENDOFFILE, LEN, MID, RIGHT, CHR, ASC, STR, INSTR,
    UCASE, LCASE, ABS, SGN, SQR, SIN, COS, ATN, EXP, LOG,
};

enum class TTokenKind { number, text, name, keyword, sign, end };

struct TToken {
    TTokenKind kind = TTokenKind::end;
    double number = 0;
    // text: the literal's Windows-1250 bytes; name: upper case, "$" kept;
    // sign: the sign ("<=", "(", ":"...).
    std::string text;
    TKeyword keyword = TKeyword::REM;
};

// Line numbers go from 1 to 99999 (five digits), as on the device.
inline constexpr int lowestlinenumber = 1;
inline constexpr int highestlinenumber = 99999;

struct TSourceLine {
    int number = 0;
    std::vector<TToken> tokens; // ends with an end token
};

// The keyword's spelling, as error messages name it.
std::string keywordname(TKeyword keyword);

// The source as Windows-1250 bytes: UTF-8 when it is well-formed UTF-8
// (a byte order mark is dropped), the bytes themselves otherwise.
std::string sourcebytes(std::string_view raw);

// The program's lines sorted by number. Raises the syntax error, in the
// interface language, of the first line that cannot be read.
std::vector<TSourceLine> readsource(std::string_view raw);

// The file's bytes; raises the "cannot be read" error naming it.
std::string readsourcefile(const std::string& path);

// One line's tokens as the statements read them, one at a time; what was
// expected and not found is raised as that line's syntax error.
class TTokens {
public:
    explicit TTokens(const TSourceLine& line)
        : m_tokens(line.tokens)
        , m_line(line.number)
    {
    }

    int line() const { return m_line; }
    const TToken& peek() const { return m_tokens[m_next]; }
    // The token after the next one (the end token at the line's end).
    const TToken& peeksecond() const { return m_tokens[std::min(m_next + 1, m_tokens.size() - 1)]; }
    const TToken& take() { return m_tokens[m_next < m_tokens.size() - 1 ? m_next++ : m_next]; }
    bool issign(std::string_view sign) const;
    bool iskeyword(TKeyword keyword) const;
    // Takes the sign or keyword when it is next.
    bool takesign(std::string_view sign);
    bool takekeyword(TKeyword keyword);
    void expectsign(std::string_view sign);
    void expectkeyword(TKeyword keyword);
    // The line's end, the ":" before its next statement or the ELSE of an IF.
    bool atstatementend() const;
    [[noreturn]] void expected(const std::string& what) const;
    [[noreturn]] void toocomplex() const;
    // Any other syntax error of the line; detail fills in its %2.
    [[noreturn]] void refuse(TProgramText what, const std::string& detail = {}) const;

private:
    const std::vector<TToken>& m_tokens;
    std::size_t m_next = 0;
    int m_line;
};
