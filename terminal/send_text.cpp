#include "terminal/send_text.h"

#include "terminal/gbk_codec.h"

namespace {

// End of the character that starts at i: a surrogate pair and \r\n are one character each.
qsizetype CharEnd(const QString& text, qsizetype i) {
    const QChar c = text.at(i);
    const bool pairs = i + 1 < text.size() && ((c == u'\r' && text.at(i + 1) == u'\n') ||
                                               (c.isHighSurrogate() && text.at(i + 1).isLowSurrogate()));
    return pairs ? i + 2 : i + 1;
}

// Line breaks become \r\n.
QString LineText(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype end = CharEnd(text, i);
        if (text.at(i) == u'\n')
            out += QStringLiteral("\r\n");
        else
            out += QStringView(text).sliced(i, end - i);
        i = end;
    }
    return out;
}

} // namespace

QByteArray SendBoxBytes(const QString& text) { return GbkEncode(LineText(text)); }

int SendBoxByteLength(const QString& text) { return static_cast<int>(SendBoxBytes(text).size()); }

QString TruncateSendBox(const QString& text, int maxBytes) {
    qint64 used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype end = CharEnd(text, i);
        const QChar c = text.at(i);
        qint64 cost;
        if (c == u'\n' || (c == u'\r' && end - i == 2))
            cost = 2;
        else if (c.unicode() < 0x80)
            cost = 1;
        else
            cost = GbkEncode(QStringView(text).sliced(i, end - i)).size();
        if (used + cost > maxBytes)
            break;
        used += cost;
        i = end;
    }
    return text.left(i);
}

std::vector<std::uint8_t> ParseSendText(const std::uint8_t* gbk, std::size_t n, bool hex) {
    if (!hex)
        return std::vector<std::uint8_t>(gbk, gbk + n);

    std::vector<std::uint8_t> out;
    out.reserve(n / 2 + 1);
    bool inRun = false;
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = gbk[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit >= 0) {
            value = static_cast<std::uint8_t>((value << 4) | digit);
            inRun = true;
        } else if (inRun) {
            out.push_back(value);
            value = 0;
            inRun = false;
        }
    }
    if (inRun)
        out.push_back(value);
    return out;
}
