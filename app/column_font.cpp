#include "app/column_font.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

bool HasEvenColumns(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal blank = metrics.horizontalAdvance(QLatin1Char(' '));
    for (char c = '!'; c <= '~'; ++c)
        if (qAbs(metrics.horizontalAdvance(QLatin1Char(c)) - blank) > 0.01)
            return false;
    return true;
}

QFont ColumnFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Looked for once: going through the installed faces takes a while on a machine with many.
    static const QString family = [&font] {
        if (HasEvenColumns(font))
            return QString();
        QFont candidate = font;
        for (const QString& name : QFontDatabase::families()) {
            candidate.setFamilies({name});
            if (QFontDatabase::isFixedPitch(name) && HasEvenColumns(candidate))
                return name;
        }
        return QString();
    }();
    if (!family.isEmpty())
        font.setFamilies({family});
    return font;
}
