// Printer replies: label and receipt settings, text replies, Bluetooth, and
// the label network reply.
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

using namespace printune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> reply(data, data + size);
    for (const char* parity : {"None", "Odd", "Even"}) {
        DecodeLabelSettingsReply(reply, parity);
        DecodeReceiptSettingsReply(reply, parity);
    }
    for (int language : {LANG_ENGLISH, LANG_CHINESE})
        if (!IsValidUtf8(DecodeTextReply(reply, language)))
            abort();
    DecodeBluetoothReply(data, size);

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
