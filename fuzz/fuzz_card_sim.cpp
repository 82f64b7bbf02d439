// The simulated card's request handling, under every fault, on any bytes from the line.
// Input: a fault, a chunk size, then the bytes. Properties: the answers do not depend on how the
// bytes were split into reads; there is at most one exchange per CR (or per overlong request); a
// silent card never answers; the stored configuration changes only with an exchange that says so;
// without a fault every answer decodes as the answer it should be.

#include "card/card_answer.h"
#include "fuzz/fuzz_check.h"
#include "sim/card_simulator.h"

#include <algorithm>

namespace {

constexpr CardSimFault kFaults[] = {
    CardSimFault::None,     CardSimFault::Silent,   CardSimFault::Late,    CardSimFault::LowerCase,
    CardSimFault::Stale,    CardSimFault::Status70, CardSimFault::Status72, CardSimFault::BadDigit,
    CardSimFault::EarlyCr,  CardSimFault::DropDigit, CardSimFault::WrongAck, CardSimFault::WrongType,
};

std::vector<CardSimExchange> Run(CCardSimulator& card, const std::uint8_t* data, std::size_t size,
                                 std::size_t chunk) {
    std::vector<CardSimExchange> all;
    for (std::size_t pos = 0; pos < size; pos += chunk) {
        const CardConfigRecord before = card.Config();
        std::vector<CardSimExchange> some = card.Feed(data + pos, std::min(chunk, size - pos));
        bool stored = false;
        for (const CardSimExchange& e : some)
            stored = stored || e.configStored;
        if (!stored)
            FUZZ_CHECK(card.Config().bytes == before.bytes);
        for (CardSimExchange& e : some)
            all.push_back(std::move(e));
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const CardSimFault fault = kFaults[data[0] % std::size(kFaults)];
    const std::size_t chunk = std::size_t(data[1]) + 1;
    data += 2;
    size -= 2;

    CCardSimulator whole, split;
    for (CCardSimulator* card : {&whole, &split}) {
        card->SetClock([] { return std::uint64_t(1234); });
        card->SetFault(fault, 50);
    }
    const std::vector<CardSimExchange> a = Run(whole, data, size, std::max<std::size_t>(size, 1));
    const std::vector<CardSimExchange> b = Run(split, data, size, chunk);
    FUZZ_CHECK(a.size() == b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        FUZZ_CHECK(a[i].request == b[i].request && a[i].reply == b[i].reply && a[i].delayMs == b[i].delayMs &&
                   a[i].configStored == b[i].configStored);
    FUZZ_CHECK(whole.Config().bytes == split.Config().bytes);

    const auto crs = std::size_t(std::count(data, data + size, 0x0D));
    FUZZ_CHECK(a.size() <= crs + size / CCardSimulator::kMaxRequest + 1);
    for (const CardSimExchange& e : a) {
        FUZZ_CHECK(e.reply.size() <= 1200);
        if (fault == CardSimFault::Silent)
            FUZZ_CHECK(e.reply.empty());
        if (fault != CardSimFault::Late)
            FUZZ_CHECK(e.delayMs == 0);
        if (e.reply.empty() || (fault != CardSimFault::None && fault != CardSimFault::LowerCase &&
                                fault != CardSimFault::Stale && fault != CardSimFault::Late))
            continue;
        CardConfigRecord config, readBack;
        const CardAnswerResult result = DecodeCardAnswer(e.reply.data(), e.reply.size(), config, readBack);
        FUZZ_CHECK(result.outcome != CardAnswerOutcome::Failed);
        FUZZ_CHECK(e.reply.back() == 0x0D);
    }
    return 0;
}
