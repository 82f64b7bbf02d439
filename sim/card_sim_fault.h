#pragma once

#include <string>
#include <string_view>

// Ways the simulated card can misbehave, one at a time.
enum class CardSimFault {
    None,
    Silent,    // never answers
    Late,      // answers after a delay
    LowerCase, // hex digits in lower case
    Stale,     // other bytes ahead of the answer
    Status70,  // status answer of 70 bytes, length field 0046h
    Status72,  // status answer of 72 bytes, length field 0048h
    BadDigit,  // one data character is not a hex digit
    EarlyCr,   // the frame ends halfway through the data
    DropDigit, // one data character is missing, so the rest shifts
    WrongAck,  // a write is acknowledged with data that differ from what was written
    WrongType, // answers with a type that was not asked for
    WrongAckKind, // reads answered well; a write acknowledged as the other kind of write
};

// Names as given on the command line, e.g. "lower-case", "status-70".
bool ParseCardSimFault(std::string_view name, CardSimFault& fault);
std::string_view CardSimFaultName(CardSimFault fault);
// All names, separated by ", ", for help texts.
std::string CardSimFaultNameList();
