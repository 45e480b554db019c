// Start-up time: from starting the program to its main window on the
// screen, with the sound bank and the Braille and character-name tables
// loaded (all of that happens before the window is shown). Runs the real
// program under a private Xvfb several times and prints the median.
// Usage: startup <program> <folder with sounds.dat and the tables> [runs]
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

pid_t spawn(const std::vector<std::string>& arguments, const std::string& folder = {})
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// A private X server that picks a free display itself and names it once it
// takes connections, so another run or test cannot come between; the
// display's name, or empty.
std::string startxserver(pid_t& server)
{
    int named[2];
    if (pipe(named) != 0)
        return {};
    fcntl(named[0], F_SETFD, FD_CLOEXEC);
    server = spawn({ "/usr/bin/Xvfb", "-displayfd", std::to_string(named[1]), "-screen", "0", "1280x1024x24", "-nolisten",
        "tcp" });
    close(named[1]);
    std::string number;
    char digit = 0;
    while (read(named[0], &digit, 1) == 1 && digit != '\n')
        number += digit;
    close(named[0]);
    return number.empty() ? std::string() : ":" + number;
}

// Milliseconds from starting the program until a top-level window maps,
// or -1 when none does within ten seconds.
double timeonestart(xcb_connection_t* connection, const std::string& program, const std::string& folder)
{
    TClock::time_point start = TClock::now();
    pid_t pid = spawn({ program }, folder);
    if (pid < 0)
        return -1;
    double elapsed = -1;
    while (TClock::now() - start < std::chrono::seconds(10)) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (!event) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
        std::free(event);
        if (mapped) {
            elapsed = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
            break;
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return elapsed;
}

}

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <program> <data folder> [runs]\n", argv[0]);
        return 2;
    }
    fs::path program = fs::absolute(argv[1]);
    fs::path data = fs::absolute(argv[2]);
    int runs = argc > 3 ? std::atoi(argv[3]) : 9;

    pid_t server = -1;
    std::string display = startxserver(server);
    if (display.empty() || server < 0) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    xcb_connection_t* connection = nullptr;
    for (int attempt = 0; attempt < 100; ++attempt) {
        connection = xcb_connect(display.c_str(), nullptr);
        if (!xcb_connection_has_error(connection))
            break;
        xcb_disconnect(connection);
        connection = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!connection) {
        kill(server, SIGTERM);
        std::fprintf(stderr, "cannot reach Xvfb on %s\n", display.c_str());
        return 1;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    fs::path folder = fs::temp_directory_path() / ("vorkana-startup-" + std::to_string(getpid()));
    fs::create_directories(folder);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    for (const char* name : { "sounds.dat", "czech.ebt", "czech.eky" })
        fs::copy_file(data / name, folder / name, fs::copy_options::overwrite_existing);
    fs::copy_file(program, folder / "vorkana", fs::copy_options::overwrite_existing);

    std::vector<double> times;
    timeonestart(connection, (folder / "vorkana").string(), folder.string()); // warms the file cache
    for (int run = 0; run < runs; ++run) {
        double milliseconds = timeonestart(connection, (folder / "vorkana").string(), folder.string());
        if (milliseconds >= 0)
            times.push_back(milliseconds);
    }
    xcb_disconnect(connection);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    fs::remove_all(folder);

    if (times.empty()) {
        std::fprintf(stderr, "the window never appeared\n");
        return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to main window shown: median %.1f ms, fastest %.1f ms, slowest %.1f ms (%zu runs, target 400 ms)\n",
        times[times.size() / 2], times.front(), times.back(), times.size());
    return 0;
}
