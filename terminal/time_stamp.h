#pragma once

#include <QTime>
#include <cstdio>
#include <string>

// "18:05:01.123" between `before` and `after`: the time of day as both the receive area's stamps and
// the session log write it.
inline std::string TimeOfDayText(const QTime& t, const char* before = "", const char* after = "") {
    char text[64];
    std::snprintf(text, sizeof text, "%s%02d:%02d:%02d.%03d%s", before, t.hour(), t.minute(), t.second(),
                  t.msec(), after);
    return text;
}
