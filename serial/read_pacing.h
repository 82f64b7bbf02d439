#pragma once

#include <QtGlobal>

// Read pacing: a USB adapter hands over a few bytes every millisecond, and waking the whole program for
// each piece is what makes a slow line cost a core. After an arrival the port is left alone for a
// moment and what came meanwhile is taken in one read. The pause lasts as long as the line takes to
// bring kPaceBytes, at the rate the bytes are really arriving, as the wake-up measures it, or at the
// baud rate when that is faster: well within what the driver holds, so the sender is never stalled and
// nothing waits long enough to be lost. (A USB device may ignore the baud rate; a pseudo-terminal
// always does.) The measured rate fades by half at each wake-up, so one quiet moment on a fast line does
// not open a long pause.
namespace read_pacing {

// At most somewhat less than a frame of the receive area, so nobody sees the difference. Linux keeps
// far more for a reader (a pseudo-terminal 16 KiB, a serial driver 64 KiB) than other systems promise,
// and every wake-up of the program costs about as much as reading 8 KiB.
#ifdef Q_OS_LINUX
constexpr double kPaceBytes = 8192;
#else
constexpr double kPaceBytes = 1024;
#endif
constexpr int kPaceMaxMs = 25;
// After a quiet spell, more than this at once is a fast line starting, which a pause would only hold
// back.
constexpr qint64 kBurstBytes = 1024;

// One wake-up that took bytes: how many, how long after the previous one (0: none before it), and the
// rate the earlier wake-ups measured.
struct Arrival {
    qint64 bytesTaken = 0;
    qint64 sinceNs = 0;
    double arrivingRate = 0; // bytes per second
};

struct Pause {
    int ms = 0;              // how long the port is left alone; 0: watched again at once
    double arrivingRate = 0; // the rate for the next wake-up
};

Pause PauseAfter(const Arrival& arrival, qint32 baud);

} // namespace read_pacing
