#include "card/card_config_record.h"

#include <algorithm>

namespace {

struct ByteRange {
    std::size_t first, last;
};

constexpr ByteRange kCardOwned[] = {{0, 1},   {32, 37},  {39, 39},   {44, 60}, {63, 80},
                                    {91, 91}, {209, 209}, {211, 278}, {281, 536}};

} // namespace

bool CardConfigRecord::IsCardOwnedByte(std::size_t offset) {
    return std::any_of(std::begin(kCardOwned), std::end(kCardOwned),
                       [offset](const ByteRange& r) { return offset >= r.first && offset <= r.last; });
}

CardConfigRecord::WepKey CardConfigRecord::WepKeyMaterial(std::size_t slot) const {
    WepKey key{};
    std::copy_n(bytes.begin() + long(WepKeySlotOffset(slot) + 1), kWepKeyBytes, key.begin());
    return key;
}

void CardConfigRecord::SetWepKeyMaterial(std::size_t slot, const WepKey& key) {
    std::copy(key.begin(), key.end(), bytes.begin() + long(WepKeySlotOffset(slot) + 1));
}

CardConfigRecord::Mac CardConfigRecord::GetMac(std::size_t at) const {
    Mac mac{};
    std::copy_n(bytes.begin() + long(at), mac.size(), mac.begin());
    return mac;
}

void CardConfigRecord::SetMac(std::size_t at, const Mac& mac) {
    std::copy(mac.begin(), mac.end(), bytes.begin() + long(at));
}

std::string CardConfigRecord::GetText(std::size_t at, std::size_t width) const {
    const auto first = bytes.begin() + long(at);
    return std::string(first, std::find(first, first + long(width), std::uint8_t(0)));
}

void CardConfigRecord::SetText(std::size_t at, std::size_t width, std::string_view text) {
    const auto first = bytes.begin() + long(at);
    std::fill(first, first + long(width), std::uint8_t(0));
    std::copy_n(text.begin(), std::min(width, text.size()), first);
}
