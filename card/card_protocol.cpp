#include "card/card_protocol.h"

#include "card/hex_codec.h"

namespace {

void AppendHeader(std::vector<std::uint8_t>& frame, std::uint16_t type, std::uint16_t length) {
    frame.push_back(kWnmpStart);
    AppendHexWord(frame, type);
    AppendHexWord(frame, 0); // sequence number
    AppendHexWord(frame, length);
}

void AppendRecord(std::vector<std::uint8_t>& frame, const CardConfigRecord& record, bool extended) {
    const std::size_t count = extended ? CardConfigRecord::kSize : CardConfigRecord::kBasicSize;
    for (std::size_t i = 0; i < count; ++i)
        AppendHexByte(frame, record.bytes[i]);
    AppendHexByte(frame, CardChecksum(record, extended));
}

} // namespace

std::uint8_t CardChecksum(const CardConfigRecord& record, bool extended) {
    const std::size_t count = extended ? CardConfigRecord::kSize : CardConfigRecord::kBasicSize;
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += record.bytes[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::vector<std::uint8_t> BuildCardRequest(CardRequest request, const CardConfigRecord& record) {
    std::vector<std::uint8_t> frame;
    switch (request) {
    case CardRequest::Reset:
        AppendHeader(frame, WNMP_RESET, 0);
        break;
    case CardRequest::ReadStatus:
        AppendHeader(frame, WNMP_GETSTATUS, 0);
        break;
    case CardRequest::ReadConfig:
        AppendHeader(frame, WNMP_XWNMP, 0);
        AppendHexWord(frame, WNMP_GETCFG);
        break;
    case CardRequest::WriteBasicConfig:
        // The length counts the checksum byte too.
        frame.reserve(kWnmpDataPos + 2 * (CardConfigRecord::kBasicSize + 1) + 1);
        AppendHeader(frame, WNMP_SETCFG, CardConfigRecord::kBasicSize + 1);
        AppendRecord(frame, record, false);
        break;
    case CardRequest::WriteExtendedConfig:
        // Extended requests carry length 0000 even when data follow the inner type.
        frame.reserve(kWnmpInnerDataPos + 2 * (CardConfigRecord::kSize + 1) + 1);
        AppendHeader(frame, WNMP_XWNMP, 0);
        AppendHexWord(frame, WNMP_SETCFG);
        AppendRecord(frame, record, true);
        break;
    }
    frame.push_back(kWnmpEnd);
    return frame;
}
