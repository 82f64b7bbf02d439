#pragma once

#include <QFont>

// Columns of text line up when the characters a reader aligns (blank, digits, letters, punctuation:
// printable ASCII) share one advance. The fixed-pitch flag does not tell: Noto Sans Mono is flagged
// proportional for a few wide symbols, yet its Latin glyphs share one advance.
bool HasEvenColumns(const QFont& font);

// The desktop's fixed font when it has even columns, else the first installed fixed-pitch face that
// has them, at the same size; else the desktop's fixed font all the same (the views then place each
// character in its column themselves).
QFont ColumnFont();
