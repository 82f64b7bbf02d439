// Windows: the console's control events and the end of the session ask the window to end.

#include "app/quit_signals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <mutex>
#include <windows.h>

namespace {

std::mutex g_lock;
CQuitSignals* g_listener = nullptr;
HANDLE g_ended = nullptr;
std::atomic<int> g_events{0};
QAbstractNativeEventFilter* g_endSession = nullptr;

// Windows ends a program soon after its console closes (about five seconds), or after the session's
// end has been told to every window.
constexpr DWORD kEndWaitMs = 4500;

BOOL WINAPI ConsoleHandler(DWORD event) { return CQuitSignals::OnConsoleEvent(event) ? TRUE : FALSE; }

// Logging off or shutting down: once WM_ENDSESSION returns the process may be ended at any moment,
// so the window ends (and its log is written out) before it returns.
class CEndSessionFilter : public QAbstractNativeEventFilter {
public:
    explicit CEndSessionFilter(CQuitSignals& owner) : m_owner(owner) {}
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        const MSG* msg = static_cast<const MSG*>(message);
        if (eventType == "windows_generic_MSG" && msg->message == WM_ENDSESSION && msg->wParam) {
            CQuitSignals::Request();
            emit m_owner.Quit();
        }
        return false;
    }

private:
    CQuitSignals& m_owner;
};

} // namespace

bool CQuitSignals::OnConsoleEvent(unsigned long event) {
    if (g_events.fetch_add(1) > 0)
        return false;
    HANDLE ended = nullptr;
    {
        const std::lock_guard<std::mutex> lock(g_lock);
        if (!g_listener)
            return false;
        Request();
        CQuitSignals* listener = g_listener;
        QMetaObject::invokeMethod(listener, [listener] { emit listener->Quit(); }, Qt::QueuedConnection);
        ended = g_ended;
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return true;
    ::WaitForSingleObject(ended, kEndWaitMs);
    return true;
}

CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent) {
    const std::lock_guard<std::mutex> lock(g_lock);
    if (g_listener)
        return;
    g_listener = this;
    g_events = 0;
    if (!g_ended)
        g_ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::ResetEvent(g_ended);
    ::SetConsoleCtrlHandler(ConsoleHandler, TRUE);
    if (QCoreApplication* app = QCoreApplication::instance()) {
        g_endSession = new CEndSessionFilter(*this);
        app->installNativeEventFilter(g_endSession);
    }
}

CQuitSignals::~CQuitSignals() {
    const std::lock_guard<std::mutex> lock(g_lock);
    if (g_listener != this)
        return;
    g_listener = nullptr;
    delete g_endSession; // takes itself off the application's list
    g_endSession = nullptr;
    ::SetEvent(g_ended);
}
