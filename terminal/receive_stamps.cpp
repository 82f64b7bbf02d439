#include "terminal/receive_stamps.h"

#include "terminal/time_stamp.h"

bool CReceiveStamps::Stamp(std::string& piece, bool hex, bool fresh, qint64 nowMs, const QTime& arrival,
                           std::size_t limit) {
    const std::string stamp = TimeOfDayText(arrival, "[", "] ");
    if (!hex)
        return StampText(piece, fresh, stamp, limit);
    const bool newPacket = m_bLineStart || !m_bPacket || nowMs - m_nLastMs >= kPacketGapMs;
    const bool lineStart = m_bLineStart;
    m_bPacket = true;
    m_bLineStart = false;
    m_nLastMs = nowMs;
    if (newPacket)
        m_lineStamp = stamp;
    const std::size_t cut = DisplayTailStart(piece, true, limit > kStampLength + 2 ? limit - kStampLength - 2 : 0);
    piece.erase(0, cut);
    if (fresh || cut > 0 || (newPacket && lineStart))
        piece.insert(0, m_lineStamp);
    else if (newPacket)
        piece.insert(0, "\r\n" + m_lineStamp);
    return cut > 0;
}

bool CReceiveStamps::StampText(std::string& piece, bool fresh, const std::string& stamp, std::size_t limit) {
    // Text after hex display starts a line of its own, as a new packet does.
    const bool afterHex = m_bPacket && !m_bLineStart;
    m_bPacket = false;
    if (afterHex)
        m_bLineStart = true;
    const std::string before = m_lineStamp;
    const bool beganAtLineStart = m_bLineStart;
    std::string out;
    out.reserve(piece.size() + 4 * kStampLength + 2);
    if (afterHex && !fresh)
        out += "\r\n";
    for (std::size_t at = 0; at < piece.size();) {
        if (m_bLineStart) {
            out += stamp;
            m_lineStamp = stamp;
            m_bLineStart = false;
        }
        const std::size_t lf = piece.find('\n', at);
        const std::size_t end = lf == std::string::npos ? piece.size() : lf + 1;
        out.append(piece, at, end - at);
        at = end;
        m_bLineStart = lf != std::string::npos;
    }
    std::size_t cut = DisplayTailStart(out, false, limit);
    if (fresh || cut > 0) {
        // The area begins with the line the cut falls in, and that line with its stamp.
        const std::size_t lf = cut > 0 ? out.rfind('\n', cut - 1) : std::string::npos;
        const std::size_t lineStart = lf == std::string::npos ? 0 : lf + 1;
        std::string head;
        if (lineStart == 0 && !beganAtLineStart)
            head = before;
        else if (cut - lineStart < kStampLength)
            cut = lineStart;
        else
            head = out.substr(lineStart, kStampLength);
        out = head + out.substr(cut);
    }
    piece.swap(out);
    return cut > 0;
}

void CReceiveStamps::Restart(const std::string& shown) {
    m_bLineStart = shown.empty() || shown.back() == '\n';
    m_bPacket = false;
    m_lineStamp.clear();
}
