// A Braille display that a test plays: it listens on a local socket for
// BRLTTY's virtual driver, says it has 40 cells, copies every line BRLTTY
// sends (what the display shows) to standard output, and passes every line
// of its standard input (key commands such as "PASSDOTS 3" or "ROUTE 5") on
// to BRLTTY. It ends when either side hangs up.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr const char* displaysize = "cells 40\n";

bool sendall(int descriptor, const std::string& text)
{
    size_t sent = 0;
    while (sent < text.size()) {
        ssize_t count = write(descriptor, text.data() + sent, text.size() - sent);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        sent += static_cast<size_t>(count);
    }
    return true;
}

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SOCKET\n", argv[0]);
        return 2;
    }
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (std::strlen(argv[1]) >= sizeof(address.sun_path)) {
        std::fprintf(stderr, "socket path too long\n");
        return 2;
    }
    std::strcpy(address.sun_path, argv[1]);
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    unlink(argv[1]);
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0
        || listen(listener, 1) != 0) {
        std::perror("listen");
        return 1;
    }
    int connection = accept(listener, nullptr, nullptr);
    close(listener);
    if (connection < 0 || !sendall(connection, displaysize)) {
        std::perror("accept");
        return 1;
    }

    pollfd watched[2] = { { connection, POLLIN, 0 }, { STDIN_FILENO, POLLIN, 0 } };
    char buffer[4096];
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return 1;
        }
        if (watched[0].revents) {
            ssize_t count = read(connection, buffer, sizeof buffer);
            if (count <= 0)
                return 0;
            fwrite(buffer, 1, static_cast<size_t>(count), stdout);
            fflush(stdout);
        }
        if (watched[1].revents) {
            ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
            if (count <= 0)
                return 0;
            if (!sendall(connection, std::string(buffer, static_cast<size_t>(count))))
                return 0;
        }
    }
}
