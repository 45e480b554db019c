// Stands in for a screen reader on BRLTTY: a BrlAPI client that takes the
// display for the desktop's terminal, as Orca does (no path of its own, so
// BrlAPI's WINDOWPATH or XDG_VTNR alone), and shows the text it is given
// until it is ended. BRLTTY shows it whenever no client deeper in
// the terminal's tree has something to show.

#include <brlapi.h>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenreaderclient TEXT\n");
        return 2;
    }
    brlapi_connectionSettings_t settings = BRLAPI_SETTINGS_INITIALIZER;
    if (brlapi_openConnection(&settings, &settings) < 0) {
        brlapi_perror("screenreaderclient: connecting");
        return 1;
    }
    if (brlapi_enterTtyModeWithPath(nullptr, 0, nullptr) < 0 || brlapi_writeText(BRLAPI_CURSOR_OFF, argv[1]) < 0) {
        brlapi_perror("screenreaderclient: taking the display");
        return 1;
    }
    std::puts("shown");
    std::fflush(stdout);
    // BRLTTY shows a client's text when the client writes; a screen reader
    // writes at every focus change, this one often enough to stand for it.
    // Ended by a signal; the connection goes with the process.
    for (;;) {
        usleep(200000);
        if (brlapi_writeText(BRLAPI_CURSOR_OFF, argv[1]) < 0)
            return 1;
    }
}
