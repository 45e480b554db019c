#include "platform/messagebox.h"

#include "runtime/ResourceLocalizer.h"

#include <QApplication>
#include <QMessageBox>

namespace {

void showmodalbox(TMessageKind kind, const QString& text)
{
    // The title is what a screen reader says first: the program's name in
    // the interface language, then the message.
    QMessageBox box(kind == TMessageKind::error ? QMessageBox::Critical : QMessageBox::Information,
        QString::fromStdString(::text(1)), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

TMessageBoxFunction& messageboxfunction()
{
    static TMessageBoxFunction function = showmodalbox;
    return function;
}

}

void showmessage(const std::string& text)
{
    messageboxfunction()(TMessageKind::information, QString::fromStdString(text));
}

void showerror(const std::string& message)
{
    messageboxfunction()(TMessageKind::error, QString::fromStdString(message));
}

void setmessageboxfunction(TMessageBoxFunction function)
{
    messageboxfunction() = function ? std::move(function) : TMessageBoxFunction(showmodalbox);
}
