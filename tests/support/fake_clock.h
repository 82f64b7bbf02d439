#pragma once

#include "serial/clock.h"

// A clock that moves only when told to (or when a fake wait sleeps on it).
class CFakeClock : public IClock {
public:
    qint64 NowMs() override { return m_now; }
    void Advance(qint64 ms) { m_now += ms; }
    void Set(qint64 ms) { m_now = ms; }

    QDateTime LocalNow() override { return m_local; }
    void SetLocal(const QDateTime& local) { m_local = local; }

private:
    qint64 m_now = 1'000'000;
    QDateTime m_local{QDate(2024, 3, 5), QTime(14, 5, 9)};
};
