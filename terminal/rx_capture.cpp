#include "terminal/rx_capture.h"

#include <cstring>

void CaptureReceived(std::uint8_t* buffer, std::int64_t& count, const std::uint8_t* bytes, std::size_t n) {
    // A negative count can only come from a caller's bug; storing nothing is safer than writing before
    // the buffer.
    if (count >= 0 && static_cast<std::uint64_t>(count) < kRxBufferSize && n > 0) {
        const std::size_t pos = static_cast<std::size_t>(count);
        const std::size_t room = kRxBufferSize - pos;
        std::memcpy(buffer + pos, bytes, n < room ? n : room);
    }
    count += static_cast<std::int64_t>(n);
}
