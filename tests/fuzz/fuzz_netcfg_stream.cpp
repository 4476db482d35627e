// The label network protocol's receive path: datagrams poured into the ring,
// the header scan and body rebuild of the receiver, the reply parser, and
// the configuration dialog's fields made from a reply and sent back.
//
// Input: one byte choosing the datagram size, then the received stream.
// The ring is never reset between inputs, so its indices wrap.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "network/net_fields.h"
#include "network/netcfg.h"
#include "network/netcfg_codec.h"

#include "fuzz_support.h"

using namespace printune;

namespace {

void Check(bool ok) {
    if (!ok)
        abort();
}

// The reference of one ReadReply over `stream` from `pos`: a window of the
// last six bytes (zero at every call's start) is compared with the
// signature before each byte, and 0xFF after it starts the body, which
// runs up to and with the terminator.
int ReferenceReply(const std::vector<uint8_t>& stream, size_t& pos, std::vector<uint8_t>& body) {
    body.clear();
    uint8_t window[6] = {};
    bool header = false;
    while (pos < stream.size() && !header) {
        const uint8_t b = stream[pos++];
        header = b == NETCFG_DIR_REPLY && std::equal(window, window + 6, NETCFG_SIGNATURE);
        std::copy(window + 1, window + 6, window);
        window[5] = b;
    }
    if (!header)
        return -6;
    for (;;) {
        if (pos == stream.size())
            return -5;
        const uint8_t b = stream[pos++];
        if (body.size() >= NETCFG_BODY_MAX)
            return -7;
        body.push_back(b);
        if (body.size() >= NETCFG_TERMINATOR.size() &&
            std::equal(NETCFG_TERMINATOR.begin(), NETCFG_TERMINATOR.end(),
                       body.end() - static_cast<long>(NETCFG_TERMINATOR.size())))
            return static_cast<int>(body.size());
    }
}

NetCfgState& State() {
    static NetCfgState* state = new NetCfgState; // never opened: no sockets, no threads
    return *state;
}

// A window that is already over: ReadReply takes what is in the ring and
// never waits.
int ReadNow() {
    return State().ReadReply(std::chrono::steady_clock::now());
}

std::string ValueOf(const NetCfgEntryList& list, const char* key) {
    const NetCfgEntry* e = NetCfgFindEntry(list, key);
    return e ? std::string(e->Value()) : std::string();
}

// The device record takes a key named twice from its last entry.
std::string LastValueOf(const NetCfgEntryList& list, const char* key) {
    std::string value;
    for (size_t i = 0; i < NetCfgEntryCount(list); ++i)
        if (list[i].key == key)
            value = std::string(list[i].Value());
    return value;
}

// The dialog's fields from a reply, and the set request made from them:
// the identity goes back as received, the rest as the fields hold it.
void CheckFields(const NetCfgEntryList& list) {
    const NetConfigFields f = NetConfigFields::FromEntries(list, "WINDOWS-1252");
    const NetCfgEntryList sent = NetCfgBuildSendList(f);
    for (const char* key : {"DEV", "VER", "SERIAL_NUM", "MAC", "IP_CUR"})
        Check(ValueOf(sent, key) == ValueOf(list, key));
    const NetConfigFields g = NetConfigFields::FromEntries(sent, "WINDOWS-1252");
    Check(g.dhcpIndex == f.dhcpIndex && g.ip == f.ip && g.mask == f.mask &&
          g.gateway == f.gateway && g.currentIp == f.currentIp);
    for (const auto& [text, again] :
         {std::pair{&f.printPort, &g.printPort}, std::pair{&f.printTimeout, &g.printTimeout}}) {
        const auto n = NetNumberInRange(*text, 0, 65535);
        Check(n ? *again == std::to_string(*n) : again->empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    printune_fuzz::KeepCodePagesLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 8192)
        return 0;
    const size_t chunk = data[0] + 1u;
    const std::vector<uint8_t> stream(data + 1, data + size);
    NetCfgState& state = State();
    // Empties the ring and pours the stream from `from` in datagrams.
    const auto pour = [&](size_t from) {
        state.Ring().Discard();
        for (size_t at = from; at < stream.size(); at += chunk) {
            const uint32_t n = static_cast<uint32_t>(std::min(chunk, stream.size() - at));
            Check(state.RingPut(stream.data() + at, n) == n);
        }
    };
    pour(0);

    size_t pos = 0;
    std::vector<uint8_t> want;
    for (;;) {
        const int got = ReadNow();
        const int expected = ReferenceReply(stream, pos, want);
        Check(got == expected);
        if (got == -5 || got == -6)
            break;
        if (got < 0)
            continue;
        const auto& body = state.ReplyBody();
        Check(std::equal(want.begin(), want.end(), body.begin()) &&
              std::all_of(body.begin() + got, body.end(), [](uint8_t b) { return b == 0; }));

        // What the receiver does with a reply body.
        const char* text = reinterpret_cast<const char*>(body.data()) + 4;
        NetCfgEntryList list;
        int match = -1;
        if (NetCfgParseReply(text, static_cast<size_t>(got) - 4, list, "00A0C1000001", &match) != 0)
            continue;
        // Every MAC entry sets the flag: the last one decides.
        if (NetCfgFindEntry(list, "MAC"))
            Check(match == (LastValueOf(list, "MAC") == "00A0C1000001" ? 1 : 0));
        else
            Check(match == -1);
        if (NetCfgIsSearchReply(list)) {
            NetCfgDevice device;
            Check(NetCfgCopyDevice(&list, device) == 0);
            Check(LastValueOf(list, "MAC").starts_with(device.mac) &&
                  LastValueOf(list, "SERIAL_NUM").starts_with(device.serial) &&
                  LastValueOf(list, "DEV").starts_with(device.name));
        }
        CheckFields(list);

        // The entries sent again as a reply read back the same through
        // the ring (a wrapping one, as it stands).
        uint32_t command = 0;
        std::memcpy(&command, body.data(), 4);
        uint8_t message[NETCFG_HEADER_SIZE + NETCFG_BODY_MAX];
        const NetCfgEntryList copy = list;
        const int length =
            NetCfgBuildMessage(message, sizeof message, NETCFG_DIR_REPLY, command, copy);
        Check(length > 0);
        // A value may itself end in "*END* =" (a NUL behind it, or cut
        // spaces): padded again it reads as the terminator, as it would on
        // the printer. Such entries cannot travel back unchanged.
        const std::string_view wire(reinterpret_cast<const char*>(message), length);
        if (wire.find(NETCFG_TERMINATOR) != static_cast<size_t>(length) - NETCFG_TERMINATOR.size())
            continue;
        state.Ring().Discard();
        state.RingPut(message, static_cast<uint32_t>(length));
        Check(ReadNow() == length - 7);
        NetCfgEntryList again;
        Check(NetCfgParseReply(reinterpret_cast<const char*>(state.ReplyBody().data()) + 4,
                               static_cast<size_t>(length) - NETCFG_HEADER_SIZE, again) == 0);
        Check(std::memcmp(state.ReplyBody().data(), &command, 4) == 0);
        for (size_t i = 0; i < NETCFG_MAX_ENTRIES; ++i) {
            Check(again[i].key == copy[i].key);
            if (copy[i].Empty())
                break;
            // Spaces before a NUL belong to the value; padded again they
            // are the padding, which the parser cuts.
            std::string_view value = copy[i].Value();
            while (value.ends_with(' '))
                value.remove_suffix(1);
            Check(again[i].Value() == value);
        }
        // The rest of the stream, as it was.
        pour(pos);
    }
    return 0;
}
