#pragma once
// Reading a BASIC program's text: its encoding (UTF-8 or Windows-1250, the
// device's own), its numbered lines in order, and the tokens of each line.
// What the tokens mean is for the statements (statements.h) to say.

#include <string>
#include <string_view>
#include <vector>

enum class TKeyword {
    PRINT, SOUND, BEEP, CLICK, CLS, GOTO, GOSUB, RETURN, IF, THEN, FOR, TO, STEP, NEXT, DIM, END, REM, LET,
    AND, OR, NOT, INKEY, RND, TIME, LEFT, VAL, PEEK, INT,
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

// Line numbers have at most five digits, as on the device.
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
    const TToken& take() { return m_tokens[m_next < m_tokens.size() - 1 ? m_next++ : m_next]; }
    bool issign(std::string_view sign) const;
    bool iskeyword(TKeyword keyword) const;
    // Takes the sign or keyword when it is next.
    bool takesign(std::string_view sign);
    bool takekeyword(TKeyword keyword);
    void expectsign(std::string_view sign);
    void expectkeyword(TKeyword keyword);
    // The line's end or the ":" before its next statement.
    bool atstatementend() const;
    [[noreturn]] void expected(const std::string& what) const;
    [[noreturn]] void toocomplex() const;

private:
    const std::vector<TToken>& m_tokens;
    std::size_t m_next = 0;
    int m_line;
};
