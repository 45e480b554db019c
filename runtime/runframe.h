#pragma once
// The frame of one run of the built-in program, between the menu handling
// of the Start command (which disables and re-enables the menus and
// prepares the voice) and the program itself.

#include <functional>
#include <string>

// Resets what each run starts from: the tone memory and the cursor column.
// The cursor row and the screen stay, so a new run prints on where the last
// one stopped.
void initruntime();

// Opens "data.dta" when present, marks the program started, resets the
// runtime, runs the program, prints and speaks the ready text and closes
// "data.dta" again. A run that ends with an error prints the error as its
// last line, tells it (runtime/notices.h) and prints the ready text, then
// raises it again as a TToldError for its box.
void runstart(const std::function<void()>& program);

// Whether "data.dta" is open (only during a run).
bool datafileopen();

// Where Start looks for "data.dta": in the folder given (that of the BASIC
// program being run), or in the current folder when it is empty.
void setdatafilefolder(const std::string& folder);
// The path Start opens, as the user may be told it.
std::string datafilepath();
// The next line of the open "data.dta", its line end dropped; false at the
// file's end or when it is not open.
bool readdataline(std::string& line);
// Whether no line is left to read (also when the file is not open).
bool datafileended();
