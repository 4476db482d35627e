#pragma once
// Text to printer bytes. Printers take text in one narrow code page, chosen
// from the system's default language: GBK (936) for Simplified Chinese,
// Windows-1252 otherwise. PRINTUNE_CODEPAGE names another iconv code page
// ("936" is read as "CP936"). A character the code page cannot hold is
// refused with a message instead of being sent as a wrong byte.
#include <cstdint>
#include <string>
#include <vector>

#include "base/narrow_text.h"
#include "base/utf8.h"

namespace printune {

// The code page itself: NarrowCodePage(systemLanguageId).

struct TextBytes {
    bool ok = false;
    std::vector<uint8_t> bytes;
    std::string error; // message in the caller's language when !ok
};

// The whole text in the narrow code page.
TextBytes ToNarrow(const std::string& utf8, const std::string& codePage, int languageId);

// The command test's text send. A text that starts with an ASCII character
// goes out converted, without terminator. A text that starts with any other
// character goes out in an area of 2*n bytes (n characters; zero-filled
// behind the conversion) followed by 0A; the area grows when a code page
// needs more than two bytes per character, so nothing is cut.
TextBytes CommandTextBytes(const std::string& utf8, const std::string& codePage, int languageId);

// One byte per character (its code point, which is the low byte rule for
// every character up to U+00FF). Characters above U+00FF are refused: their
// low byte would be another character.
TextBytes LowByteText(const std::string& utf8, int languageId);

// The reverse of LowByteText for printer replies: each byte one character,
// up to the first 00 or the end.
std::string LowByteToUtf8(const uint8_t* data, size_t length);

} // namespace printune
