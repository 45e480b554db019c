#include "tests/speech/speechdispatcherservice.h"

#include "tests/sound/childprocess.h"
#include "tests/support/waituntil.h"

#include <QFile>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

// The socket's file appears before the service listens on it.
bool accepting(const std::string& path)
{
    int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bool connected = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

}

bool TSpeechDispatcherService::installed()
{
    return run({ "sh", "-c", "command -v speech-dispatcher >/dev/null" }) == 0;
}

TSpeechDispatcherService::TSpeechDispatcherService()
{
    // The service's own configuration: audio to the null sink's server, and
    // the plain espeak-ng module.
    QString configuration = m_folder.path() + "/speechd";
    run({ "cp", "-r", "/etc/speech-dispatcher", configuration.toStdString() });
    QFile settings(configuration + "/speechd.conf");
    if (!settings.open(QIODevice::Append)) {
        m_reason = "no speech-dispatcher configuration to start from";
        return;
    }
    settings.write("\nAudioOutputMethod \"pulse\"\nDefaultModule espeak-ng\n");
    settings.close();
    if (!start()) {
        m_reason = "speech-dispatcher did not start";
        return;
    }
    qputenv("SPEECHD_ADDRESS", ("unix_socket:" + m_folder.path() + "/speechd.sock").toUtf8());
}

TSpeechDispatcherService::~TSpeechDispatcherService()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGCONT);
    signal(SIGTERM);
}

bool TSpeechDispatcherService::running() const
{
    return m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == 0;
}

bool TSpeechDispatcherService::start()
{
    std::string root = m_folder.path().toStdString();
    std::filesystem::remove(root + "/speechd.sock");
    std::filesystem::remove(root + "/speechd.pid");
    m_pid = spawn({ "speech-dispatcher", "-s", "-t", "0", "-C", root + "/speechd", "-c", "unix_socket", "-S",
        root + "/speechd.sock", "-P", root + "/speechd.pid", "-L", root });
    return m_pid > 0 && waituntil([&] { return accepting(root + "/speechd.sock"); }, 10000);
}

void TSpeechDispatcherService::signal(int number)
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, number);
    if (number == SIGSTOP || number == SIGCONT)
        return;
    waitpid(m_pid, nullptr, 0);
    m_pid = 0;
}
