#include "shell/application.h"

#include "platform/messagebox.h"

#include <exception>

TVorkanaApplication::TVorkanaApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TVorkanaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showerror(error.what());
    } catch (...) {
        showerror("Unknown error");
    }
    return true;
}
