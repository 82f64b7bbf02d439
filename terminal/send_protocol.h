#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

enum SendProtocol : int { kSendOriginal = 0, kSendTcp = 1, kSendWnmp = 2, kSendUdp = 3 };

// The texts of the send-protocol list, in list order: "Original", "TCP", "WNMP", "UDP".
const std::array<const char*, 4>& SendProtocolNames();

// Applies the framing part of a send protocol (TCP: stuffed frame 0x84; UDP: UDP header then stuffed
// frame 0x82; WNMP and Original and any other index: unchanged) and returns the new length. The WNMP
// break preamble goes to the port directly (SendBreakPreamble), so it is not done here.
std::size_t FrameForSendProtocol(std::vector<std::uint8_t>& bytes, int protocol);
