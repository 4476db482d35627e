#include <cstring>

#include "net_printers.h"

namespace printune_sim {

using namespace printune;

namespace {

constexpr uint8_t LOGIN[6] = {'q', 'l', 'm', 'v', 'x', 0};

} // namespace

NetHtSetup DefaultHtSetup(int n) {
    NetHtSetup setup;
    const HtMac mac{0x00, 0x11, 0x22, 0x33, 0x44, static_cast<uint8_t>(0x55 + n)};
    const HtIpv4 ip{192, 168, 0, static_cast<uint8_t>(120 + n % 100)};
    setup.record.bytes.fill(0);
    setup.record.bytes[0] = 0xFF;
    setup.record.SetIpAddress(ip);
    setup.record.SetMac(mac);
    setup.record.SetFirmwareVersion(0x0203);
    setup.record.SetDeviceName("HT-740");
    for (size_t i = 0; i < HT_CONFIG_SIZE; ++i)
        setup.config.bytes[i] = static_cast<uint8_t>(i * 7 + n); // recognisable filler
    setup.config.SetDhcp(false);
    setup.config.SetStaticIp(ip);
    setup.config.SetGateway({192, 168, 0, 1});
    setup.config.SetSubnetMask({255, 255, 255, 0});
    setup.config.SetMac(mac);
    setup.config.SetPrintPort(9100);
    return setup;
}

NetHtPrinter::NetHtPrinter(NetHtSetup setup) : setup_(std::move(setup)), pending_(setup_.config) {}

HtDeviceRecord NetHtPrinter::Record(SimClock::time_point now) const {
    HtDeviceRecord record = setup_.record;
    if (setup_.config.DhcpOn() && now < dhcpReadyAt_)
        record.SetIpAddress({0, 0, 0, 0});
    return record;
}

std::vector<std::vector<uint8_t>> NetHtPrinter::Shape(std::vector<uint8_t> reply) const {
    return ShapeReply(std::move(reply), setup_.faults);
}

std::vector<std::vector<uint8_t>> NetHtPrinter::OnDatagram(const uint8_t* data, size_t length,
                                                           SimClock::time_point now) {
    if (length == 4 && std::memcmp(data, "\xFF\x01\x01\x02", 4) == 0) {
        log_.push_back("search");
        const HtDeviceRecord record = Record(now);
        std::vector<uint8_t> bytes(record.bytes.begin(), record.bytes.end());
        if (setup_.faults & NET_FAULT_OVERSIZE)
            bytes.resize(HT_RECORD_SIZE + 4, 0);
        return Shape(std::move(bytes));
    }
    if (length < HT_HEADER_SIZE + 1 || data[0] != 0xFF ||
        HtChecksum(data, length) != data[length - 1] || std::memcmp(data + 9, LOGIN, 6) != 0 ||
        std::memcmp(data + 15, LOGIN, 6) != 0)
        return {};
    HtMac mac;
    std::memcpy(mac.data(), data + 3, 6);
    if (mac != setup_.record.Mac())
        return {};
    const uint8_t opcode = data[1];
    const uint8_t function = data[2];
    const auto ack = HtAck(function);
    if (opcode == HT_OP_SHORT && function == HT_FN_QUERY && length == HT_HEADER_SIZE + 1) {
        log_.push_back("query");
        std::vector<uint8_t> bytes(setup_.config.bytes.begin(), setup_.config.bytes.end());
        if (setup_.faults & NET_FAULT_SHORT_REPLY)
            bytes.resize(200);
        return Shape(std::move(bytes));
    }
    if (opcode == HT_OP_SHORT && function == HT_FN_APPLY && length == HT_HEADER_SIZE + 1) {
        log_.push_back("apply");
        setup_.config = pending_;
        if (setup_.config.DhcpOn()) {
            setup_.record.SetIpAddress(setup_.dhcpAddress);
            dhcpReadyAt_ = now + std::chrono::milliseconds(setup_.dhcpSettleMs);
        } else {
            setup_.record.SetIpAddress(setup_.config.StaticIp());
        }
        if (setup_.faults & (NET_FAULT_NO_ANSWER | NET_FAULT_NO_ACK))
            return {};
        return {std::vector<uint8_t>(ack.begin(), ack.end())};
    }
    for (int block = 1; block <= 4; ++block) {
        const uint8_t expectedOp = block == 1 ? HT_OP_BLOCK1 : HT_OP_BLOCK;
        const size_t blockLength = HtNetConfig::BlockLength(block);
        if (opcode != expectedOp || function != HT_FN_BLOCK1 + block - 1 ||
            length != HT_HEADER_SIZE + blockLength + 1)
            continue;
        log_.push_back("block" + std::to_string(block));
        std::memcpy(&pending_.bytes[HtNetConfig::BlockOffset(block)], data + HT_HEADER_SIZE,
                    blockLength);
        if (setup_.faults & (NET_FAULT_NO_ANSWER | NET_FAULT_NO_ACK))
            return {};
        return {std::vector<uint8_t>(ack.begin(), ack.end())};
    }
    return {};
}

} // namespace printune_sim
