#pragma once

#include <QString>
#include <vector>

// A drop-down list of the configuration dialogs: item texts with the code each stores.
struct CodeTableEntry {
    QString text;
    int code;
};
using CodeTable = std::vector<CodeTableEntry>;

// The index of the first item with this code; -1 when none has it.
int FindCodeIndex(const CodeTable& table, int code);
// The code of item `index`; -1 for an index outside the table (nothing selected).
int CodeAtIndex(const CodeTable& table, int index);

const CodeTable& BaudCodeTable();      // 2400 ... 115200 -> 1 ... 7
const CodeTable& DiversityCodeTable(); // primary 0, both 1, secondary 3
const CodeTable& GroupNameTable();     // SPECTRUM24_OEM0 ... F -> 0 ... 15
const CodeTable& Option11Table();      // not used, index 1 ... 15 -> 0 ... 15
