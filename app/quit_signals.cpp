#include "app/quit_signals.h"

#include <QSocketNotifier>
#include <atomic>

namespace {

std::atomic<bool> g_quitRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

} // namespace

void CQuitSignals::Request() noexcept { g_quitRequested.store(true); }

bool CQuitSignals::Requested() noexcept { return g_quitRequested.load(); }

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = {-1, -1};
constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnQuitSignal(int signal) {
    CQuitSignals::Request();
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
    // The next one is not caught: a program that does not end on the first still ends on the second.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigaction(signal, &action, nullptr);
}

} // namespace

CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent) {
    if (g_signalFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalFds) != 0)
        return;
    m_pNotifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_signalFds[1], bytes, sizeof bytes) > 0) {
        }
        emit Quit();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kQuitSignals)
        ::sigaction(signal, &action, nullptr);
}

CQuitSignals::~CQuitSignals() {
    if (!m_pNotifier)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int signal : kQuitSignals)
        ::sigaction(signal, &action, nullptr);
    delete m_pNotifier;
    ::close(g_signalFds[0]);
    ::close(g_signalFds[1]);
    g_signalFds[0] = g_signalFds[1] = -1;
}

#elif !defined(Q_OS_WIN) // Windows: quit_signals_win.cpp

CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent) {}
CQuitSignals::~CQuitSignals() = default;

#endif
