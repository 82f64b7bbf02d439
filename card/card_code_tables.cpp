#include "card/card_code_tables.h"

#include <algorithm>

int FindCodeIndex(const CodeTable& table, int code) {
    const auto it = std::find_if(table.begin(), table.end(), [code](const CodeTableEntry& e) { return e.code == code; });
    return it == table.end() ? -1 : int(it - table.begin());
}

int CodeAtIndex(const CodeTable& table, int index) {
    return index >= 0 && index < int(table.size()) ? table[std::size_t(index)].code : -1;
}

const CodeTable& BaudCodeTable() {
    static const CodeTable table{{QStringLiteral("2400"), 1},  {QStringLiteral("4800"), 2},
                                 {QStringLiteral("9600"), 3},  {QStringLiteral("19200"), 4},
                                 {QStringLiteral("38400"), 5}, {QStringLiteral("57600"), 6},
                                 {QStringLiteral("115200"), 7}};
    return table;
}

const CodeTable& DiversityCodeTable() {
    static const CodeTable table{
        {QStringLiteral("0 - Primary"), 0}, {QStringLiteral("1 - Both"), 1}, {QStringLiteral("3 - Secondary"), 3}};
    return table;
}

const CodeTable& GroupNameTable() {
    static const CodeTable table = [] {
        CodeTable t;
        for (int n = 0; n < 16; ++n)
            t.push_back({QStringLiteral("SPECTRUM24_OEM%1").arg(n, 1, 16).toUpper(), n});
        return t;
    }();
    return table;
}

const CodeTable& Option11Table() {
    static const CodeTable table = [] {
        CodeTable t{{QStringLiteral("Don't use option 11"), 0}};
        for (int n = 1; n < 16; ++n)
            t.push_back({QStringLiteral("Index %1 (offset %2)").arg(n).arg(n - 1), n});
        return t;
    }();
    return table;
}
