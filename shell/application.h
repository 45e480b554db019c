#pragma once
// The application object. It is the one boundary where an error raised by
// any handler (menu command, key, timer, dialog control, posted engine call)
// ends that handler and is shown in the standard error box; no exception
// ever crosses Qt.

#include <QApplication>

class TVorkanaApplication : public QApplication {
public:
    TVorkanaApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
