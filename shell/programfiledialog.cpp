#include "shell/programfiledialog.h"

#include "platform/screenreader.h"
#include "runtime/codepage.h"
#include "runtime/ResourceLocalizer.h"
#include "runtime/programtexts.h"
#include "runtime/services.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString lastfolder;

// Queued, never waited for, and left to a screen reader that listens.
void announce(const QString& text)
{
    if (text.isEmpty() || screenreaderlistening())
        return;
    speech().stopspeech();
    speech().speak(cp1250::fromqstring(text));
}

}

std::string askprogramfile(QWidget* parent)
{
    QString title = QString::fromStdString(programtext(TProgramText::opentitle));
    QFileDialog dialog(parent, title, lastfolder.isEmpty() ? QDir::currentPath() : lastfolder,
        QString::fromStdString(programtext(TProgramText::openfilter)));
    dialog.setObjectName("programfiledialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAccessibleName(title);
    // Qt's Slovak catalogue leaves this button English; ours has it.
    dialog.setLabelText(QFileDialog::Reject, QString::fromStdString(text(8)));
    QObject::connect(&dialog, &QFileDialog::currentChanged,
        [](const QString& path) { announce(QFileInfo(path).fileName()); });
    QObject::connect(&dialog, &QFileDialog::directoryEntered,
        [](const QString& folder) { announce(QDir(folder).dirName()); });
    announce(title);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString chosen = dialog.selectedFiles().constFirst();
    lastfolder = QFileInfo(chosen).absolutePath();
    return chosen.toStdString();
}
