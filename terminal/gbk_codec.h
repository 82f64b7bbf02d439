#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// GBK (code page 936), the encoding of every text the program exchanges: the line, profiles, card
// fields, logs and dumps. The same bytes give the same text on every platform, whatever the locale:
// Qt's ICU converter where Qt has one, the system's code page 936 on Windows, where Qt may have none.
//
// Bytes: 00-7F one character each (ASCII), 80 the euro sign, FF U+F8F5; a lead byte 81-FE with a trail
// byte 40-7E or 80-FE one character. A lead byte followed by anything else gives U+FFFD, and that
// next byte is read again on its own.

// The GBK form of the text. Every character GBK lacks (a lone surrogate too) becomes one "?" and makes
// *ok false.
QByteArray GbkEncode(QStringView text, bool* ok = nullptr);

// Whether the text comes back unchanged from its GBK form.
bool FitsGbk(QStringView text);

// The text of the bytes; an invalid byte, and a lead byte at the very end, give U+FFFD each.
QString GbkDecode(QByteArrayView bytes);

// GBK bytes that come in pieces: a lead byte that ends one piece is decoded with the start of the
// next. Named as QStringDecoder's calls, for which it stands in.
class CGbkDecoder {
public:
    QString decode(QByteArrayView piece);
    // Forgets a lead byte still waiting.
    void resetState() { m_lead = -1; }

private:
    friend QString GbkDecode(QByteArrayView bytes);
    int m_lead = -1;
};
