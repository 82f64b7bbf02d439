#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

// GBK for the characters the tests write, from a table of their own: an expectation made with the
// program's codec would pass with that codec broken. A character missing here stops the test.
namespace gbk_table {

struct Entry {
    char16_t character;
    const char* bytes;
};

inline constexpr Entry kEntries[] = {
    {u'：', "\xA3\xBA"}, {u'长', "\xB3\xA4"}, {u'答', "\xB4\xF0"}, {u'的', "\xB5\xC4"}, {u'第', "\xB5\xDA"},
    {u'度', "\xB6\xC8"}, {u'二', "\xB6\xFE"}, {u'发', "\xB7\xA2"}, {u'号', "\xBA\xC5"}, {u'回', "\xBB\xD8"},
    {u'据', "\xBE\xDD"}, {u'扩', "\xC0\xA9"}, {u'列', "\xC1\xD0"}, {u'令', "\xC1\xEE"}, {u'命', "\xC3\xFC"},
    {u'配', "\xC5\xE4"}, {u'确', "\xC8\xB7"}, {u'认', "\xC8\xCF"}, {u'设', "\xC9\xE8"}, {u'数', "\xCA\xFD"},
    {u'送', "\xCB\xCD"}, {u'态', "\xCC\xAC"}, {u'未', "\xCE\xB4"}, {u'文', "\xCE\xC4"}, {u'息', "\xCF\xA2"},
    {u'消', "\xCF\xFB"}, {u'信', "\xD0\xC5"}, {u'行', "\xD0\xD0"}, {u'序', "\xD0\xF2"}, {u'展', "\xD5\xB9"},
    {u'知', "\xD6\xAA"}, {u'置', "\xD6\xC3"}, {u'中', "\xD6\xD0"}, {u'状', "\xD7\xB4"},
};

} // namespace gbk_table

inline QByteArray GbkBytes(QStringView text) {
    QByteArray out;
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            out += char(c.unicode());
            continue;
        }
        const gbk_table::Entry* found = nullptr;
        for (const auto& e : gbk_table::kEntries)
            if (e.character == c.unicode())
                found = &e;
        if (!found)
            qFatal("tests/support/gbk_table.h has no U+%04X", unsigned(c.unicode()));
        out += found->bytes;
    }
    return out;
}

// A lead byte at the very end is left out, as a decoder that waits for the rest leaves it.
inline QString GbkText(QByteArrayView bytes) {
    QString out;
    for (qsizetype i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            out += QLatin1Char(bytes[i++]);
            continue;
        }
        if (i + 1 == bytes.size())
            break;
        const QByteArrayView pair = bytes.sliced(i, 2);
        const gbk_table::Entry* found = nullptr;
        for (const auto& e : gbk_table::kEntries)
            if (pair == QByteArrayView(e.bytes))
                found = &e;
        if (!found)
            qFatal("tests/support/gbk_table.h has no %s", pair.toByteArray().toHex(' ').constData());
        out += QChar(found->character);
        i += 2;
    }
    return out;
}
