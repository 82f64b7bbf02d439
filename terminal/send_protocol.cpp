#include "terminal/send_protocol.h"

#include "terminal/stuffed_frame.h"

const std::array<const char*, 4>& SendProtocolNames() {
    static const std::array<const char*, 4> kNames = {"Original", "TCP", "WNMP", "UDP"};
    return kNames;
}

std::size_t FrameForSendProtocol(std::vector<std::uint8_t>& bytes, int protocol) {
    switch (protocol) {
    case kSendTcp:
        BuildStuffedFrame(bytes, kFrameTypeTcp);
        break;
    case kSendUdp:
        PrependUdpHeader(bytes);
        BuildStuffedFrame(bytes, kFrameTypeUdp);
        break;
    default:
        break;
    }
    return bytes.size();
}
