#pragma once

#include <QString>

// The string table: 101 the About item, 103 the start-up failure text.
QString LoadResString(int id);
