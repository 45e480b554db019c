#include "shell/Unit1.h"

#include "program/vorkanaprog.h"
#include "runtime/codepage.h"
#include "runtime/runframe.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "ui/ResourceLocalizer.h"
#include "shell/settings.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>

namespace {

QString caption(int index)
{
    return QString::fromStdString(text(index));
}

}

TForm1::TForm1()
{
    printmemo = new QPlainTextEdit(this);
    printmemo->setReadOnly(true);
    printmemo->setAccessibleName(QStringLiteral("Screen"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(14);
    printmemo->setFont(font);
    printmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    setCentralWidget(printmemo);

    QMenu* programmenu = menuBar()->addMenu(QString());
    Startsubmenu = programmenu->addAction(QString(), QKeySequence(QStringLiteral("Ctrl+S")), this, &TForm1::StartsubmenuClick);
    exitsubmenu = programmenu->addAction(QString(), this, &QWidget::close);
    programmenu->setTitle(caption(2));

    Timer.setSingleShot(false);
    connect(&Timer, &QTimer::timeout, this, [] { tonetimerexpired(); });

    m_host = std::make_unique<TQtHost>(Timer, [this] { refreshscreen(); });
    services.host = m_host.get();
    FormCreate();
}

TForm1::~TForm1()
{
    resetservices();
}

void TForm1::FormCreate()
{
    readlanguage(settingsfilename);
    setWindowTitle(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + " - " + caption(1));
    Startsubmenu->setText(caption(3));
    exitsubmenu->setText(caption(33));
    ::screen.clear();
    refreshscreen();
    resize(1000, 640);
}

void TForm1::StartsubmenuClick()
{
    Startsubmenu->setEnabled(false);
    QTimer::singleShot(0, this, &TForm1::runprogramnow);
}

void TForm1::runprogramnow()
{
    struct TMenuRestorer {
        TForm1* form;
        ~TMenuRestorer() { form->Startsubmenu->setEnabled(true); }
    } restorer { this };
    runstart(runprogram);
}

void TForm1::refreshscreen()
{
    QStringList lines;
    for (int row = 0; row < TScreen::rows; ++row)
        lines << cp1250::toqstring(::screen.line(row));
    printmemo->setPlainText(lines.join('\n'));
}
