#pragma once
// Every message box of the system goes through here: the standard error
// box that reports an error at the edge of a handler, and the boxes with a
// localised message. Tests put their own function in place, so that no
// test ever waits on a modal box.

#include <QString>
#include <functional>
#include <string>

enum class TMessageKind { information, error };

using TMessageBoxFunction = std::function<void(TMessageKind kind, const QString& text)>;

// Tells the text (UTF-8, runtime/notices.h), shows it and returns when the
// user has closed the box.
void showmessage(const std::string& text);
void showerror(const std::string& message);
// The box of an error the user has been told of already (TToldError).
void showtolderror(const std::string& message);

// Replaces the function that shows boxes; an empty one puts the real boxes back.
void setmessageboxfunction(TMessageBoxFunction function);
