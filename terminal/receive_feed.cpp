#include "terminal/receive_feed.h"

#include "serial/clock.h"

#include <QByteArrayView>
#include <algorithm>

void CReceiveFeed::Take(const std::uint8_t* bytes, std::size_t n, const Display& how, IClock& clock) {
    std::string piece;
    const std::size_t first = DisplayInputStart(n, how.hex);
    AppendDisplayPiece(bytes + first, n - first, how.hex, piece, m_lineEnds);
    // Bytes skipped before `first` belong to a piece too big for the area: it is emptied for it.
    bool cleared = first > 0 || ReceiveTextNeedsClear(m_text.size(), how.autoClear);
    if (how.timestamps) {
        const bool fresh = cleared || m_text.empty();
        cleared = m_stamps.Stamp(piece, how.hex, fresh, clock.NowMs(), clock.LocalNow().time()) || cleared;
    } else if (const std::size_t start = DisplayTailStart(piece, how.hex); start > 0) {
        piece.erase(0, start);
        cleared = true;
    }
    if (cleared) {
        m_text.clear();
        m_bRedo = true;
        m_nShown = 0;
    }
    m_text += piece;
}

std::optional<CReceiveFeed::Update> CReceiveFeed::TakeUpdate() {
    if (!m_bRedo && m_nShown >= m_text.size())
        return std::nullopt;
    if (m_bRedo)
        m_decoder.resetState();
    const std::size_t from = m_bRedo ? 0 : m_nShown;
    Update update{m_bRedo,
                  m_decoder.decode(QByteArrayView(m_text.data() + from, qsizetype(m_text.size() - from)))};
    update.text.remove(QLatin1Char('\r'));
    m_bRedo = false;
    m_nShown = m_text.size();
    return update;
}

QString CReceiveFeed::TakeAll() {
    m_bRedo = true;
    return TakeUpdate().value_or(Update{}).text;
}

void CReceiveFeed::Clear() {
    m_text.clear();
    m_nShown = 0;
    m_bRedo = false;
    m_decoder.resetState();
}

int CReceiveFeed::NextUpdateMs(std::size_t rowsAdded, int rowsInView) {
    return rowsAdded >= 2 * std::size_t(std::max(1, rowsInView)) ? kJumpMs : kViewMs;
}
