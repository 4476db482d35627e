#include <cstdio>
#include <cstring>

#include "net_printers.h"

namespace printune_sim {

using namespace printune;

unsigned NetFaultFromName(const std::string& name) {
    static const struct {
        const char* name;
        unsigned fault;
    } names[] = {
        {"no-answer", NET_FAULT_NO_ANSWER},
        {"answer-twice", NET_FAULT_ANSWER_TWICE},
        {"split", NET_FAULT_SPLIT},
        {"two-in-one", NET_FAULT_TWO_IN_ONE},
        {"foreign-mac", NET_FAULT_FOREIGN_MAC},
        {"oversize", NET_FAULT_OVERSIZE},
        {"short-reply", NET_FAULT_SHORT_REPLY},
        {"no-ack", NET_FAULT_NO_ACK},
    };
    for (const auto& entry : names)
        if (name == entry.name)
            return entry.fault;
    return 0;
}

// Shared by both printer kinds: how a fault turns one reply into datagrams.
std::vector<std::vector<uint8_t>> ShapeReply(std::vector<uint8_t> reply, unsigned faults) {
    if (faults & NET_FAULT_NO_ANSWER)
        return {};
    if (faults & NET_FAULT_TWO_IN_ONE) {
        std::vector<uint8_t> twice = reply;
        twice.insert(twice.end(), reply.begin(), reply.end());
        return {twice};
    }
    std::vector<std::vector<uint8_t>> out;
    if (faults & NET_FAULT_SPLIT) {
        const size_t half = reply.size() / 2;
        out.emplace_back(reply.begin(), reply.begin() + static_cast<long>(half));
        out.emplace_back(reply.begin() + static_cast<long>(half), reply.end());
    } else {
        out.push_back(reply);
    }
    if (faults & NET_FAULT_ANSWER_TWICE) {
        const auto copy = out;
        out.insert(out.end(), copy.begin(), copy.end());
    }
    return out;
}

NetLabelSetup DefaultLabelSetup(int n) {
    NetLabelSetup setup;
    char text[32];
    std::snprintf(text, sizeof text, "KP5200%06d", n);
    setup.identity.serial = text;
    std::snprintf(text, sizeof text, "00A0C1%06X", n);
    setup.identity.mac = text;
    std::snprintf(text, sizeof text, "192.168.0.%d", 100 + n % 100);
    setup.identity.ipCur = setup.identity.ip = text;
    return setup;
}

NetLabelPrinter::NetLabelPrinter(NetLabelSetup setup) : setup_(std::move(setup)) {}

NetLabelIdentity NetLabelPrinter::Identity(SimClock::time_point now) const {
    NetLabelIdentity id = setup_.identity;
    if (id.dhcp == "1" && now < dhcpReadyAt_)
        id.ipCur = "----";
    return id;
}

NetCfgEntryList NetLabelPrinter::Entries(bool all, SimClock::time_point now) const {
    const NetLabelIdentity id = Identity(now);
    NetCfgEntryList list{};
    NetCfgAppendEntry(list, "DEV", id.dev);
    NetCfgAppendEntry(list, "VER", id.ver);
    NetCfgAppendEntry(list, "SERIAL_NUM", id.serial);
    NetCfgAppendEntry(list, "MAC", id.mac);
    NetCfgAppendEntry(list, "IP_CUR", id.ipCur);
    if (all) {
        NetCfgAppendEntry(list, "DHCP", id.dhcp);
        NetCfgAppendEntry(list, "IP", id.ip);
        NetCfgAppendEntry(list, "SUBNET_MASK", id.mask);
        NetCfgAppendEntry(list, "GATEWAY", id.gateway);
        NetCfgAppendEntry(list, "PRNT_PORT", id.printPort);
        NetCfgAppendEntry(list, "PRNT_RCV_TMO", id.printTimeout);
    }
    return list;
}

std::vector<std::vector<uint8_t>> NetLabelPrinter::Shape(std::vector<uint8_t> reply) const {
    return ShapeReply(std::move(reply), setup_.faults);
}

void NetLabelPrinter::ApplySet(const NetCfgEntryList& list, SimClock::time_point now) {
    NetLabelIdentity& id = setup_.identity;
    const std::string before = id.dhcp;
    for (size_t i = 0; i < NetCfgEntryCount(list); ++i) {
        const NetCfgEntry& e = list[i];
        const std::string value(e.Value());
        if (e.key == "DHCP")
            id.dhcp = value;
        else if (e.key == "IP")
            id.ip = value;
        else if (e.key == "SUBNET_MASK")
            id.mask = value;
        else if (e.key == "GATEWAY")
            id.gateway = value;
        else if (e.key == "PRNT_PORT")
            id.printPort = value;
        else if (e.key == "PRNT_RCV_TMO")
            id.printTimeout = value;
    }
    if (id.dhcp == "1") {
        id.ipCur = setup_.dhcpAddress;
        dhcpReadyAt_ = now + std::chrono::milliseconds(setup_.dhcpSettleMs);
    } else {
        id.ipCur = id.ip;
    }
    ++setsApplied_;
}

std::vector<std::vector<uint8_t>> NetLabelPrinter::OnDatagram(const uint8_t* data, size_t length,
                                                              SimClock::time_point now) {
    if (length < NETCFG_HEADER_SIZE + NETCFG_TERMINATOR.size() ||
        std::memcmp(data, NETCFG_SIGNATURE, sizeof NETCFG_SIGNATURE) != 0 ||
        data[6] != NETCFG_DIR_REQUEST)
        return {};
    const uint32_t command =
        data[7] | (data[8] << 8) | (data[9] << 16) | (static_cast<uint32_t>(data[10]) << 24);
    const char* text = reinterpret_cast<const char*>(data) + NETCFG_HEADER_SIZE;
    const size_t textLength = length - NETCFG_HEADER_SIZE;
    NetCfgEntryList request{};
    if (command != NETCFG_CMD_SEARCH && NetCfgParseReply(text, textLength, request) != 0)
        return {};
    const NetCfgEntry* mac = NetCfgFindEntry(request, "MAC");
    const bool forMe = mac != nullptr && mac->Value() == setup_.identity.mac;

    NetCfgEntryList reply{};
    if (command == NETCFG_CMD_SEARCH) {
        reply = Entries(false, now);
    } else if (command == NETCFG_CMD_QUERY && forMe) {
        reply = Entries(true, now);
        if (setup_.faults & NET_FAULT_FOREIGN_MAC) {
            NetCfgEntry* own = const_cast<NetCfgEntry*>(NetCfgFindEntry(reply, "MAC"));
            own->value[11] = own->value[11] == 'F' ? '0' : 'F';
        }
    } else if (command == NETCFG_CMD_SET && forMe) {
        ApplySet(request, now);
        return {};
    } else {
        return {};
    }
    std::vector<uint8_t> bytes(2048);
    int size = NetCfgBuildMessage(bytes.data(), bytes.size(), NETCFG_DIR_REPLY, command, reply);
    bytes.resize(static_cast<size_t>(size));
    if (setup_.faults & NET_FAULT_OVERSIZE) {
        // Repeat the first entry until the body passes 640 bytes.
        std::vector<uint8_t> entry(64);
        entry.resize(NetCfgEncodeEntry(entry.data(), reply[0]));
        const auto at = bytes.end() - static_cast<long>(NETCFG_TERMINATOR.size());
        std::vector<uint8_t> extra;
        while (bytes.size() + extra.size() - 7 <= NETCFG_BODY_MAX)
            extra.insert(extra.end(), entry.begin(), entry.end());
        bytes.insert(at, extra.begin(), extra.end());
    }
    return Shape(std::move(bytes));
}

} // namespace printune_sim
