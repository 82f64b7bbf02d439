#include "serial/read_pacing.h"

#include <algorithm>

namespace read_pacing {

Pause PauseAfter(const Arrival& arrival, qint32 baud) {
    const qint64 sinceNs = arrival.sinceNs;
    const double arriving = sinceNs > 0 ? double(arrival.bytesTaken) * 1e9 / double(sinceNs) : 0;
    Pause pause;
    pause.arrivingRate = std::max(arriving, arrival.arrivingRate / 2);
    const double bytesPerSecond = std::max({pause.arrivingRate, double(baud) / 10, 1.0});
    const int ms = int(std::min(double(kPaceMaxMs), kPaceBytes * 1000 / bytesPerSecond));
    // After a quiet spell there is no rate to go by.
    const bool afterQuiet = sinceNs == 0 || sinceNs > 2LL * kPaceMaxMs * 1'000'000;
    pause.ms = ms <= 0 || (afterQuiet && arrival.bytesTaken >= kBurstBytes) ? 0 : ms;
    return pause;
}

} // namespace read_pacing
