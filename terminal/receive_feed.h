#pragma once

#include "terminal/gbk_codec.h"
#include "terminal/receive_display.h"
#include "terminal/receive_stamps.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

class IClock;

// What the receive area shows, kept between the port and the view: arrivals in their display form
// (hex or text, line ends, stamps, the area's limit) as GBK bytes, and how much of that the view has
// been given. The view is brought up to date at most once a frame, from TakeUpdate.
class CReceiveFeed {
public:
    // The area is brought up to date at most this often; a line that brings more than two areas' worth
    // between two updates is shown at the slower pace.
    static constexpr int kViewMs = 33;
    static constexpr int kJumpMs = 100;

    struct Display {
        bool hex = false;
        bool autoClear = false;
        bool timestamps = false;
    };
    // An arrival shown (the time is read only for stamps), or one that is not.
    void Take(const std::uint8_t* bytes, std::size_t n, const Display& how, IClock& clock);
    void Skip() { m_lineEnds.afterCR = false; } // a CR that was not shown pairs with nothing shown later

    // What the view lacks, decoded: everything when the text was emptied since (`whole`), else what
    // follows what it shows. None when it is current.
    struct Update {
        bool whole = false;
        QString text;
    };
    std::optional<Update> TakeUpdate();
    // The whole text decoded, for a view that starts again from it.
    QString TakeAll();
    void Clear();

    // Jump scrolling: when whole screens fly past between two updates nobody reads them, and painting
    // each one is what a fast line costs, so the area then catches up less often. It goes back to the
    // usual pace at the first update that brings less.
    static int NextUpdateMs(std::size_t rowsAdded, int rowsInView);

    const std::string& Text() const { return m_text; }
    DisplayLineEnds& LineEnds() { return m_lineEnds; }
    const DisplayLineEnds& LineEnds() const { return m_lineEnds; }
    // Stamps switched on: a line already under way stays without one.
    void RestartStamps() { m_stamps.Restart(m_text); }

private:
    std::string m_text; // GBK bytes of the receive area
    DisplayLineEnds m_lineEnds;
    CReceiveStamps m_stamps;
    CGbkDecoder m_decoder;
    std::size_t m_nShown = 0; // bytes of m_text the view shows
    bool m_bRedo = false;     // m_text was emptied since the view was last brought up to date
};
