#include "serial/port_tables.h"

namespace {

bool InRange(int index, std::size_t size) { return index >= 0 && static_cast<std::size_t>(index) < size; }

} // namespace

const std::array<PortEntry, 4>& PortTable() {
    static const std::array<PortEntry, 4> table{{{"Com1", 1}, {"Com2", 2}, {"Com3", 3}, {"Com4", 4}}};
    return table;
}

const std::array<const char*, 16>& BaudTable() {
    // The last two are out of order; stored profiles hold indices into this order.
    static const std::array<const char*, 16> table{"110",   "300",   "600",   "1200",  "2400",   "4800",
                                                   "9600",  "14400", "19200", "28800", "38400",  "56000",
                                                   "57600", "115200", "12800", "25600"};
    return table;
}

const std::array<ParityEntry, 5>& ParityTable() {
    static const std::array<ParityEntry, 5> table{
        {{"NONE", "N"}, {"ODD", "O"}, {"EVEN", "E"}, {"SPACE", "S"}, {"MARK", "M"}}};
    return table;
}

const std::array<const char*, 5>& DataBitsTable() {
    static const std::array<const char*, 5> table{"4", "5", "6", "7", "8"};
    return table;
}

const std::array<const char*, 3>& StopBitsTable() {
    static const std::array<const char*, 3> table{"1", "1.5", "2"};
    return table;
}

const std::array<HandshakeEntry, 4>& HandshakeTable() {
    static const std::array<HandshakeEntry, 4> table{
        {{"ComNone", 0}, {"comXOnXOff", 1}, {"ComRTS", 2}, {"comRtsXOnXOff", 3}}};
    return table;
}

QString CheckPortChoice(const PortChoice& c) {
    if (!InRange(c.port, PortTable().size()))
        return QStringLiteral("请设置串口号！");
    if (!InRange(c.baud, BaudTable().size()))
        return QStringLiteral("请设置波特率！");
    if (!InRange(c.parity, ParityTable().size()) || !InRange(c.dataBits, DataBitsTable().size()) ||
        !InRange(c.stopBits, StopBitsTable().size()))
        return QStringLiteral("请设置校验方式！");
    if (!InRange(c.handshake, HandshakeTable().size()))
        return QStringLiteral("请设置握手协议！");
    return QString();
}

QString SettingsString(const PortChoice& c) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(QLatin1String(BaudTable()[c.baud]), QLatin1String(ParityTable()[c.parity].letter),
             QLatin1String(DataBitsTable()[c.dataBits]), QLatin1String(StopBitsTable()[c.stopBits]));
}

int BitsPerCharacter(const PortChoice& c) {
    const int data = InRange(c.dataBits, DataBitsTable().size()) ? 4 + c.dataBits : 8;
    const int parity = c.parity > 0 ? 1 : 0;
    const int stop = c.stopBits > 0 ? 2 : 1;
    return 1 + data + parity + stop;
}
