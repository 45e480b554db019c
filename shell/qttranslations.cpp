#include "shell/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {

QPointer<QTranslator> loaded;

}

void useqttranslations(int language)
{
    // A translator takes itself out of the application when deleted.
    delete loaded;
    const char* catalogue = language == 1000 ? "qt_cs" : language == 3000 ? "qt_sk" : nullptr;
    if (!catalogue)
        return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(catalogue, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    loaded = translator;
}
