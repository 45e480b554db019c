#include "braille/screenline.h"

#include "runtime/codepage.h"

namespace {

std::string withouttrailingblanks(const std::string& line)
{
    size_t end = line.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

}

TShownLine screenlineshown(const TScreen& screen, const tscrcursor& cursor)
{
    int row = cursor.row();
    std::string line = withouttrailingblanks(screen.line(row));
    if (line.empty() && cursor.column() == 0 && row > 0)
        return { cp1250::toqstring(withouttrailingblanks(screen.line(row - 1))), -1 };
    return { cp1250::toqstring(line), cursor.column() };
}
