#pragma once

#include "card/card_config_record.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// WNMP message types. 00B2h wraps an inner type that follows the length field.
enum WnmpType : std::uint16_t {
    WNMP_GETCFG = 0x00A0,
    WNMP_SENDCFG = 0x00A1,
    WNMP_SETCFG = 0x00A2,
    WNMP_SETCFGACK = 0x00A3,
    WNMP_GETSTATUS = 0x00A7,
    WNMP_SENDSTATUS = 0x00A8,
    WNMP_RESET = 0x00A9,
    WNMP_INFO = 0x00AB,
    WNMP_FWACK = 0x00AF,
    WNMP_XWNMP = 0x00B2,
};

enum class CardRequest { Reset, ReadStatus, ReadConfig, WriteBasicConfig, WriteExtendedConfig };

inline constexpr std::uint8_t kWnmpStart = 0x05; // ENQ
inline constexpr std::uint8_t kWnmpEnd = 0x0D;   // CR

// Header positions from the start marker: type, sequence, length, then data (an inner type first
// for 00B2h).
inline constexpr std::size_t kWnmpTypePos = 1, kWnmpSequencePos = 5, kWnmpLengthPos = 9, kWnmpDataPos = 13,
                             kWnmpInnerDataPos = 17;

// Room an exchange reserves in the capture.
inline constexpr int kStatusRoom = 512, kConfigRoom = 2048;
inline constexpr std::size_t kAnswerBufferSize = 4096;

// Sum modulo 256 of the bytes a write carries: 128 for the basic write, 541 for the extended one.
std::uint8_t CardChecksum(const CardConfigRecord& record, bool extended);

// The whole frame as it goes on the line (14, 14, 18, 272 or 1102 bytes). Only the writes read the
// record.
std::vector<std::uint8_t> BuildCardRequest(CardRequest request, const CardConfigRecord& record);
