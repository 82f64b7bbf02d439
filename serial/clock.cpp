#include "serial/clock.h"

#include <chrono>

qint64 CSteadyClock::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
