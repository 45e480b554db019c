#include "ui/virtualscreen.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "speech/TTSVar.h"
#include "runtime/ResourceLocalizer.h"

bool virtualscreenatedge = false;

namespace {

// The click when a key pushes against an edge it already reached.
constexpr int edgeclick = 16;

}

int TVirtualScreenReader::linecount() const
{
    int count = 0;
    size_t start = 0;
    while (start < m_text.size()) {
        size_t end = m_text.find("\r\n", start);
        ++count;
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    return count;
}

int TVirtualScreenReader::lineof(int offset) const
{
    int line = 0;
    size_t start = 0;
    for (;;) {
        size_t end = m_text.find("\r\n", start);
        if (end == std::string::npos || static_cast<size_t>(offset) <= end)
            return line;
        ++line;
        start = end + 2;
    }
}

int TVirtualScreenReader::columnof(int offset) const
{
    int line = lineof(offset);
    size_t start = 0;
    for (int k = 0; k < line; ++k)
        start = m_text.find("\r\n", start) + 2;
    return offset - static_cast<int>(start) + 1;
}

std::string TVirtualScreenReader::line(int index) const
{
    size_t start = 0;
    for (int k = 0; k < index; ++k) {
        size_t end = m_text.find("\r\n", start);
        if (end == std::string::npos)
            return {};
        start = end + 2;
    }
    if (start >= m_text.size())
        return {};
    size_t end = m_text.find("\r\n", start);
    return m_text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool TVirtualScreenReader::keydown(int virtualkey, int caret)
{
    if (switches.voiceready) {
        speech().stopspeech();
        if (virtualkey == virtualkey::f2) {
            std::string report = ::text(31) + " " + std::to_string(lineof(caret) + 1) + ", " + ::text(32) + " "
                + std::to_string(columnof(caret));
            speech().speakwait(cp1250::fromutf8(report));
        }
    }
    return virtualkey == virtualkey::escape;
}

void TVirtualScreenReader::edgerule(bool atedge)
{
    if (!atedge)
        virtualscreenatedge = false;
    else if (!virtualscreenatedge)
        virtualscreenatedge = true;
    else
        click(edgeclick);
}

void TVirtualScreenReader::keyup(int virtualkey, bool ctrl, int caret)
{
    if (!switches.voiceready)
        return;
    switch (virtualkey) {
    case virtualkey::up:
    case virtualkey::down: {
        int current = lineof(caret);
        edgerule(current == 0 || current >= linecount());
        std::string said = line(current);
        speech().speakwait(said.empty() ? cp1250::fromutf8(::text(29)) : said);
        break;
    }
    case virtualkey::left:
    case virtualkey::right:
    case virtualkey::home:
    case virtualkey::end:
        edgerule(caret == 0 || caret == static_cast<int>(m_text.size()));
        if (m_text.empty())
            break;
        if (!ctrl) {
            speech().speakchar(caret < static_cast<int>(m_text.size()) ? std::string(1, m_text[static_cast<size_t>(caret)])
                                                                       : std::string(1, '\0'));
        } else if (virtualkey == virtualkey::left || virtualkey == virtualkey::right) {
            std::string word = ::wordat(m_text, static_cast<size_t>(caret));
            if (!word.empty())
                speech().speakwait(word);
        }
        break;
    default:
        break;
    }
}
