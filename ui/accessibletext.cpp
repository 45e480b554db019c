#include "ui/accessibletext.h"

#include <algorithm>
#include <vector>

namespace {

bool isword(QChar character)
{
    return character.isLetterOrNumber();
}

bool endssentence(QChar character)
{
    return character == u'.' || character == u'!' || character == u'?';
}

// Where each piece of the text begins, with 0 first and the text's length
// last; the pieces cover the whole text.
std::vector<int> piecestarts(const QString& text, QAccessible::TextBoundaryType type)
{
    const int length = int(text.size());
    std::vector<int> starts { 0 };
    for (int k = 1; k < length; ++k) {
        bool begins = false;
        switch (type) {
        case QAccessible::CharBoundary:
            begins = !text[k].isLowSurrogate();
            break;
        case QAccessible::WordBoundary:
            begins = isword(text[k]) && !isword(text[k - 1]);
            break;
        case QAccessible::SentenceBoundary:
            begins = !text[k].isSpace() && text[k - 1].isSpace() && [&] {
                int before = k - 1;
                while (before > 0 && text[before].isSpace())
                    --before;
                return endssentence(text[before]) || text[k - 1] == u'\n';
            }();
            break;
        case QAccessible::LineBoundary:
        case QAccessible::ParagraphBoundary:
            begins = text[k - 1] == u'\n';
            break;
        case QAccessible::NoBoundary:
            break;
        }
        if (begins)
            starts.push_back(k);
    }
    if (length > 0)
        starts.push_back(length);
    return starts;
}

}

QString TAccessibleTextBoundaries::piece(int offset, QAccessible::TextBoundaryType boundaryType, int which,
    int* startOffset, int* endOffset) const
{
    const QString text = this->text(0, characterCount());
    const int length = int(text.size());
    if (offset == -2)
        offset = cursorPosition();
    *startOffset = *endOffset = -1;
    if (offset < 0 || offset > length)
        return {};
    std::vector<int> starts = piecestarts(text, boundaryType);
    const int pieces = int(starts.size()) - 1;
    // The piece at the offset. At the end of the text stands no character
    // (an empty piece past the last); a word, a line or a sentence there is
    // the last one.
    int at = pieces;
    if (offset < length)
        at = int(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
    else if (boundaryType != QAccessible::CharBoundary && pieces > 0)
        at = pieces - 1;
    const int wanted = at + which;
    if (wanted < 0 || wanted >= pieces) {
        *startOffset = *endOffset = wanted < 0 ? 0 : length;
        return {};
    }
    *startOffset = starts[size_t(wanted)];
    *endOffset = starts[size_t(wanted) + 1];
    return text.mid(*startOffset, *endOffset - *startOffset);
}

QString TAccessibleTextBoundaries::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
    int* startOffset, int* endOffset) const
{
    return piece(offset, boundaryType, -1, startOffset, endOffset);
}

QString TAccessibleTextBoundaries::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
    int* startOffset, int* endOffset) const
{
    return piece(offset, boundaryType, 1, startOffset, endOffset);
}

QString TAccessibleTextBoundaries::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
    int* startOffset, int* endOffset) const
{
    return piece(offset, boundaryType, 0, startOffset, endOffset);
}
