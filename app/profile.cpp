// The profile in memory: its lines parsed once, looked up by section and key, and changed in place so
// that every line the program does not write stays byte for byte.
#include "app/profile.h"

#include "terminal/gbk_codec.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The two-byte characters of GBK: a lead byte 81-FE, a trail byte 40-FE other than 7F. A trail byte
// may be "]" (乚 is 81 5D), so the closing bracket of a section is looked for a character at a time.
bool IsGbkPair(unsigned char lead, unsigned char trail) {
    return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

// The name in ASCII, or a null array when it has other characters.
QByteArray AsciiOrNull(const QString& name) {
    for (QChar c : name)
        if (c.unicode() >= 0x80)
            return QByteArray();
    return name.toLatin1();
}

} // namespace

CProfile::CProfile(QString path) : m_path(std::move(path)) {
    Reload();
}

QByteArray CProfile::Encode(const QString& text) const {
    if (m_utf8)
        return text.toUtf8();
    return GbkEncode(text);
}

QString CProfile::Decode(QByteArrayView bytes) const {
    if (m_utf8)
        return QString::fromUtf8(bytes);
    return GbkDecode(bytes);
}

QByteArrayView CProfile::Bytes(const Line& line) const {
    if (line.edited >= 0)
        return QByteArrayView(m_edited[std::size_t(line.edited)]);
    return QByteArrayView(m_data.constData() + line.begin, qsizetype(line.size));
}

QByteArrayView CProfile::Name(const Line& line) const {
    const QByteArrayView bytes = Bytes(line);
    if (line.nameBegin != kFar)
        return bytes.sliced(line.nameBegin, line.nameSize);
    const Parsed p = ParseLine(bytes);
    return bytes.sliced(p.nameBegin, p.nameSize);
}

void CProfile::SetName(Line& line) const {
    const Parsed p = ParseLine(Bytes(line));
    line.kind = p.kind;
    const bool near = p.nameBegin < kFar && p.nameSize < 0xFFFF;
    line.nameBegin = near ? std::uint8_t(p.nameBegin) : kFar;
    line.nameSize = near ? std::uint16_t(p.nameSize) : 0;
}

CProfile::Parsed CProfile::ParseLine(QByteArrayView bytes) const {
    Parsed parsed;
    qsizetype end = bytes.size();
    if (end > 0 && bytes[end - 1] == '\n')
        --end;
    if (end > 0 && bytes[end - 1] == '\r')
        --end;
    qsizetype begin = 0;
    while (begin < end && IsBlank(bytes[begin]))
        ++begin;
    while (end > begin && IsBlank(bytes[end - 1]))
        --end;
    if (begin == end || bytes[begin] == ';' || bytes[begin] == '#')
        return parsed;
    if (bytes[begin] == '[') {
        qsizetype close = begin + 1;
        while (close < end && bytes[close] != ']') {
            const bool pair = !m_utf8 && close + 1 < end &&
                              IsGbkPair(static_cast<unsigned char>(bytes[close]), static_cast<unsigned char>(bytes[close + 1]));
            close += pair ? 2 : 1;
        }
        if (close >= end)
            return parsed;
        qsizetype nameBegin = begin + 1, nameEnd = close;
        while (nameBegin < nameEnd && IsBlank(bytes[nameBegin]))
            ++nameBegin;
        while (nameEnd > nameBegin && IsBlank(bytes[nameEnd - 1]))
            --nameEnd;
        parsed.kind = Kind::Section;
        parsed.nameBegin = nameBegin;
        parsed.nameSize = nameEnd - nameBegin;
        return parsed;
    }
    // "=" is never part of a two-byte GBK character, so the first one ends the key.
    const qsizetype eq = bytes.sliced(begin, end - begin).indexOf('=');
    if (eq <= 0)
        return parsed;
    qsizetype keyEnd = begin + eq;
    while (keyEnd > begin && IsBlank(bytes[keyEnd - 1]))
        --keyEnd;
    qsizetype valueBegin = begin + eq + 1;
    while (valueBegin < end && IsBlank(bytes[valueBegin]))
        ++valueBegin;
    parsed.kind = Kind::Entry;
    parsed.nameBegin = begin;
    parsed.nameSize = keyEnd - begin;
    parsed.valueBegin = valueBegin;
    parsed.valueSize = end - valueBegin;
    return parsed;
}

void CProfile::ParseAll() {
    m_lines.clear();
    // Two passes: the first counts the entries, so that the second fills a vector of the right size
    // (growing it by doubling would need twice the memory at its peak).
    const qsizetype n = m_data.size();
    const char* const base = m_data.constData();
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t count = 0;
        bool lastOther = false;
        for (qsizetype pos = 0; pos < n;) {
            const void* nl = std::memchr(base + pos, '\n', std::size_t(n - pos));
            const qsizetype next = nl ? qsizetype(static_cast<const char*>(nl) - base) + 1 : n;
            if (pos == 0 && nl)
                m_eol = next >= 2 && base[next - 2] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
            Line line;
            line.begin = std::uint32_t(pos);
            line.size = std::uint32_t(next - pos);
            SetName(line);
            // Blank lines and comments are kept as runs: a file of millions of them costs one entry.
            const bool other = line.kind == Kind::Other;
            if (!(other && lastOther))
                ++count;
            if (pass == 1) {
                if (other && lastOther)
                    m_lines.back().size += line.size;
                else
                    m_lines.push_back(line);
            }
            lastOther = other;
            pos = next;
        }
        if (pass == 0)
            m_lines.reserve(count + 64); // room for the window's own keys without growing
    }
}

bool CProfile::NameMatches(QByteArrayView stored, const QString& wanted, const QByteArray& wantedAscii) const {
    if (!wantedAscii.isNull()) {
        const bool storedAscii =
            std::all_of(stored.begin(), stored.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (storedAscii)
            return stored.size() == wantedAscii.size() &&
                   qstrnicmp(stored.data(), wantedAscii.constData(), size_t(stored.size())) == 0;
    }
    return Decode(stored).compare(wanted, Qt::CaseInsensitive) == 0;
}

std::ptrdiff_t CProfile::FindSection(const QString& section) const {
    const QByteArray ascii = AsciiOrNull(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && NameMatches(Name(m_lines[i]), section, ascii))
            return std::ptrdiff_t(i);
    }
    return -1;
}

// The first section of a name is the one that counts.
std::ptrdiff_t CProfile::FindEntry(const QString& section, const QString& key) const {
    const std::ptrdiff_t s = FindSection(section);
    if (s < 0)
        return -1;
    const QByteArray ascii = AsciiOrNull(key);
    for (std::size_t i = std::size_t(s) + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i) {
        if (m_lines[i].kind == Kind::Entry && NameMatches(Name(m_lines[i]), key, ascii))
            return std::ptrdiff_t(i);
    }
    return -1;
}

int CProfile::GetProfileInt(const QString& section, const QString& key, int defaultValue) const {
    const std::ptrdiff_t at = FindEntry(section, key);
    if (at < 0)
        return defaultValue;
    const QByteArrayView bytes = Bytes(m_lines[std::size_t(at)]);
    const Parsed p = ParseLine(bytes);
    const QByteArrayView v = bytes.sliced(p.valueBegin, p.valueSize);
    // A leading decimal number, as the classic profile functions read it; anything that is not a
    // number, or does not fit, gives the default.
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+'))
        negative = v[i++] == '-';
    const qsizetype digitsStart = i;
    qint64 value = 0;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9') {
        value = value * 10 + (v[i] - '0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return defaultValue;
        ++i;
    }
    if (i == digitsStart)
        return defaultValue;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return defaultValue;
    return int(value);
}

QString CProfile::GetProfileString(const QString& section, const QString& key, const QString& defaultValue) const {
    const std::ptrdiff_t at = FindEntry(section, key);
    if (at < 0)
        return defaultValue;
    const QByteArrayView bytes = Bytes(m_lines[std::size_t(at)]);
    const Parsed p = ParseLine(bytes);
    return DecodeText(Decode(bytes.sliced(p.valueBegin, p.valueSize)));
}

bool CProfile::WriteProfileInt(const QString& section, const QString& key, int value) {
    return SetEntry(section, key, QString::number(value));
}

bool CProfile::WriteProfileString(const QString& section, const QString& key, const QString& value) {
    return SetEntry(section, key, EncodeText(value));
}

bool CProfile::IsValidSectionName(const QString& section) {
    return !section.isEmpty() && !IsBlank(section.front()) && !IsBlank(section.back()) &&
           !section.contains(u']') && !section.contains(u'\r') && !section.contains(u'\n');
}

bool CProfile::IsValidKeyName(const QString& key) {
    return !key.isEmpty() && !IsBlank(key.front()) && !IsBlank(key.back()) && key.front() != u'[' &&
           key.front() != u';' && key.front() != u'#' && !key.contains(u'=') && !key.contains(u'\r') &&
           !key.contains(u'\n');
}

CProfile::Line CProfile::NewLine(Kind kind, const QByteArray& bytes, const QByteArray& eol) {
    m_edited.push_back(bytes + eol);
    Line line;
    line.size = std::uint32_t(m_edited.back().size());
    line.edited = std::int32_t(m_edited.size() - 1);
    SetName(line);
    line.kind = kind;
    return line;
}

void CProfile::ConvertToUtf8() {
    const QByteArray gbk = Serialize();
    QByteArray utf8;
    for (qsizetype pos = 0; pos < gbk.size();) {
        const qsizetype nl = gbk.indexOf('\n', pos);
        const qsizetype next = nl < 0 ? gbk.size() : nl + 1;
        const QByteArrayView one = QByteArrayView(gbk).sliced(pos, next - pos);
        const QString text = Decode(one);
        // Bytes that are not GBK text stay as they are: there is nothing to convert them to.
        utf8 += GbkEncode(text) == one ? text.toUtf8() : one.toByteArray();
        pos = next;
    }
    // Read again as the next run will read the file: kept bytes may mean something else in UTF-8.
    m_data = std::move(utf8);
    m_edited.clear();
    m_utf8 = true;
    ParseAll();
}

bool CProfile::SetEntry(const QString& section, const QString& key, const QString& value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key))
        return false;
    // One text GBK lacks (say "ñ" in a path) and the whole file is written as UTF-8, so that it comes
    // back exactly; a "?" in its place would point somewhere else on the next run.
    if (!m_utf8 && !(FitsGbk(section) && FitsGbk(key) && FitsGbk(value)))
        ConvertToUtf8();

    const std::ptrdiff_t s = FindSection(section);
    const QByteArray entry = Encode(key) + '=' + Encode(value);
    if (s < 0) {
        m_lines.push_back(NewLine(Kind::Section, '[' + Encode(section) + ']', m_eol));
        m_lines.push_back(NewLine(Kind::Entry, entry, m_eol));
        return true;
    }
    const QByteArray ascii = AsciiOrNull(key);
    std::size_t insertAt = std::size_t(s) + 1;
    for (std::size_t i = std::size_t(s) + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i) {
        if (m_lines[i].kind != Kind::Entry)
            continue;
        const QByteArrayView bytes = Bytes(m_lines[i]);
        const QByteArrayView stored = Name(m_lines[i]);
        if (NameMatches(stored, key, ascii)) {
            // Keep the key as it is spelt in the file, and the line's own line end.
            const QByteArray eol = !bytes.endsWith('\n')      ? QByteArray()
                                   : bytes.endsWith("\r\n") ? QByteArray("\r\n")
                                                             : QByteArray("\n");
            m_lines[i] = NewLine(Kind::Entry, stored.toByteArray() + '=' + Encode(value), eol);
            return true;
        }
        insertAt = i + 1;
    }
    m_lines.insert(m_lines.begin() + std::ptrdiff_t(insertAt), NewLine(Kind::Entry, entry, m_eol));
    return true;
}

QString CProfile::EncodeText(const QString& text) {
    const bool needsQuotes = text.contains(u'\r') || text.contains(u'\n') ||
                             (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace())) ||
                             (text.size() >= 2 && text.front() == u'"' && text.back() == u'"');
    if (!needsQuotes)
        return text;
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '"': out += QStringLiteral("\\\""); break;
        default: out += c;
        }
    }
    out += u'"';
    return out;
}

QString CProfile::DecodeText(const QString& stored) {
    if (stored.size() < 2 || stored.front() != u'"' || stored.back() != u'"')
        return stored;
    QString out;
    const qsizetype end = stored.size() - 1;
    for (qsizetype i = 1; i < end; ++i) {
        QChar c = stored[i];
        if (c == u'\\' && i + 1 < end) {
            const QChar n = stored[++i];
            switch (n.unicode()) {
            case 'r': c = u'\r'; break;
            case 'n': c = u'\n'; break;
            case 't': c = u'\t'; break;
            default: c = n; break;
            }
        }
        out += c;
    }
    return out;
}
