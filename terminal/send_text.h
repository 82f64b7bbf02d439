#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

// The send box's text as the bytes it stands for on the line: GBK, every line break (\n, or \r\n) as 0D 0A.
// A character GBK lacks is sent as "?".
QByteArray SendBoxBytes(const QString& text);

// Length of the send box's text in bytes as above (a Chinese character counts 2, a line break 2).
int SendBoxByteLength(const QString& text);

// The longest prefix of `text` whose SendBoxByteLength is at most maxBytes (never splits a character,
// a surrogate pair or a \r\n line break).
QString TruncateSendBox(const QString& text, int maxBytes);

// Text mode: the bytes themselves. Hex mode: each maximal run of hex digits (0-9 A-F a-f, scanned byte
// by byte, so a GBK trail byte that is an ASCII hex digit counts) gives one byte, the run's value mod 256;
// every other byte only ends a run.
std::vector<std::uint8_t> ParseSendText(const std::uint8_t* gbk, std::size_t n, bool hex);
