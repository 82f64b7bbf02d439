#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The card's configuration block as it travels on the line and in .cfg files: bytes 0-127 are the
// basic part, the rest the extended part. Numbers are little-endian. A bit-field setter changes only
// the bits it owns; the card's own bits in the same byte stay as they were.
struct CardConfigRecord {
    static constexpr std::size_t kSize = 541, kBasicSize = 128;
    static constexpr std::size_t kUnitNameSize = 16, kEssIdSize = 32;
    static constexpr std::size_t kWepKeySlots = 4, kWepKeyBytes = 13;

    using Ip4 = std::array<std::uint8_t, 4>;
    using Mac = std::array<std::uint8_t, 6>;
    using WepKey = std::array<std::uint8_t, kWepKeyBytes>;

    // Bits of basicRates and txRates.
    enum Rate : int { kRate1M = 0, kRate2M = 1, kRate5_5M = 2, kRate11M = 3 };

    std::array<std::uint8_t, kSize> bytes{};

    // --- Basic part.
    Ip4 LocalIp() const { return GetIp(2); }
    void SetLocalIp(const Ip4& ip) { SetIp(2, ip); }
    Ip4 SubnetMask() const { return GetIp(6); }
    void SetSubnetMask(const Ip4& ip) { SetIp(6, ip); }
    Ip4 GatewayIp() const { return GetIp(10); }
    void SetGatewayIp(const Ip4& ip) { SetIp(10, ip); }
    // Raw bytes up to the first zero, at most 16. Setting clears the field, then copies at most 16.
    std::string UnitName() const { return GetText(14, kUnitNameSize); }
    void SetUnitName(std::string_view name) { SetText(14, kUnitNameSize, name); }
    std::uint8_t PowerSaveEnabled() const { return bytes[30]; }
    void SetPowerSaveEnabled(std::uint8_t v) { bytes[30] = v; }
    std::uint8_t PowerSaveAlgorithm() const { return bytes[31]; }
    void SetPowerSaveAlgorithm(std::uint8_t v) { bytes[31] = v; }
    std::uint8_t ConnectMode() const { return bytes[38]; } // 2 call remote, 1 listen
    void SetConnectMode(std::uint8_t v) { bytes[38] = v; }
    Ip4 RemoteIp() const { return GetIp(40); }
    void SetRemoteIp(const Ip4& ip) { SetIp(40, ip); }
    std::uint16_t IpPort() const { return Get16(61); }
    void SetIpPort(std::uint16_t v) { Set16(61, v); }
    std::uint8_t Wakeup() const { return bytes[81]; } // 1 yes, 0 no
    void SetWakeup(std::uint8_t v) { bytes[81] = v; }

    // Byte 82: bits 0-3 group name index, bits 4-5 the card's, bit 6 close on out of range, bit 7 set
    // when the unit name is NOT sent as the option 61 ID.
    std::uint8_t DhcpOptionFlags() const { return bytes[82]; }
    std::uint8_t GroupNameIndex() const { return GetNibble(82); }
    void SetGroupNameIndex(std::uint8_t v) { SetNibble(82, v); }
    bool CloseOnOutOfRange() const { return GetBit(82, 6); }
    void SetCloseOnOutOfRange(bool on) { SetBit(82, 6, on); }
    bool NoUnitNameId() const { return GetBit(82, 7); }
    void SetNoUnitNameId(bool on) { SetBit(82, 7, on); }

    // Byte 83: bits 0-6 the command escape character, bit 7 byte stuffing.
    std::uint8_t CmdEscapeChar() const { return bytes[83] & 0x7F; }
    void SetCmdEscapeChar(std::uint8_t v) { bytes[83] = std::uint8_t((bytes[83] & 0x80) | (v & 0x7F)); }
    bool ByteStuffing() const { return GetBit(83, 7); }
    void SetByteStuffing(bool on) { SetBit(83, 7, on); }

    std::uint8_t InhibitMessages() const { return bytes[84]; }
    void SetInhibitMessages(std::uint8_t v) { bytes[84] = v; }
    std::uint16_t RetryMs() const { return Get16(85); }
    void SetRetryMs(std::uint16_t v) { Set16(85, v); }
    std::uint8_t Diversity() const { return bytes[87]; } // 0 primary, 1 both, 3 secondary
    void SetDiversity(std::uint8_t v) { bytes[87] = v; }
    std::uint8_t IoMode() const { return bytes[88]; } // 1 ISA, 0 serial
    void SetIoMode(std::uint8_t v) { bytes[88] = v; }

    // Byte 89: bits 0-3 option 11 index, bit 4 capture ESS ID, bit 5 replace remote IP, bit 6 flash
    // DHCP settings, bit 7 DHCP on.
    std::uint8_t DhcpFlags() const { return bytes[89]; }
    std::uint8_t Option11Index() const { return GetNibble(89); }
    void SetOption11Index(std::uint8_t v) { SetNibble(89, v); }
    bool CaptureEssId() const { return GetBit(89, 4); }
    void SetCaptureEssId(bool on) { SetBit(89, 4, on); }
    bool ReplaceRemoteIp() const { return GetBit(89, 5); }
    void SetReplaceRemoteIp(bool on) { SetBit(89, 5, on); }
    bool FlashDhcp() const { return GetBit(89, 6); }
    void SetFlashDhcp(bool on) { SetBit(89, 6, on); }
    bool DhcpEnabled() const { return GetBit(89, 7); }
    void SetDhcpEnabled(bool on) { SetBit(89, 7, on); }

    std::uint8_t DhcpTimeout() const { return bytes[90]; }
    void SetDhcpTimeout(std::uint8_t v) { bytes[90] = v; }
    std::uint8_t MsgPrefixChar() const { return bytes[92]; }
    void SetMsgPrefixChar(std::uint8_t v) { bytes[92] = v; }
    std::uint8_t Protocol() const { return bytes[93]; } // 3 TCP, 2 UDP, 5 DLP, 4 Telnet
    void SetProtocol(std::uint8_t v) { bytes[93] = v; }
    std::uint8_t DataFormat() const { return bytes[94]; } // 2 direct, 0 stream, 1 frame
    void SetDataFormat(std::uint8_t v) { bytes[94] = v; }
    std::string EssId() const { return GetText(95, kEssIdSize); }
    void SetEssId(std::string_view id) { SetText(95, kEssIdSize, id); }
    std::uint8_t BaudCode() const { return bytes[127]; } // 1 = 2400 ... 7 = 115200
    void SetBaudCode(std::uint8_t v) { bytes[127] = v; }

    // --- Extended part.
    std::uint16_t ExtLength() const { return Get16(128); }
    std::uint8_t VersionMajor() const { return bytes[130]; }
    std::uint8_t VersionMinor() const { return bytes[131]; }
    std::uint8_t AdHocTxPower() const { return bytes[132]; }
    void SetAdHocTxPower(std::uint8_t v) { bytes[132] = v; }
    std::uint8_t ShortPreamble() const { return bytes[133]; } // 0 = long preamble
    void SetShortPreamble(std::uint8_t v) { bytes[133] = v; }
    // Rates: bits 0-3 of bytes 134 and 135 (see Rate); bits 4-7 are the card's.
    std::uint8_t BasicRates() const { return GetNibble(134); }
    void SetBasicRates(std::uint8_t v) { SetNibble(134, v); }
    bool BasicRate(Rate r) const { return GetBit(134, r); }
    void SetBasicRate(Rate r, bool on) { SetBit(134, r, on); }
    std::uint8_t TxRates() const { return GetNibble(135); }
    void SetTxRates(std::uint8_t v) { SetNibble(135, v); }
    bool TxRate(Rate r) const { return GetBit(135, r); }
    void SetTxRate(Rate r, bool on) { SetBit(135, r, on); }
    std::uint8_t AdHocChannel() const { return bytes[136]; } // 0 none, 1-11
    void SetAdHocChannel(std::uint8_t v) { bytes[136] = v; }
    std::uint8_t Port2Baud() const { return bytes[137]; } // 0 = 1200 ... 7 = 115200, 8 disabled
    void SetPort2Baud(std::uint8_t v) { bytes[137] = v; }
    // Bytes 138-143 receive a copy of the preferred AP address whenever the extended part is stored.
    Mac PreferredApMacCopy() const { return GetMac(138); }
    void SetPreferredApMacCopy(const Mac& mac) { SetMac(138, mac); }
    Mac PreferredApMac() const { return GetMac(144); }
    void SetPreferredApMac(const Mac& mac) { SetMac(144, mac); }
    // Slot k (0-3) at 150 + 14k: a length byte (5 or 13), then 13 bytes of key material.
    static constexpr std::size_t WepKeySlotOffset(std::size_t slot) { return 150 + 14 * slot; }
    std::uint8_t WepKeyLength(std::size_t slot) const { return bytes[WepKeySlotOffset(slot)]; }
    void SetWepKeyLength(std::size_t slot, std::uint8_t v) { bytes[WepKeySlotOffset(slot)] = v; }
    std::uint8_t WepKeyByte(std::size_t slot, std::size_t j) const { return bytes[WepKeySlotOffset(slot) + 1 + j]; }
    void SetWepKeyByte(std::size_t slot, std::size_t j, std::uint8_t v) { bytes[WepKeySlotOffset(slot) + 1 + j] = v; }
    WepKey WepKeyMaterial(std::size_t slot) const;
    void SetWepKeyMaterial(std::size_t slot, const WepKey& key);
    std::uint8_t WepKeyIndex() const { return bytes[206]; } // 0-3
    void SetWepKeyIndex(std::uint8_t v) { bytes[206] = v; }
    std::uint8_t WepAuth() const { return bytes[207]; } // 0 open, 1 40-bit, 2 128-bit
    void SetWepAuth(std::uint8_t v) { bytes[207] = v; }
    std::uint8_t WepMode() const { return bytes[208]; } // 0 open, 3 keyed
    void SetWepMode(std::uint8_t v) { bytes[208] = v; }
    std::uint8_t EnableApplication() const { return bytes[210]; }
    void SetEnableApplication(std::uint8_t v) { bytes[210] = v; }
    std::uint8_t RestartDelay() const { return bytes[279]; }
    void SetRestartDelay(std::uint8_t v) { bytes[279] = v; }
    std::uint8_t AdHocEnabled() const { return bytes[280]; }
    void SetAdHocEnabled(std::uint8_t v) { bytes[280] = v; }
    std::uint8_t PowerDownEnabled() const { return bytes[537]; }
    void SetPowerDownEnabled(std::uint8_t v) { bytes[537] = v; }
    std::uint8_t PowerDownOff() const { return bytes[538]; }
    void SetPowerDownOff(std::uint8_t v) { bytes[538] = v; }
    std::uint8_t PowerDownOn() const { return bytes[539]; }
    void SetPowerDownOn(std::uint8_t v) { bytes[539] = v; }
    std::uint8_t PowerDownIdle() const { return bytes[540]; }
    void SetPowerDownIdle(std::uint8_t v) { bytes[540] = v; }

    // Whole bytes that belong to the card: the program never changes them. (Bits 4-5 of byte 82 and
    // bits 4-7 of bytes 134 and 135 are the card's too.)
    static bool IsCardOwnedByte(std::size_t offset);

    bool operator==(const CardConfigRecord&) const = default;

private:
    std::uint16_t Get16(std::size_t at) const { return std::uint16_t(bytes[at] | (bytes[at + 1] << 8)); }
    void Set16(std::size_t at, std::uint16_t v) {
        bytes[at] = std::uint8_t(v & 0xFF);
        bytes[at + 1] = std::uint8_t(v >> 8);
    }
    bool GetBit(std::size_t at, int bit) const { return (bytes[at] >> bit) & 1; }
    void SetBit(std::size_t at, int bit, bool on) {
        bytes[at] = std::uint8_t(on ? bytes[at] | (1u << bit) : bytes[at] & ~(1u << bit));
    }
    std::uint8_t GetNibble(std::size_t at) const { return bytes[at] & 0x0F; }
    void SetNibble(std::size_t at, std::uint8_t v) { bytes[at] = std::uint8_t((bytes[at] & 0xF0) | (v & 0x0F)); }
    Ip4 GetIp(std::size_t at) const { return {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]}; }
    void SetIp(std::size_t at, const Ip4& ip) {
        for (std::size_t i = 0; i < ip.size(); ++i)
            bytes[at + i] = ip[i];
    }
    Mac GetMac(std::size_t at) const;
    void SetMac(std::size_t at, const Mac& mac);
    std::string GetText(std::size_t at, std::size_t width) const;
    void SetText(std::size_t at, std::size_t width, std::string_view text);
};
