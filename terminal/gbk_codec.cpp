#include "terminal/gbk_codec.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QStringDecoder>
#include <QStringEncoder>
#endif

namespace {

constexpr char16_t kReplacement = 0xFFFD;
// Keeps what one call to the system converts within an int.
constexpr qsizetype kMaxRun = qsizetype(1) << 20;

bool IsLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

bool IsTrail(unsigned char b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// The only single bytes above ASCII, 80 and FF, as ICU reads them (Wine's code page 936 lacks FF);
// 0 for any other byte.
char16_t Single(unsigned char b) {
    return b == 0x80 ? u'\u20AC' : b == 0xFF ? u'\uF8F5' : 0;
}

// The bytes are split into characters here, on every platform, and only whole characters reach the
// converter: the system's code page 936 reads invalid bytes and split characters unlike ICU.
#ifdef Q_OS_WIN
constexpr UINT kCodePage = 936;

class CRunDecoder {
public:
    void Append(QString& out, QByteArrayView run) {
        if (run.isEmpty())
            return;
        const qsizetype at = out.size();
        out.resize(at + run.size()); // at most one UTF-16 unit a byte
        const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), int(run.size()),
                                          reinterpret_cast<wchar_t*>(out.data() + at), int(run.size()));
        out.resize(at + n);
        if (n > 0)
            return;
        // A character this system's table lacks: U+FFFD for that one alone.
        for (qsizetype i = 0; i < run.size();) {
            const qsizetype len = IsLead(static_cast<unsigned char>(run[i])) ? 2 : 1;
            wchar_t one[2];
            const int m =
                MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data() + i, int(len), one, 2);
            if (m > 0)
                out.append(QStringView(one, m));
            else
                out.append(QChar(kReplacement));
            i += len;
        }
    }
};

// False when some character has no GBK form; `out` is then of no use.
bool SystemEncode(QStringView text, QByteArray& out) {
    out.clear();
    if (text.isEmpty())
        return true;
    if (text.size() > kMaxRun)
        return false; // taken a character at a time instead
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return false;
    out.resize(n);
    return WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), out.data(), n,
                               nullptr, &usedDefault) == n &&
           !usedDefault;
}
#else
class CRunDecoder {
public:
    void Append(QString& out, QByteArrayView run) {
        if (!run.isEmpty())
            out += m_icu.decode(run);
    }

private:
    QStringDecoder m_icu{"GBK", QStringConverter::Flag::Stateless};
};

bool SystemEncode(QStringView text, QByteArray& out) {
    QStringEncoder icu("GBK", QStringConverter::Flag::Stateless);
    out = icu.encode(text);
    return !icu.hasError();
}
#endif

// Appends the text of `bytes` to `out`, `lead` being a lead byte left over from the bytes before
// them (or -1); returns the one left over at their end.
int DecodeInto(QString& out, QByteArrayView bytes, int lead) {
    CRunDecoder runs;
    qsizetype i = 0;
    if (lead >= 0 && !bytes.isEmpty()) {
        if (IsTrail(static_cast<unsigned char>(bytes[0]))) {
            const char pair[2] = {char(lead), bytes[0]};
            runs.Append(out, QByteArrayView(pair, 2));
            i = 1;
        } else {
            out += QChar(kReplacement);
        }
        lead = -1;
    }
    qsizetype start = i;
    while (i < bytes.size()) {
        if (i - start >= kMaxRun) {
            runs.Append(out, bytes.sliced(start, i - start));
            start = i;
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (const char16_t single = Single(b)) {
            runs.Append(out, bytes.sliced(start, i - start));
            out += QChar(single);
            start = ++i;
        } else if (!IsLead(b)) {
            ++i;
        } else if (i + 1 == bytes.size()) {
            lead = b;
            break;
        } else if (IsTrail(static_cast<unsigned char>(bytes[i + 1]))) {
            i += 2;
        } else {
            runs.Append(out, bytes.sliced(start, i - start));
            out += QChar(kReplacement);
            start = ++i;
        }
    }
    runs.Append(out, bytes.sliced(start, i - start));
    return lead;
}

} // namespace

QByteArray GbkEncode(QStringView text, bool* ok) {
    QByteArray out;
    bool fits = SystemEncode(text, out);
    if (!fits) {
        // A character at a time, so that each one GBK lacks is one "?" everywhere: ICU alone drops
        // some (U+200B, U+FEFF) and holds a lone surrogate at the end back.
        out.clear();
        fits = true;
        QByteArray one;
        for (qsizetype i = 0; i < text.size();) {
            const bool pair =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
            const qsizetype n = pair ? 2 : 1;
            if ((pair || !text[i].isSurrogate()) && SystemEncode(text.sliced(i, n), one)) {
                out += one;
            } else {
                out += '?';
                fits = false;
            }
            i += n;
        }
    }
    if (ok)
        *ok = fits;
    return out;
}

bool FitsGbk(QStringView text) {
    bool ok = false;
    const QByteArray bytes = GbkEncode(text, &ok);
    return ok && GbkDecode(bytes) == text;
}

QString GbkDecode(QByteArrayView bytes) {
    CGbkDecoder decoder;
    QString text = decoder.decode(bytes);
    if (decoder.m_lead >= 0)
        text += QChar(kReplacement);
    return text;
}

QString CGbkDecoder::decode(QByteArrayView piece) {
    QString text;
    text.reserve(piece.size() + 1);
    m_lead = DecodeInto(text, piece, m_lead);
    return text;
}
