#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t kReceiveTextLimit = 8192;          // empty the area at this many bytes
inline constexpr std::size_t kReceiveTextAutoClearLimit = 4096; // ... or at this many with auto-clear

// What ends a line in text display: CR (the classic rule), LF, the pair CR LF, or any of the three
// (the pair still one line break).
enum class LineEnd { CR, LF, CRLF, Any };

// The setting's names, "CR", "LF", "CRLF" and "ANY"; any other name reads as CR.
const char* LineEndName(LineEnd rule);
LineEnd LineEndFromName(std::string_view name);

// Text display's line ends from one read to the next: a CR LF pair may arrive split across two.
struct DisplayLineEnds {
    LineEnd rule = LineEnd::CR;
    bool afterCR = false; // the last byte converted was 0D
};

// Appends the display form of the bytes to `out` (bytes of GBK text): hex "%02X " per byte, or text:
// a line end under `ends.rule` -> "\r\n", a 0D or 0A that ends no line dropped, 20-7E, 09 and A0-FF
// as they are, every other byte ".". Without `ends`, CR ends a line.
void AppendDisplayPiece(const std::uint8_t* bytes, std::size_t n, bool hex, std::string& out, DisplayLineEnds& ends);
void AppendDisplayPiece(const std::uint8_t* bytes, std::size_t n, bool hex, std::string& out);

// True when the receive text (length in bytes) must be emptied before the next piece is added.
bool ReceiveTextNeedsClear(std::size_t textBytes, bool autoClear);

// Where to start showing a display piece so that at most `limit` bytes of it are shown: the whole of
// it when it fits, else a tail that starts on a character (never inside a GBK character, a "\r\n" or
// a hex "XX " group). A piece bigger than the whole receive area would be emptied away by the next
// arrival anyway; laying out megabytes of it is what would freeze the window on a fast line. Never
// past the end of the piece; piece.size() means nothing of it is shown.
std::size_t DisplayTailStart(const std::string& piece, bool hex, std::size_t limit = kReceiveTextLimit);

// The first of n received bytes whose display form can still be seen after DisplayTailStart: in hex
// display only the newest groups that fit the area survive, so converting the rest is wasted work on
// a fast line. Text display needs every byte (line feeds vanish, Chinese pairs are counted from the
// start of their run), so it starts at 0.
std::size_t DisplayInputStart(std::size_t n, bool hex, std::size_t limit = kReceiveTextLimit);
