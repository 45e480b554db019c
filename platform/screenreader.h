#pragma once
// Whether a screen reader listens, as Windows tells it in
// SPI_GETSCREENREADER. Where one does, the program leaves to it what it
// says well itself (the dialogs' controls) and keeps its own voice for the
// screen, the game and the review. Set by the watch on the desktop's
// accessibility bus (platform/screenreaderwatch.h); false without one.

void setscreenreaderlistening(bool listening);
bool screenreaderlistening();
