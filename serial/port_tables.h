#pragma once

#include <QString>
#include <array>

// What the six port lists offer, in list order.
struct PortEntry {
    const char* text;
    short commPort;
};
struct ParityEntry {
    const char* text;
    const char* letter;
};
struct HandshakeEntry {
    const char* text;
    int handshaking;
};

const std::array<PortEntry, 4>& PortTable();
const std::array<const char*, 16>& BaudTable();
const std::array<ParityEntry, 5>& ParityTable();
const std::array<const char*, 5>& DataBitsTable();
const std::array<const char*, 3>& StopBitsTable();
const std::array<HandshakeEntry, 4>& HandshakeTable();

// The six list indices of a port configuration (-1 where a list has no selection).
struct PortChoice {
    int port = -1, baud = -1, parity = -1, dataBits = -1, stopBits = -1, handshake = -1;
};

// The message for the first index that names no entry, checked in list order; empty when all do.
QString CheckPortChoice(const PortChoice& choice);
// "baud,parity,data,stop" for a choice that CheckPortChoice accepts, e.g. "9600,N,8,1".
QString SettingsString(const PortChoice& choice);
// Bits a character takes on the line (start, data, parity, stop), for bounding waits.
int BitsPerCharacter(const PortChoice& choice);
