// The environment dialog and the about box, offscreen, driven as a user
// would: a language clicked, then OK or Cancel.
#include "platform/messagebox.h"
#include "runtime/settings.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/environmentdialog.h"
#include "ui/aboutbox.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>

class DialogsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QStringList boxes;

    // Clicks the languages in turn once the dialog is up, then the button.
    void answer(TForm3& dialog, QList<int> clicks, QPushButton* button)
    {
        QTimer::singleShot(0, &dialog, [&dialog, clicks, button] {
            for (int item : clicks)
                dialog.languagebuttons->button(item)->click();
            button->click();
        });
    }

    int storedlanguage() { return TSettingsFile(settingsfilename).readinteger(settings::language); }

private slots:
    void init()
    {
        settingsfilename = QDir(folder.path()).filePath("vorkana.ini").toStdString();
        std::remove(settingsfilename.c_str());
        CurrentLanguage = 1000;
        boxes.clear();
        setmessageboxfunction([this](TMessageKind, const QString& text) { boxes << text; });
    }

    void environment_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("OK without a change") << QList<int> {} << true << 1000 << 1000 << QStringList {};
        QTest::newRow("English") << QList<int> { 1 } << true << 2000 << 2000
                                 << QStringList { "Your changes will be applied after you restart the program." };
        QTest::newRow("there and back") << QList<int> { 2, 0 } << true << 1000 << 1000 << QStringList {};
        QTest::newRow("Cancel restores the language") << QList<int> { 2 } << false << 1000 << 1000 << QStringList {};
    }

    void environment()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(bool, ok);
        QFETCH(int, language);
        QFETCH(int, stored);
        QFETCH(QStringList, messages);
        TForm3 dialog;
        answer(dialog, clicks, ok ? dialog.okbitbtn : dialog.cancelbitbtn);
        dialog.choose();
        QCOMPARE(CurrentLanguage, language);
        QCOMPARE(storedlanguage(), stored);
        QCOMPARE(QFile::exists(QString::fromStdString(settingsfilename)), ok);
        QCOMPARE(boxes, messages);
        QCOMPARE(dialog.windowTitle(), QString::fromStdString(text(10)));
    }

    void environmentpreviewsthechoice()
    {
        TForm3 dialog;
        QCOMPARE(dialog.okbitbtn->text(), QString("&Ok"));
        QString previewtitle;
        QString previewgroup;
        QTimer::singleShot(0, &dialog, [&] {
            dialog.languagebuttons->button(1)->click();
            previewtitle = dialog.windowTitle();
            previewgroup = dialog.languagergroup->title();
            dialog.cancelbitbtn->click();
        });
        dialog.choose();
        QCOMPARE(previewtitle, QString("environment settings"));
        QCOMPARE(previewgroup, QString("&Language"));
        QCOMPARE(dialog.windowTitle(), QString("Nastavení prostředí"));
    }

    void environmentstartsfromthestoredlanguage()
    {
        std::ofstream(settingsfilename) << "[Environment]\nLanguage=3000\n";
        TForm3 dialog;
        QCOMPARE(CurrentLanguage, 3000);
        answer(dialog, {}, dialog.okbitbtn);
        dialog.choose();
        QVERIFY(dialog.languagebuttons->button(2)->isChecked());
        QVERIFY(boxes.isEmpty());
    }

    void aboutbox_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("version");
        QTest::newRow("Slovak") << 3000 << "O programe" << "verzia 1.7";
        QTest::newRow("English") << 2000 << "About" << "version 1.7";
    }

    void aboutbox()
    {
        QFETCH(int, language);
        QFETCH(QString, title);
        QFETCH(QString, version);
        CurrentLanguage = language;
        TAboutbox box;
        CurrentLanguage = 1000;
        QCOMPARE(box.windowTitle(), title);
        QCOMPARE(box.Version->text(), version);
        QCOMPARE(box.ProductName->text(), QString::fromStdString(TResourceLocalizer::GetText(language, 1)));
        QTimer::singleShot(0, &box, [&] { QTest::keyClick(&box, Qt::Key_Return); });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
    }
};

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    DialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "dialogs_test.moc"
