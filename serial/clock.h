#pragma once

#include <QDateTime>
#include <QtGlobal>

// Time as the card exchange and the bounded waits read it. The program uses a monotonic clock; tests
// use a clock they move by hand.
class IClock {
public:
    virtual ~IClock() = default;
    virtual qint64 NowMs() = 0;
    qint64 NowSeconds() { return NowMs() / 1000; }
    // The calendar date and time of the user's time zone, for names made from the moment.
    virtual QDateTime LocalNow() { return QDateTime::currentDateTime(); }
};

class CSteadyClock : public IClock {
public:
    qint64 NowMs() override;
};
