#include "app/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <limits>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// Trims ASCII blanks and tabs (not the bytes of a GBK character).
QByteArray TrimBlanks(const QByteArray& bytes) {
    qsizetype begin = 0, end = bytes.size();
    while (begin < end && (bytes[begin] == ' ' || bytes[begin] == '\t'))
        ++begin;
    while (end > begin && (bytes[end - 1] == ' ' || bytes[end - 1] == '\t'))
        --end;
    return bytes.mid(begin, end - begin);
}

} // namespace

CProfile::CProfile(QString path) : m_path(std::move(path)) { Reload(); }

QString CProfile::DefaultPath() {
    QString base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("serimo");
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    return QDir(dir).filePath(base + QStringLiteral(".ini"));
}

QByteArray CProfile::Encode(const QString& text) const {
    if (m_utf8)
        return text.toUtf8();
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString CProfile::Decode(const QByteArray& bytes) const {
    if (m_utf8)
        return QString::fromUtf8(bytes);
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

CProfile::Line CProfile::ParseLine(const QByteArray& raw) const {
    Line line;
    line.raw = raw;
    const QByteArray text = TrimBlanks(raw);
    if (text.isEmpty() || text.startsWith(';') || text.startsWith('#'))
        return line;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close > 0) {
            line.kind = Line::Section;
            line.section = Decode(TrimBlanks(text.mid(1, close - 1)));
        }
        return line;
    }
    const qsizetype eq = text.indexOf('=');
    if (eq > 0) {
        line.kind = Line::Entry;
        line.key = Decode(TrimBlanks(text.left(eq)));
        line.value = Decode(TrimBlanks(text.mid(eq + 1)));
    }
    return line;
}

void CProfile::Reload() {
    m_lines.clear();
    m_utf8 = false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A profile is small; anything huge is not ours to understand, but it is kept as it is.
    QByteArray bytes = file.readAll();
    if (bytes.startsWith(kUtf8Bom)) {
        m_utf8 = true;
        bytes.remove(0, kUtf8Bom.size());
    }
    const QList<QByteArray> rawLines = bytes.split('\n');
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        QByteArray raw = rawLines[i];
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (i == rawLines.size() - 1 && raw.isEmpty())
            break; // the line end of the last line
        m_lines.push_back(ParseLine(raw));
    }
}

const CProfile::Line* CProfile::FindEntry(const QString& section, const QString& key) const {
    bool inSection = false;
    bool seenSection = false;
    for (const Line& line : m_lines) {
        if (line.kind == Line::Section) {
            // The first section of a name is the one that counts.
            if (inSection)
                return nullptr;
            inSection = !seenSection && line.section.compare(section, Qt::CaseInsensitive) == 0;
            seenSection = seenSection || inSection;
        } else if (inSection && line.kind == Line::Entry && line.key.compare(key, Qt::CaseInsensitive) == 0) {
            return &line;
        }
    }
    return nullptr;
}

int CProfile::GetProfileInt(const QString& section, const QString& key, int defaultValue) const {
    const Line* line = FindEntry(section, key);
    if (!line)
        return defaultValue;
    // A leading decimal number, as the classic profile functions read it; anything that is not a
    // number, or does not fit, gives the default.
    const QString& v = line->value;
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+'))
        negative = v[i++] == u'-';
    const qsizetype digitsStart = i;
    qint64 value = 0;
    while (i < v.size() && v[i] >= u'0' && v[i] <= u'9') {
        value = value * 10 + (v[i].unicode() - u'0');
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
    const Line* line = FindEntry(section, key);
    return line ? DecodeText(line->value) : defaultValue;
}

void CProfile::WriteProfileInt(const QString& section, const QString& key, int value) {
    SetEntry(section, key, QString::number(value));
}

void CProfile::WriteProfileString(const QString& section, const QString& key, const QString& value) {
    SetEntry(section, key, EncodeText(value));
}

void CProfile::SetEntry(const QString& section, const QString& key, const QString& value) {
    Line entry;
    entry.kind = Line::Entry;
    entry.key = key;
    entry.value = value;

    size_t sectionLine = m_lines.size();
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Section && m_lines[i].section.compare(section, Qt::CaseInsensitive) == 0) {
            sectionLine = i;
            break;
        }
    }
    if (sectionLine == m_lines.size()) {
        Line head;
        head.kind = Line::Section;
        head.section = section;
        head.raw = Encode(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.push_back(head);
        entry.raw = Encode(key + QLatin1Char('=') + value);
        m_lines.push_back(entry);
        return;
    }
    size_t insertAt = sectionLine + 1;
    for (size_t i = sectionLine + 1; i < m_lines.size() && m_lines[i].kind != Line::Section; ++i) {
        if (m_lines[i].kind != Line::Entry)
            continue;
        if (m_lines[i].key.compare(key, Qt::CaseInsensitive) == 0) {
            // Keep the key as it is spelt in the file.
            entry.key = m_lines[i].key;
            entry.raw = Encode(entry.key + QLatin1Char('=') + value);
            m_lines[i] = entry;
            return;
        }
        insertAt = i + 1;
    }
    entry.raw = Encode(key + QLatin1Char('=') + value);
    m_lines.insert(m_lines.begin() + qsizetype(insertAt), entry);
}

bool CProfile::Flush(QString* error) {
    QByteArray bytes;
    if (m_utf8)
        bytes += kUtf8Bom;
    for (const Line& line : m_lines) {
        bytes += line.raw;
        bytes += "\r\n";
    }
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("%1: cannot create the folder").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_path, file.errorString());
        return false;
    }
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
