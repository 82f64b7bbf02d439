#include "card/card_status.h"

#include "terminal/gbk_codec.h"

namespace {

enum StatusField {
    kUnitType,
    kSubtype,
    kMacAddress,
    kIpAddress,
    kFirmwareHeader,
    kSoftwareVersion,
    kStationName,
    kRtcTime,
    kContacted,
    kProtocol,
    kConnected,
    kFrameMode,
    kSerialMode,
    kHardwareType,
    kRadioType,
};

bool IsField(int field) {
    return field >= 0 && field < kStatusFieldCount;
}

QString YesNo(std::uint8_t flag) {
    return flag != 0 ? QStringLiteral("是") : QStringLiteral("否");
}

QString RtcTimeText(const std::uint8_t* p) {
    const std::uint32_t ms = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                             static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    const std::uint32_t s = ms / 1000;
    return QString::asprintf("%02u:%02u:%02u %03u", s / 3600, (s % 3600) / 60, s % 60, ms % 1000);
}

} // namespace

const std::array<int, 16>& StatusFieldOffsets() {
    static constexpr std::array<int, 16> kOffsets{0, 1, 2, 8, 12, 28, 44, 60, 64, 65, 66, 67, 68, 69, 70, 71};
    return kOffsets;
}

QString StatusFieldLabel(int field) {
    static const char* const kLabels[kStatusFieldCount] = {
        "单元类型",   "子类型",      "mac地址",         "IP地址",       "固件头版本/日期",
        "软件版本",   "用户/站名",   "时间（RTC格式）", "联系上了？",   "连接协议",
        "连接上了？", "帧模式标志?", "串行方式?",       "硬件平台类型", "标志802.11b协议",
    };
    return IsField(field) ? QString::fromUtf8(kLabels[field]) : QString();
}

QString StatusFieldOffsetText(int field) {
    return IsField(field) ? QString::asprintf("%02d", StatusFieldOffsets()[static_cast<std::size_t>(field)])
                          : QString();
}

QString StatusRawText(const CardStatusRecord& record, int field) {
    if (!IsField(field))
        return QString();
    const auto& offsets = StatusFieldOffsets();
    QString text;
    for (int i = offsets[static_cast<std::size_t>(field)]; i < offsets[static_cast<std::size_t>(field) + 1];
         ++i)
        text += QString::asprintf("%02XH ", record.bytes[static_cast<std::size_t>(i)]);
    return text;
}

QString StatusDecodedText(const CardStatusRecord& record, int field) {
    if (!IsField(field))
        return QString();
    const std::uint8_t* p = record.bytes.data() + StatusFieldOffsets()[static_cast<std::size_t>(field)];
    switch (field) {
    case kUnitType:
        return p[0] == 2 ? QStringLiteral("OEM卡") : QStringLiteral("普通类型");
    case kSubtype:
        return p[0] == 1 ? QStringLiteral("802.11b") : QStringLiteral("其它");
    case kMacAddress:
        return QString::asprintf("%02X.%02X.%02X.%02X.%02X.%02X", p[0], p[1], p[2], p[3], p[4], p[5]);
    case kIpAddress:
        return FormatDottedQuad(p);
    case kFirmwareHeader:
    case kSoftwareVersion:
    case kStationName:
        return FormatFixedText(p, 16);
    case kRtcTime:
        return RtcTimeText(p);
    case kProtocol:
        switch (p[0]) {
        case 2:
            return QStringLiteral("UDP");
        case 3:
            return QStringLiteral("TCP");
        case 4:
            return QStringLiteral("Telnet");
        case 5:
            return QStringLiteral("LPD");
        default:
            return QStringLiteral("Unkown");
        }
    case kContacted:
    case kConnected:
    case kFrameMode:
    case kSerialMode:
        return YesNo(p[0]);
    case kHardwareType:
        return QString::number(p[0]);
    case kRadioType:
        switch (p[0]) {
        case 0:
            return QStringLiteral("SPRING");
        case 1:
            return QStringLiteral("RF80211");
        case 2:
            return QStringLiteral("RF80211b");
        default:
            return QStringLiteral("未知");
        }
    }
    return QString();
}

QString FormatFixedText(const std::uint8_t* field, std::size_t width) {
    std::size_t length = 0;
    while (length < width && field[length] != 0)
        ++length;
    // The card's texts are GBK, as everything the program exchanges.
    return GbkDecode(QByteArrayView(reinterpret_cast<const char*>(field), static_cast<qsizetype>(length)));
}

QString FormatDottedQuad(const std::uint8_t* four) {
    return QString::asprintf("%d.%d.%d.%d", four[0], four[1], four[2], four[3]);
}
