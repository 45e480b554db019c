#include "runtime/screen.h"

#include "runtime/cells.h"
#include "runtime/services.h"

#include <algorithm>

TScreen screen;
tscrcursor scrcursor;

std::string TScreen::text() const
{
    std::string out;
    for (const auto& line : m_lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

void TScreen::clear()
{
    for (auto& line : m_lines)
        line.clear();
}

void TScreen::overwrite(int row, int column, const std::string& piece)
{
    auto& line = m_lines[static_cast<size_t>(row)];
    if (line.size() < columns)
        line.resize(columns, ' ');
    auto start = static_cast<size_t>(column);
    if (line.size() < start + piece.size())
        line.resize(start + piece.size(), ' ');
    std::copy(piece.begin(), piece.end(), line.begin() + static_cast<std::ptrdiff_t>(start));
}

void TScreen::scrollup()
{
    std::rotate(m_lines.begin(), m_lines.begin() + 1, m_lines.end());
    m_lines.back().clear();
}

namespace {

void linebreak(int& column, int& row)
{
    ++row;
    column = 0;
    if (row > TScreen::rows - 1) {
        row = TScreen::rows - 1;
        screen.scrollup();
    }
}

}

void cls()
{
    if (!switches.voiceallowed)
        return;
    screen.clear();
    scrcursor.setcolumn(0);
    scrcursor.setrow(0);
    host().screenchanged();
}

void puttext(const std::string& text)
{
    int column = scrcursor.column();
    int row = scrcursor.row();
    std::string rest = text;

    if (rest.size() + static_cast<size_t>(column) > TScreen::columns) {
        do {
            auto piecelength = static_cast<size_t>(TScreen::columns - column);
            screen.overwrite(row, column, rest.substr(0, piecelength));
            rest.erase(0, piecelength);
            linebreak(column, row);
        } while (rest.size() > TScreen::columns);
    }
    screen.overwrite(row, column, rest);
    column += static_cast<int>(rest.size());

    switch (runtimecells.separatormode) {
    case 0:
        linebreak(column, row);
        break;
    case 2:
        if (column >= 73) {
            linebreak(column, row);
        } else {
            int k = column % 8;
            if (k == 1)
                column += 1;
            else if (k != 0)
                column += 8 - k;
        }
        break;
    default:
        break;
    }
    scrcursor.setcolumn(static_cast<std::uint8_t>(column));
    scrcursor.setrow(static_cast<std::uint8_t>(row));
    host().screenchanged();
}
