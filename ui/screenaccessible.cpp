#include "ui/screenaccessible.h"

#include "ui/accessibletext.h"

#include <QAccessibleWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVariant>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <private/qguiapplication_p.h>

namespace {

constexpr const char* screenproperty = "vorkanaScreen";
constexpr const char* reviewproperty = "vorkanaReviewCaret";

class TScreenAccessible : public QAccessibleWidget, public TAccessibleTextBoundaries {
public:
    explicit TScreenAccessible(QPlainTextEdit* screen)
        : QAccessibleWidget(screen, QAccessible::EditableText)
    {
    }

    QPlainTextEdit* screen() const { return static_cast<QPlainTextEdit*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = screen()->isReadOnly();
        state.editable = !screen()->isReadOnly();
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    // The plain text, lines parted by line feeds.
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = screen()->toPlainText();
        startOffset = std::clamp(startOffset, 0, int(all.size()));
        endOffset = endOffset < 0 ? int(all.size()) : std::clamp(endOffset, startOffset, int(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    using QAccessibleWidget::text;

    int characterCount() const override { return screen()->document()->characterCount() - 1; }

    QRect characterRect(int offset) const override
    {
        QTextCursor cursor(screen()->document());
        cursor.setPosition(std::clamp(offset, 0, characterCount()));
        QRect caret = screen()->cursorRect(cursor);
        // A line's end is as wide as a blank.
        QChar character = screen()->document()->characterAt(offset);
        int width = screen()->fontMetrics().horizontalAdvance(character.isPrint() ? character : QChar(u' '));
        QRect rect(caret.left(), caret.top(), width, caret.height());
        return rect.translated(screen()->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    int offsetAtPoint(const QPoint& point) const override
    {
        return screen()->cursorForPosition(screen()->viewport()->mapFromGlobal(point)).position();
    }

    int cursorPosition() const override { return screen()->textCursor().position(); }

    // The caret stays where the program keeps it. A screen reader's Say All
    // walks it along as it reads and leaves it at the screen's end, from
    // where the next Say All had only the last word to read; it starts at
    // the caret, so it reads the whole screen each time.
    void setCursorPosition(int) override { }

    int selectionCount() const override { return screen()->textCursor().hasSelection() ? 1 : 0; }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        QTextCursor cursor = screen()->textCursor();
        if (selectionIndex == 0 && cursor.hasSelection()) {
            *startOffset = cursor.selectionStart();
            *endOffset = cursor.selectionEnd();
        }
    }

    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }

    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = screen()->textCursor();
        cursor.clearSelection();
        screen()->setTextCursor(cursor);
    }

    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = screen()->textCursor();
        cursor.setPosition(std::clamp(startOffset, 0, characterCount()));
        cursor.setPosition(std::clamp(endOffset, 0, characterCount()), QTextCursor::KeepAnchor);
        screen()->setTextCursor(cursor);
    }

    // Every line is shown whole.
    void scrollToSubstring(int, int) override { }

    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = std::max(offset, characterCount());
        return {};
    }
};

QAccessibleInterface* screenfactory(const QString&, QObject* object)
{
    auto* screen = qobject_cast<QPlainTextEdit*>(object);
    if (screen && screen->property(screenproperty).toBool())
        return new TScreenAccessible(screen);
    return nullptr;
}

// Everything goes on to the platform's bridge but the review caret's moves.
void passupdate(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::TextCaretMoved || event->type() == QAccessible::TextSelectionChanged) {
        QObject* object = event->object();
        if (object && object->property(reviewproperty).toBool())
            return;
    }
    if (QPlatformAccessibility* bridge = QGuiApplicationPrivate::platformIntegration()->accessibility())
        bridge->notifyAccessibilityUpdate(event);
}

}

void makescreenaccessible(QPlainTextEdit* screen, bool reviewcaret)
{
    static const bool installed = [] {
        QAccessible::installFactory(screenfactory);
        QAccessible::installUpdateHandler(passupdate);
        return true;
    }();
    (void)installed;
    screen->setProperty(screenproperty, true);
    screen->setProperty(reviewproperty, reviewcaret);
}
