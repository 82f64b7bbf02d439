#include "card/card_config_form.h"

#include "card/card_code_tables.h"
#include "card/card_status.h"
#include "card/hex_scan.h"
#include "res/resource.h"
#include "terminal/gbk_codec.h"

#include <QList>
#include <algorithm>
#include <optional>

namespace {

// Record codes of the radio groups, by button index.
constexpr std::array<int, 4> kProtocolCodes{3, 2, 5, 4};
constexpr std::array<int, 3> kDataFormatCodes{2, 0, 1};
constexpr std::array<int, 2> kConnectModeCodes{2, 1};
constexpr std::array<int, 2> kIoModeCodes{1, 0};
constexpr std::array<int, 2> kWakeupCodes{1, 0};

template <std::size_t N>
int IndexOf(const std::array<int, N>& codes, int code) {
    const auto it = std::find(codes.begin(), codes.end(), code);
    return it == codes.end() ? -1 : int(it - codes.begin());
}

// The bytes a text field stores: the loaded bytes while the text is unchanged, else its GBK form;
// nothing when the text holds characters GBK cannot store.
std::optional<std::string> TextBytes(const QString& text, const QString& loaded, const std::string& raw) {
    if (text == loaded)
        return raw;
    bool ok = false;
    const QByteArray bytes = GbkEncode(text, &ok);
    if (!ok)
        return std::nullopt;
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// A whole unsigned decimal number up to `maximum`, blanks around it allowed.
std::optional<unsigned> ParseNumber(const QString& text, unsigned maximum) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 10)
        return std::nullopt;
    unsigned long long value = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + unsigned(c.unicode() - '0');
    }
    if (value > maximum)
        return std::nullopt;
    return unsigned(value);
}

FormCollectResult TooLong(const char* field, int maximum, int focusId) {
    return FormCollectResult::Fail(QStringLiteral("%1 最多只能输入%2个字符（一个汉字占两个）！")
                                       .arg(QString::fromUtf8(field))
                                       .arg(maximum),
                                   focusId);
}

// Names the first character of a text field that GBK cannot store.
FormCollectResult NotGbk(const char* field, const QString& text, int focusId) {
    QString character;
    for (qsizetype i = 0; i < text.size() && character.isEmpty();) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype n = pair ? 2 : 1;
        bool ok = false;
        GbkEncode(QStringView(text).mid(i, n), &ok);
        if (!ok)
            character = text.mid(i, n);
        i += n;
    }
    const QList<uint> code = character.toUcs4();
    return FormCollectResult::Fail(
        QStringLiteral("%1 中的“%2”（U+%3）不是GBK字符，无法写入卡中！")
            .arg(QString::fromUtf8(field), character,
                 QString::number(code.value(0), 16).toUpper().rightJustified(4, QLatin1Char('0'))),
        focusId);
}

FormCollectResult NotANumber(const char* field, unsigned maximum, int focusId) {
    return FormCollectResult::Fail(
        QStringLiteral("%1 必须是0到%2之间的整数！").arg(QString::fromUtf8(field)).arg(maximum), focusId);
}

} // namespace

void CardConfigForm::Load(const CardConfigRecord& r) {
    unitName = FormatFixedText(r.bytes.data() + 14, CardConfigRecord::kUnitNameSize);
    essId = FormatFixedText(r.bytes.data() + 95, CardConfigRecord::kEssIdSize);
    m_loadedUnitName = unitName;
    m_loadedEssId = essId;
    m_rawUnitName = r.UnitName();
    m_rawEssId = r.EssId();

    localIp = r.LocalIp();
    remoteIp = r.RemoteIp();
    gatewayIp = r.GatewayIp();
    subnetMask = r.SubnetMask();

    protocol = IndexOf(kProtocolCodes, r.Protocol());
    dataFormat = IndexOf(kDataFormatCodes, r.DataFormat());
    connectMode = IndexOf(kConnectModeCodes, r.ConnectMode());
    ioMode = IndexOf(kIoModeCodes, r.IoMode());
    wakeup = IndexOf(kWakeupCodes, r.Wakeup());

    retry = QString::number(r.RetryMs());
    port = QString::number(r.IpPort());
    cmdEscape = QString::asprintf("%02X", r.CmdEscapeChar());
    msgPrefix = r.MsgPrefixChar() ? QString(QChar(r.MsgPrefixChar())) : QString();
    m_loadedMsgPrefix = msgPrefix;

    baud = FindCodeIndex(BaudCodeTable(), r.BaudCode());
    diversity = FindCodeIndex(DiversityCodeTable(), r.Diversity());

    inhibitMessages = r.InhibitMessages() != 0;
    byteStuffing = r.ByteStuffing();
    powerSaveEnabled = r.PowerSaveEnabled() == 1;
    powerSaveAlgorithm = r.PowerSaveAlgorithm();
    closeOnOutOfRange = r.CloseOnOutOfRange();
    captureEssId = r.CaptureEssId();
    dhcpEnabled = r.DhcpEnabled();
    flashDhcp = r.FlashDhcp();
    replaceRemoteIp = r.ReplaceRemoteIp();
    sendUnitNameId = !r.NoUnitNameId();

    dhcpTimeout = QString::number(r.DhcpTimeout());
    groupName = r.GroupNameIndex();
    option11 = r.Option11Index();
}

FormCollectResult CardConfigForm::Collect(CardConfigRecord& r) const {
    // What the controls' own transfer refuses.
    const std::optional<std::string> unitNameBytes = TextBytes(unitName, m_loadedUnitName, m_rawUnitName);
    if (!unitNameBytes)
        return NotGbk("Unit Name", unitName, IDC_CFG_UNIT_NAME);
    if (unitNameBytes->size() > CardConfigRecord::kUnitNameSize - 1)
        return TooLong("Unit Name", int(CardConfigRecord::kUnitNameSize - 1), IDC_CFG_UNIT_NAME);
    const std::optional<std::string> essIdBytes = TextBytes(essId, m_loadedEssId, m_rawEssId);
    if (!essIdBytes)
        return NotGbk("802.11 ESS ID", essId, IDC_CFG_ESS_ID);
    if (essIdBytes->size() > CardConfigRecord::kEssIdSize - 1)
        return TooLong("802.11 ESS ID", int(CardConfigRecord::kEssIdSize - 1), IDC_CFG_ESS_ID);
    // Both are 16-bit fields: a larger number would be stored as a different one.
    const std::optional<unsigned> retryMs = ParseNumber(retry, 0xFFFF);
    if (!retryMs)
        return NotANumber("Retry", 0xFFFF, IDC_CFG_RETRY);
    const std::optional<unsigned> ipPort = ParseNumber(port, 0xFFFF);
    if (!ipPort)
        return NotANumber("Port", 0xFFFF, IDC_CFG_PORT);
    // A byte of 80h or more read from the card shows as the character of that code and goes back
    // as it came; typed, only ASCII is taken.
    const bool typedAboveAscii =
        msgPrefix.size() == 1 && msgPrefix[0].unicode() > 0x7F && msgPrefix != m_loadedMsgPrefix;
    if (msgPrefix.size() > 1 || typedAboveAscii)
        return FormCollectResult::Fail(QStringLiteral("Msg Prefix Char 只能是一个ASCII字符！"), IDC_CFG_MSG_PREFIX);
    if (cmdEscape.size() > 2)
        return TooLong("Cmd Escape Char", 2, IDC_CFG_CMD_ESCAPE);
    const std::optional<unsigned> timeout = ParseNumber(dhcpTimeout, 0xFF);
    if (!timeout)
        return NotANumber("DHCP Response Timeout", 0xFF, IDC_CFG_DHCP_TIMEOUT);

    r.SetUnitName(*unitNameBytes);
    r.SetEssId(*essIdBytes);

    r.SetLocalIp(localIp);
    r.SetRemoteIp(remoteIp);
    r.SetGatewayIp(gatewayIp);
    r.SetSubnetMask(subnetMask);

    if (protocol < 0 || protocol >= int(kProtocolCodes.size()))
        return FormCollectResult::Fail(QStringLiteral("请选择使用的协议!"), IDC_CFG_TCP);
    r.SetProtocol(std::uint8_t(kProtocolCodes[std::size_t(protocol)]));
    if (dataFormat < 0 || dataFormat >= int(kDataFormatCodes.size()))
        return FormCollectResult::Fail(QStringLiteral("请选择使用的数据格式!"), IDC_CFG_STREAM);
    r.SetDataFormat(std::uint8_t(kDataFormatCodes[std::size_t(dataFormat)]));
    if (connectMode < 0 || connectMode >= int(kConnectModeCodes.size()))
        return FormCollectResult::Fail(QStringLiteral("请选择OEM卡处于呼叫还是监听!"), IDC_CFG_CALL_REMOTE);
    r.SetConnectMode(std::uint8_t(kConnectModeCodes[std::size_t(connectMode)]));
    if (ioMode < 0 || ioMode >= int(kIoModeCodes.size()))
        return FormCollectResult::Fail(QStringLiteral("请选择IO模式!"), IDC_CFG_ISA);
    r.SetIoMode(std::uint8_t(kIoModeCodes[std::size_t(ioMode)]));
    if (wakeup < 0 || wakeup >= int(kWakeupCodes.size()))
        return FormCollectResult::Fail(QStringLiteral("请选择WAKEUP模式!"), IDC_CFG_WAKEUP_YES);
    r.SetWakeup(std::uint8_t(kWakeupCodes[std::size_t(wakeup)]));

    r.SetRetryMs(std::uint16_t(*retryMs));
    r.SetIpPort(std::uint16_t(*ipPort));

    const QByteArray escapeText = cmdEscape.toLatin1();
    const std::optional<std::uint32_t> escape =
        ScanHex2(std::string_view(escapeText.constData(), std::size_t(escapeText.size())));
    if (!escape)
        return FormCollectResult::Fail(QStringLiteral("请设置 Cmd Escape Char!"), IDC_CFG_CMD_ESCAPE);
    if (*escape >= 0x80)
        return FormCollectResult::Fail(QStringLiteral("Cmd Escape Char必须小于80H!"), IDC_CFG_CMD_ESCAPE);
    r.SetCmdEscapeChar(std::uint8_t(*escape));

    if (msgPrefix.size() != 1)
        return FormCollectResult::Fail(QStringLiteral("请设置 Msg Prefix Char!"), IDC_CFG_MSG_PREFIX);
    r.SetMsgPrefixChar(std::uint8_t(msgPrefix[0].unicode()));

    const int baudCode = CodeAtIndex(BaudCodeTable(), baud);
    if (baudCode < 0)
        return FormCollectResult::Fail(QStringLiteral("请设置波特率!"), IDC_CFG_BAUD);
    r.SetBaudCode(std::uint8_t(baudCode));
    const int diversityCode = CodeAtIndex(DiversityCodeTable(), diversity);
    if (diversityCode < 0)
        return FormCollectResult::Fail(QStringLiteral("请设置diversity!"), IDC_CFG_DIVERSITY);
    r.SetDiversity(std::uint8_t(diversityCode));

    r.SetInhibitMessages(inhibitMessages ? 1 : 0);
    r.SetByteStuffing(byteStuffing);
    r.SetPowerSaveEnabled(powerSaveEnabled ? 1 : 0);
    r.SetPowerSaveAlgorithm(std::uint8_t(powerSaveAlgorithm & 0xFF));

    r.SetCloseOnOutOfRange(closeOnOutOfRange);
    r.SetCaptureEssId(captureEssId);
    r.SetDhcpEnabled(dhcpEnabled);
    r.SetFlashDhcp(flashDhcp);
    r.SetReplaceRemoteIp(replaceRemoteIp);
    r.SetNoUnitNameId(!sendUnitNameId);

    r.SetDhcpTimeout(std::uint8_t(*timeout));
    r.SetGroupNameIndex(std::uint8_t(std::max(0, groupName)));
    r.SetOption11Index(std::uint8_t(std::max(0, option11)));
    return {};
}

CardConfigForm::EnableState CardConfigForm::Enables() const {
    EnableState e;
    e.direct = ioMode == kIsa;
    e.retry = connectMode == kCallRemote;
    e.captureEssId = essId.isEmpty();
    e.dhcpGroup = dhcpEnabled;
    e.option11 = dhcpEnabled && !replaceRemoteIp;
    e.replaceRemoteIpText = QStringLiteral("Replace static remote IP with %1 server IP")
                                .arg(dhcpEnabled ? QStringLiteral("DHCP") : QStringLiteral("BOOTP"));
    return e;
}
