#include "shell/controlline.h"

#include "runtime/ResourceLocalizer.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

namespace {

struct TRoleWords {
    QAccessible::Role role;
    const char* cs;
    const char* en;
    const char* sk;
};

// The kinds our dialogs and menus have; a kind missing here is named by
// its name and value alone.
constexpr TRoleWords rolewords[] = {
    { QAccessible::PushButton, "tlačítko", "push button", "tlačidlo" },
    { QAccessible::CheckBox, "zaškrtávací pole", "check box", "začiarkavacie políčko" },
    { QAccessible::RadioButton, "přepínač", "radio button", "prepínač" },
    { QAccessible::ComboBox, "rozbalovací seznam", "combo box", "rozbaľovací zoznam" },
    { QAccessible::List, "seznam", "list", "zoznam" },
    { QAccessible::ListItem, "položka seznamu", "list item", "položka zoznamu" },
    { QAccessible::EditableText, "textové pole", "text", "textové pole" },
    { QAccessible::SpinBox, "číselník", "spin button", "číselník" },
    { QAccessible::Slider, "posuvník", "slider", "posúvač" },
    { QAccessible::PageTab, "karta", "page tab", "karta" },
    { QAccessible::MenuItem, "položka nabídky", "menu item", "položka ponuky" },
    { QAccessible::PopupMenu, "nabídka", "menu", "ponuka" },
};

QString roleword(QAccessible::Role role)
{
    for (const TRoleWords& words : rolewords)
        if (words.role == role)
            return QString::fromUtf8(CurrentLanguage == 2000 ? words.en : CurrentLanguage == 3000 ? words.sk : words.cs);
    return {};
}

// A screen reader's Braille marks: a check box's state, a radio button's.
QString mark(QAccessible::Role role, QAccessible::State state)
{
    if (role == QAccessible::RadioButton)
        return state.checked ? "&=y" : "& y";
    if (!state.checkable && role != QAccessible::CheckBox)
        return {};
    if (state.checkStateMixed)
        return "<->";
    return state.checked ? "<x>" : "< >";
}

QString joined(const QStringList& parts)
{
    QStringList kept;
    for (const QString& part : parts)
        if (!part.trimmed().isEmpty())
            kept << part.trimmed();
    return kept.join(' ');
}

QString menuitemline(const QAction* action)
{
    if (!action)
        return {};
    QAccessible::State state;
    state.checkable = action->isCheckable();
    state.checked = action->isChecked();
    QString name = QString(action->text()).remove('&');
    QAccessible::Role role = action->menu() ? QAccessible::PopupMenu : QAccessible::MenuItem;
    return joined({ mark(role, state), name, action->shortcut().toString(QKeySequence::NativeText), roleword(role) });
}

QString controlline(QAccessibleInterface* control)
{
    if (!control || !control->isValid())
        return {};
    QAccessible::Role role = control->role();
    QAccessible::State state = control->state();
    QString value = control->text(QAccessible::Value);
    // A list or a combo box tells its value by the item with the focus.
    if (QAccessibleInterface* item = control->focusChild(); item && item != control && value.isEmpty())
        value = item->text(QAccessible::Name);
    if (role == QAccessible::CheckBox || role == QAccessible::RadioButton)
        value.clear();
    return joined({ mark(role, state), control->text(QAccessible::Name), value, roleword(role) });
}

}

QString focusedcontrolline()
{
    // A menu just opened may have nothing highlighted yet: it is named.
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
        return menuitemline(menu->activeAction() ? menu->activeAction() : menu->menuAction());
    QWidget* focus = QApplication::focusWidget();
    if (auto* bar = qobject_cast<QMenuBar*>(focus))
        return menuitemline(bar->activeAction());
    if (!focus)
        return {};
    return controlline(QAccessible::queryAccessibleInterface(focus));
}
