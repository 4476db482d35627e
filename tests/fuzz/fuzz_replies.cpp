// Printer replies: label and receipt settings, text replies, Bluetooth, and
// the label network reply.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/utf8.h"
#include "network/bluetooth_commands.h"
#include "network/netcfg_codec.h"
#include "settings/label_commands.h"
#include "settings/receipt_commands.h"

#include "fuzz_support.h"

using namespace printune;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    printune_fuzz::KeepCodePagesLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> reply(data, data + size);
    for (const char* parity : {"None", "Odd", "Even"}) {
        DecodeLabelSettingsReply(reply, parity);
        DecodeReceiptSettingsReply(reply, parity);
    }
    for (int language : {LANG_ENGLISH, LANG_CHINESE})
        if (!IsValidUtf8(DecodeTextReply(reply, language)))
            abort();
    // The Bluetooth reply: a name and password it reports are sent back
    // byte for byte by the set command.
    const BluetoothInfo bt = DecodeBluetoothReply(data, size);
    if (bt.complete != (size >= BT_REPLY_LENGTH) || bt.mac.size() != 17 || !IsValidUtf8(bt.name) ||
        !IsValidUtf8(bt.password))
        abort();
    uint8_t field[BT_REPLY_LENGTH] = {};
    std::copy(data, data + std::min<size_t>(size, BT_REPLY_LENGTH), field);
    if (Utf8CharCount(bt.password) == BT_PASSWORD_LENGTH && !bt.name.empty()) {
        const BluetoothCommand set = BuildBluetoothSettings(bt.name, bt.password, LANG_ENGLISH);
        // The name field up to its first 00, zero-filled behind.
        uint8_t name[BT_NAME_MAX] = {};
        std::copy(field + 10, std::find(field + 10, field + 26, 0), name);
        if (!set.ok || set.bytes.size() != 25 ||
            !std::equal(name, name + BT_NAME_MAX, set.bytes.begin() + 3) ||
            !std::equal(field + 6, field + 10, set.bytes.begin() + 19))
            abort();
    }

    // The network reply: every entry parsed encodes back to the bytes it
    // came from, and parses again to the same value.
    NetCfgEntryList list;
    int match = 0;
    const char* text = reinterpret_cast<const char*>(data);
    // A value holding a zero byte is kept as a C string (cut there), so only
    // replies without one must round-trip.
    const bool nul = std::memchr(data, 0, size) != nullptr;
    if (NetCfgParseReply(text, size, list, "00:11:22:33:44:55", &match) == 0 && !nul) {
        for (const NetCfgEntry& entry : list) {
            if (entry.Empty())
                break;
            uint8_t wire[512];
            const size_t n = NetCfgEncodeEntry(wire, entry);
            NetCfgEntry again;
            if (n == 0 || n > sizeof wire ||
                NetCfgParseEntry(reinterpret_cast<const char*>(wire), n, entry.key, entry.width,
                                 again) != n ||
                again.Value() != entry.Value())
                abort();
        }
        NetCfgDevice device;
        NetCfgCopyDevice(&list, device);
    }
    return 0;
}
