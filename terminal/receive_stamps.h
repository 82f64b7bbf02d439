#pragma once

#include "terminal/receive_display.h"

#include <QtGlobal>
#include <string>

class QTime;

// Arrival times in the receive area, "[HH:MM:SS.mmm] " at the start of each line: in text display
// when the line's first byte arrives, in hex display for bytes that come after the line has been
// quiet for kPacketGapMs (one line per "packet"). They are part of what is shown only.
class CReceiveStamps {
public:
    static constexpr qint64 kPacketGapMs = 50;
    static constexpr std::size_t kStampLength = 15;

    // Stamps a display piece as AppendDisplayPiece made it, of bytes that arrived at `nowMs` (local
    // time `arrival`), and cuts it to `limit` as DisplayTailStart does. `fresh`: the piece starts an
    // empty area, which then begins with the stamp of the line in progress. True when the head of
    // the piece was cut away.
    bool Stamp(std::string& piece, bool hex, bool fresh, qint64 nowMs, const QTime& arrival,
               std::size_t limit = kReceiveTextLimit);
    // Stamps switched on with `shown` in the area: a line already under way stays without one.
    void Restart(const std::string& shown);

private:
    bool StampText(std::string& piece, bool fresh, const std::string& stamp, std::size_t limit);

    std::string m_lineStamp;  // the stamp of the line in progress
    bool m_bLineStart = true; // text: the next byte shown begins a line
    bool m_bPacket = false;   // hex: a line is under way, last fed at m_nLastMs
    qint64 m_nLastMs = 0;
};
