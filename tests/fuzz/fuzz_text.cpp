// UTF-8, the code-page conversions and printer texts on the wire.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/codepage.h"
#include "base/language.h"
#include "base/utf8.h"
#include "network/netcfg_text.h"

#include "fuzz_support.h"

using namespace printune;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    printune_fuzz::KeepCodePagesLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The decoder agrees with the validator and re-encodes to the input.
    std::u32string chars;
    const bool valid = IsValidUtf8(text);
    if (DecodeUtf8(text, chars) != valid)
        abort();
    if (valid) {
        std::string again;
        for (char32_t c : chars) {
            if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
                abort();
            again += EncodeUtf8(c);
        }
        if (again != text || Utf8CharCount(text) != chars.size())
            abort();
    }
    if (IsValidFieldText(text) && text.find('\0') != std::string::npos)
        abort();

    // Whatever a printer sends, what is shown is valid UTF-8.
    if (!IsValidUtf8(NetWireToUtf8(text)) || !IsValidUtf8(NetDisplayText(text, "GBK")) ||
        !IsValidUtf8(NetDisplayText(text, "WINDOWS-1252")))
        abort();
    const std::string wire = Utf8ToNetWire(text, 64);
    if (wire.size() > 64)
        abort();

    // Low-byte texts: bytes -> UTF-8 -> the same bytes (up to the first 00).
    const std::string low = LowByteToUtf8(data, size);
    const TextBytes back = LowByteText(low, LANG_ENGLISH);
    size_t end = 0;
    while (end < size && data[end] != 0)
        ++end;
    if (!back.ok || back.bytes != std::vector<uint8_t>(data, data + end))
        abort();

    // Narrow code pages: a text taken is sent in full.
    for (const char* page : {"GBK", "WINDOWS-1252"}) {
        TextBytes narrow = ToNarrow(text, page, LANG_ENGLISH);
        if (narrow.ok && !valid)
            abort();
        CommandTextBytes(text, page, LANG_CHINESE);
    }
    return 0;
}
