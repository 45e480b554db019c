#include "shell/application.h"

#include "platform/messagebox.h"
#include "runtime/errors.h"

#include <exception>

TVorkanaApplication::TVorkanaApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TVorkanaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const TToldError& error) {
        showtolderror(error.what());
    } catch (const std::exception& error) {
        showerror(error.what());
    } catch (...) {
        showerror("Unknown error");
    }
    return true;
}
