#include "platform/messagebox.h"

#include "platform/screenreader.h"
#include "runtime/ResourceLocalizer.h"
#include "runtime/notices.h"

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

// A box alone is silent to a user without a screen reader: its text is
// also told, so it is spoken and shown on the status line and the Braille
// display, and stays there after the box is closed. A screen reader reads
// the box as it opens; our voice would say it over it.
void showmessage(const std::string& text)
{
    tell(text, screenreaderlistening());
    messageboxfunction()(TMessageKind::information, QString::fromStdString(text));
}

void showerror(const std::string& message)
{
    tell(message, screenreaderlistening());
    messageboxfunction()(TMessageKind::error, QString::fromStdString(message));
}

void showtolderror(const std::string& message)
{
    messageboxfunction()(TMessageKind::error, QString::fromStdString(message));
}

void setmessageboxfunction(TMessageBoxFunction function)
{
    messageboxfunction() = function ? std::move(function) : TMessageBoxFunction(showmodalbox);
}
