#include "ui/fieldaccessible.h"

#include "ui/accessibletext.h"

#include <QAccessibleWidget>
#include <QLineEdit>
#include <QVariant>
#include <algorithm>

namespace {

constexpr const char* fieldproperty = "vorkanaField";

class TFieldAccessible : public QAccessibleWidget, public TAccessibleTextBoundaries {
public:
    explicit TFieldAccessible(QLineEdit* field)
        : QAccessibleWidget(field, QAccessible::EditableText)
    {
    }

    QLineEdit* field() const { return static_cast<QLineEdit*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Value)
            return field()->text();
        return QAccessibleWidget::text(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !field()->isReadOnly();
        state.readOnly = field()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    QString text(int startOffset, int endOffset) const override
    {
        const QString all = field()->text();
        startOffset = std::clamp(startOffset, 0, int(all.size()));
        endOffset = endOffset < 0 ? int(all.size()) : std::clamp(endOffset, startOffset, int(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }

    int characterCount() const override { return int(field()->text().size()); }

    // The field shows its text from its left edge; a scrolled field's
    // rectangles are as if it were not.
    QRect characterRect(int offset) const override
    {
        const QString all = field()->text();
        offset = std::clamp(offset, 0, int(all.size()));
        QFontMetrics metrics = field()->fontMetrics();
        QRect contents = field()->contentsRect();
        int left = contents.left() + metrics.horizontalAdvance(all.left(offset));
        int width = metrics.horizontalAdvance(offset < all.size() ? all.at(offset) : QChar(u' '));
        QRect rect(left, contents.top(), width, contents.height());
        return rect.translated(field()->mapToGlobal(QPoint(0, 0)));
    }

    int offsetAtPoint(const QPoint& point) const override
    {
        return field()->cursorPositionAt(field()->mapFromGlobal(point));
    }

    int cursorPosition() const override { return field()->cursorPosition(); }
    void setCursorPosition(int position) override { field()->setCursorPosition(position); }

    int selectionCount() const override { return field()->hasSelectedText() ? 1 : 0; }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && field()->hasSelectedText()) {
            *startOffset = field()->selectionStart();
            *endOffset = *startOffset + field()->selectedText().size();
        }
    }

    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            field()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            field()->setSelection(startOffset, endOffset - startOffset);
    }

    void scrollToSubstring(int startIndex, int) override { field()->setCursorPosition(startIndex); }

    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = std::max(offset, characterCount());
        return {};
    }
};

QAccessibleInterface* fieldfactory(const QString&, QObject* object)
{
    auto* field = qobject_cast<QLineEdit*>(object);
    if (field && field->property(fieldproperty).toBool())
        return new TFieldAccessible(field);
    return nullptr;
}

}

void makefieldaccessible(QLineEdit* field)
{
    static const bool installed = [] {
        QAccessible::installFactory(fieldfactory);
        return true;
    }();
    (void)installed;
    field->setProperty(fieldproperty, true);
}
