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

signals:
    void Quit();

private:
    QSocketNotifier* m_pNotifier = nullptr;
};
