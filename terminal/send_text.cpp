#include "terminal/send_text.h"

#include <QStringEncoder>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

QStringEncoder GbkEncoder() { return QStringEncoder("GBK", QStringConverter::Flag::Stateless); }

// End of the character that starts at i: a surrogate pair and \r\n are one character each.
qsizetype CharEnd(const QString& text, qsizetype i) {
    const QChar c = text.at(i);
    const bool pairs = i + 1 < text.size() && ((c == u'\r' && text.at(i + 1) == u'\n') ||
                                               (c.isHighSurrogate() && text.at(i + 1).isLowSurrogate()));
    return pairs ? i + 2 : i + 1;
}

bool IsLoneSurrogate(const QString& text, qsizetype begin, qsizetype end) {
    return end - begin == 1 && text.at(begin).isSurrogate();
}

// Line breaks become \r\n. Lone surrogates become U+FFFD: the codec would otherwise drop one at the
// very end while turning the same one elsewhere into "?", and a prefix must cost what it costs inside
// the whole text.
QString LineText(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype end = CharEnd(text, i);
        if (text.at(i) == u'\n')
            out += QStringLiteral("\r\n");
        else if (IsLoneSurrogate(text, i, end))
            out += QChar(kReplacement);
        else
            out += QStringView(text).sliced(i, end - i);
        i = end;
    }
    return out;
}

} // namespace

QByteArray SendBoxBytes(const QString& text) {
    QStringEncoder encoder = GbkEncoder();
    return encoder.encode(LineText(text));
}

int SendBoxByteLength(const QString& text) { return static_cast<int>(SendBoxBytes(text).size()); }

QString TruncateSendBox(const QString& text, int maxBytes) {
    QStringEncoder encoder = GbkEncoder();
    const qint64 replacementCost = QByteArray(encoder.encode(QStringView(&kReplacement, 1))).size();
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
        else if (IsLoneSurrogate(text, i, end))
            cost = replacementCost;
        else
            cost = QByteArray(encoder.encode(QStringView(text).sliced(i, end - i))).size();
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
