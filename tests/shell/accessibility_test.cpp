// Every window and control as a screen reader sees it: through Qt's
// accessibility interfaces, which the AT-SPI bridge hands to Orca.
#include "../support/qtenvironment.h"
#include "runtime/cells.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "shell/mainwindow.h"
#include "shell/dataentrydialog.h"
#include "platform/messagebox.h"
#include "runtime/settings.h"
#include "shell/windows.h"
#include "sound/sounddialog.h"
#include "speech/voicedialog.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/environmentdialog.h"
#include "ui/virtualscreenwindow.h"
#include "ui/aboutbox.h"

#include <QAccessible>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

namespace {

QString plain(int index)
{
    return QString::fromStdString(text(index)).remove('&');
}

// The roles a user reaches with the keyboard or reads: each must be named.
bool mustbenamed(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::Slider:
    case QAccessible::List:
    case QAccessible::EditableText:
    case QAccessible::Grouping:
    case QAccessible::Graphic:
    case QAccessible::MenuItem:
    case QAccessible::PopupMenu:
    case QAccessible::Dialog:
    case QAccessible::Window:
        return true;
    default:
        return false;
    }
}

// Every control below the interface that should carry a name and has none.
void collectunnamed(QAccessibleInterface* node, const QString& where, QStringList& unnamed)
{
    for (int index = 0; index < node->childCount(); ++index) {
        QAccessibleInterface* child = node->child(index);
        if (!child)
            continue;
        QString name = child->text(QAccessible::Name);
        QString path = where + "/" + (child->object() ? child->object()->metaObject()->className() : "?");
        if (mustbenamed(child->role()) && (name.trimmed().isEmpty() || name.contains('&')))
            unnamed << path + " '" + name + "'";
        collectunnamed(child, path, unnamed);
    }
}

class AccessibilityTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        startfolder = QDir::currentPath();
        QDir::setCurrent(folder.path());
        settingsfilename = folder.filePath("vorkana.ini").toStdString();
        std::ofstream(settingsfilename) << "[environment]\nlanguage=" << GetParam() << "\n[voice]\nvoiceallowed=1\n";
        std::ofstream("sounds.dat") << "bank";
        for (const char* name : { "czech.ebt", "czech.eky", "english.eky", "slovak.eky" })
            std::filesystem::copy_file(std::string(VORKANA_DATA_DIR) + "/" + name, name);
        setmessageboxfunction([this](TMessageKind, const QString& message) { boxes << message; });
        TForm1::exitprocess = [](int) {};
        windowsholder = std::make_unique<TApplicationWindows>();
        createwindows(*windowsholder, TMainWindowHooks {}, [] {});
    }
    void TearDown() override
    {
        windowsholder.reset();
        setmessageboxfunction(nullptr);
        QDir::setCurrent(startfolder);
    }

    QString name(QObject* object)
    {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(object);
        return node ? node->text(QAccessible::Name) : "(no interface)";
    }

    QTemporaryDir folder;
    QString startfolder;
    QStringList boxes;
    std::unique_ptr<TApplicationWindows> windowsholder;
    TApplicationWindows& windows() { return *windowsholder; }
};

TEST_P(AccessibilityTest, EveryWindowAndControlHasANameInTheInterfaceLanguage)
{
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join("; ").toStdString();
    ASSERT_EQ(CurrentLanguage, GetParam());
    QList<QWidget*> forms { windows().form1.get(), windows().form2.get(), windows().form3.get(), windows().form4.get(),
        windows().form5.get(), windows().form6.get(), windows().aboutbox.get() };
    for (QWidget* form : forms) {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(form);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->text(QAccessible::Name), form->windowTitle()) << form->metaObject()->className();
        EXPECT_FALSE(form->windowTitle().isEmpty()) << form->metaObject()->className();
        QStringList unnamed;
        collectunnamed(node, form->metaObject()->className(), unnamed);
        EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join("\n").toStdString();
    }

    TForm1& main = *windows().form1;
    EXPECT_TRUE(main.windowTitle().endsWith(QString::fromStdString(text(1))));
    EXPECT_EQ(name(main.printmemo), plain(26));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(main.printmemo)->role(), QAccessible::EditableText);
    EXPECT_EQ(name(main.Programmenu), plain(2));
    EXPECT_EQ(name(main.settingsmenu), plain(4));
    EXPECT_EQ(name(main.helpmenu), plain(34));
    EXPECT_EQ(windows().aboutbox->windowTitle(), plain(36));
    EXPECT_EQ(windows().form3->windowTitle(), plain(10));
}

TEST_P(AccessibilityTest, TheAboutBoxTellsWhatItShowsWhenItOpens)
{
    QAccessibleInterface* about = QAccessible::queryAccessibleInterface(windows().aboutbox.get());
    QString description = about->text(QAccessible::Description);
    EXPECT_TRUE(description.contains(plain(1))) << description.toStdString();
    EXPECT_TRUE(description.contains(plain(37) + " 1.7")) << description.toStdString();
}

TEST_P(AccessibilityTest, PrintingLeavesTheScreensCaretWhereItIs)
{
    QPlainTextEdit* memo = windows().form1->printmemo;
    QSignalSpy moves(memo, &QPlainTextEdit::cursorPositionChanged);
    puttext("hello, screen");
    services.host->screenchanged();
    scrcursor.setrow(5);
    scrcursor.setcolumn(0);
    puttext("fifth line");
    services.host->screenchanged();
    EXPECT_TRUE(memo->toPlainText().contains("fifth line"));
    EXPECT_EQ(memo->textCursor().position(), 0);
    EXPECT_EQ(moves.count(), 0);
}

// A screen reader's review finds the lines by where they lie: each below
// the one before, one line a line.
TEST_P(AccessibilityTest, TheScreensLinesLieOneBelowTheOther)
{
    for (QPlainTextEdit* memo : { windows().form1->printmemo, windows().form6->virtualscrmemo }) {
        memo->setPlainText("first\nsecond\nthird");
        QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(memo)->textInterface();
        ASSERT_NE(text, nullptr);
        int start = -1, end = -1;
        EXPECT_EQ(text->textAtOffset(8, QAccessible::LineBoundary, &start, &end), "second\n");
        EXPECT_EQ(start, 6);
        QRect first = text->characterRect(0), second = text->characterRect(6), third = text->characterRect(13);
        EXPECT_GT(second.top(), first.top());
        EXPECT_EQ(third.top() - second.top(), second.top() - first.top());
        EXPECT_EQ(second.left(), first.left());
        EXPECT_EQ(text->offsetAtPoint(second.center()), 6);
    }
}

// Say All moves the caret as it reads; the next one starts where it is.
TEST_P(AccessibilityTest, SayAllLeavesTheScreensCaretWhereItWas)
{
    for (QPlainTextEdit* memo : { windows().form1->printmemo, windows().form6->virtualscrmemo }) {
        memo->setPlainText("first\nsecond\nthird plus");
        QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(memo)->textInterface();
        int before = text->cursorPosition();
        text->setCursorPosition(text->characterCount());
        EXPECT_EQ(text->cursorPosition(), before);
        EXPECT_EQ(memo->textCursor().position(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, AccessibilityTest, ::testing::Values(1000, 2000, 3000));

}
