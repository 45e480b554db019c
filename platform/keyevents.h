#pragma once
// A Qt key event in the terms of the Windows key messages: its virtual-key
// code and the characters its character message would carry. Which window
// gets them, and what they do, is left to the key filters and the forms.

#include <string>

class QKeyEvent;

// The Windows virtual-key code of the event's key.
int virtualkeyof(const QKeyEvent* event);
// What the key types, in Windows-1250, as Windows' key translation makes
// it: Ctrl+A..Z give the control characters 1..26 (Ctrl+Enter 10), AltGr
// (Ctrl with Alt) the layout's character; Alt combinations, Delete and
// characters the code page lacks give nothing.
std::string typedcharacters(const QKeyEvent* event);
// Shift, Ctrl, Alt, AltGr or Meta on their own.
bool ismodifierkey(int key);
