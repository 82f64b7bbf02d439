#include "terminal/receive_display.h"

#include <algorithm>
#include <array>

namespace {

// Text mode: the character a byte shows as; 0 marks the two bytes handled apart (0D and 0A).
constexpr std::array<char, 256> MakeTextTable() {
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const bool shown = (b >= 0x20 && b <= 0x7E) || b == 0x09 || b >= 0xA0;
        table[b] = shown ? static_cast<char>(b) : '.';
    }
    table[0x0D] = 0;
    table[0x0A] = 0;
    return table;
}

constexpr std::array<std::array<char, 3>, 256> MakeHexTable() {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::array<std::array<char, 3>, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = {kDigits[b >> 4], kDigits[b & 0x0F], ' '};
    return table;
}

constexpr auto kTextTable = MakeTextTable();
constexpr auto kHexTable = MakeHexTable();

} // namespace

const char* LineEndName(LineEnd rule) {
    switch (rule) {
    case LineEnd::LF:
        return "LF";
    case LineEnd::CRLF:
        return "CRLF";
    case LineEnd::Any:
        return "ANY";
    case LineEnd::CR:
        break;
    }
    return "CR";
}

LineEnd LineEndFromName(std::string_view name) {
    for (LineEnd rule : {LineEnd::LF, LineEnd::CRLF, LineEnd::Any})
        if (name == LineEndName(rule))
            return rule;
    return LineEnd::CR;
}

void AppendDisplayPiece(const std::uint8_t* bytes, std::size_t n, bool hex, std::string& out) {
    DisplayLineEnds classic;
    AppendDisplayPiece(bytes, n, hex, out, classic);
}

void AppendDisplayPiece(const std::uint8_t* bytes, std::size_t n, bool hex, std::string& out, DisplayLineEnds& ends) {
    if (n == 0)
        return;
    const std::size_t start = out.size();
    if (hex) {
        out.resize(start + 3 * n);
        char* dst = out.data() + start;
        for (std::size_t i = 0; i < n; ++i, dst += 3) {
            const auto& cell = kHexTable[bytes[i]];
            dst[0] = cell[0];
            dst[1] = cell[1];
            dst[2] = cell[2];
        }
        ends.afterCR = false;
        return;
    }
    // At most two characters per byte (a line end); shrink to what was written.
    out.resize(start + 2 * n);
    char* const begin = out.data() + start;
    char* dst = begin;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = bytes[i];
        const char c = kTextTable[b];
        if (c != 0) {
            *dst++ = c;
            continue;
        }
        bool breaks = false;
        if (b == 0x0D) {
            breaks = ends.rule == LineEnd::CR || ends.rule == LineEnd::Any;
        } else if (ends.rule == LineEnd::LF) {
            breaks = true;
        } else if (ends.rule != LineEnd::CR) {
            // An LF right after a CR makes one line end with it: under CRLF it is the end, under ANY
            // the CR already was.
            const bool afterCR = i > 0 ? bytes[i - 1] == 0x0D : ends.afterCR;
            breaks = ends.rule == LineEnd::CRLF ? afterCR : !afterCR;
        }
        if (breaks) {
            *dst++ = '\r';
            *dst++ = '\n';
        }
    }
    ends.afterCR = bytes[n - 1] == 0x0D;
    out.resize(start + static_cast<std::size_t>(dst - begin));
}

bool ReceiveTextNeedsClear(std::size_t textBytes, bool autoClear) {
    return textBytes >= kReceiveTextLimit || (autoClear && textBytes >= kReceiveTextAutoClearLimit);
}

std::size_t DisplayTailStart(const std::string& piece, bool hex, std::size_t limit) {
    if (piece.size() <= limit)
        return 0;
    std::size_t cut = piece.size() - limit;
    // Rounding up to a character may run past the end; then nothing of the piece is shown.
    if (hex)
        return std::min((cut + 2) / 3 * 3, piece.size());
    // Bytes below 80h stand alone; a run of higher bytes is made of two-byte characters from its start.
    std::size_t runStart = cut;
    while (runStart > 0 && static_cast<unsigned char>(piece[runStart - 1]) >= 0x80)
        --runStart;
    if ((cut - runStart) % 2 != 0)
        ++cut;
    if (cut > 0 && cut < piece.size() && piece[cut - 1] == '\r' && piece[cut] == '\n')
        ++cut;
    return std::min(cut, piece.size());
}

std::size_t DisplayInputStart(std::size_t n, bool hex, std::size_t limit) {
    if (!hex || n <= limit / 3)
        return 0;
    return n - limit / 3;
}
