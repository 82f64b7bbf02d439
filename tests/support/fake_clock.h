#pragma once

#include "serial/clock.h"

// A clock that moves only when told to (or when a fake wait sleeps on it).
class CFakeClock : public IClock {
public:
    qint64 NowMs() override { return m_now; }
    void Advance(qint64 ms) { m_now += ms; }
    void Set(qint64 ms) { m_now = ms; }

private:
    qint64 m_now = 1'000'000;
};
