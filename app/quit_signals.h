#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a program to end (Ctrl+C, a closed terminal, kill, logging out) into an
// ordinary event, so that the window can end as its close box ends it: the session log gets what is
// still on its way to the file and the port is closed. A second such signal ends the process at once,
// in case the first could not get through.
class CQuitSignals : public QObject {
    Q_OBJECT

public:
    explicit CQuitSignals(QObject* parent = nullptr);
    ~CQuitSignals() override;

    // Marks that the program is to end, before the event loop hears of it, so that a wait that holds
    // the loop (a card's silence) ends at once. Safe in a signal handler and on any thread.
    static void Request() noexcept;
    static bool Requested() noexcept;

#ifdef Q_OS_WIN
    // The console's control handler (Ctrl+C, Ctrl+Break, the console closed, logging off, shutting
    // down), called by the system on a thread of its own. The first asks the window to end; for the
    // last three the system ends the process as soon as this returns, so it waits (a few seconds at
    // most) until this object is gone, that is until the window has ended. A second one is left to the
    // system, which ends the process at once.
    static bool OnConsoleEvent(unsigned long event);
#endif

signals:
    void Quit();

private:
    QSocketNotifier* m_pNotifier = nullptr;
};
