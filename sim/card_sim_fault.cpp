#include "sim/card_sim_fault.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<CardSimFault, std::string_view>, 13> kNames{{
    {CardSimFault::None, "none"},
    {CardSimFault::Silent, "silent"},
    {CardSimFault::Late, "late"},
    {CardSimFault::LowerCase, "lower-case"},
    {CardSimFault::Stale, "stale"},
    {CardSimFault::Status70, "status-70"},
    {CardSimFault::Status72, "status-72"},
    {CardSimFault::BadDigit, "bad-digit"},
    {CardSimFault::EarlyCr, "early-cr"},
    {CardSimFault::DropDigit, "drop-digit"},
    {CardSimFault::WrongAck, "wrong-ack"},
    {CardSimFault::WrongType, "wrong-type"},
    {CardSimFault::WrongAckKind, "wrong-ack-kind"},
}};

} // namespace

bool ParseCardSimFault(std::string_view name, CardSimFault& fault) {
    for (const auto& [value, text] : kNames) {
        if (text == name) {
            fault = value;
            return true;
        }
    }
    return false;
}

std::string_view CardSimFaultName(CardSimFault fault) {
    for (const auto& [value, text] : kNames) {
        if (value == fault)
            return text;
    }
    return {};
}

std::string CardSimFaultNameList() {
    std::string list;
    for (const auto& entry : kNames) {
        if (!list.empty())
            list += ", ";
        list += entry.second;
    }
    return list;
}
