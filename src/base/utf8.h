#pragma once
// UTF-8, the one decoder of the program. Strict: overlong forms, surrogates
// (U+D800..U+DFFF) and code points above U+10FFFF are malformed.
#include <cstddef>
#include <string>
#include <string_view>

namespace printune {

// Length of the well-formed sequence starting at text[i], 0 when malformed
// (or cut short by the end of the text).
size_t Utf8SequenceLength(std::string_view text, size_t i);

bool IsValidUtf8(std::string_view text);

// Text for a printer field that ends with a zero byte (an SSID, a key, a
// name): valid UTF-8 without U+0000, which would end the field early and
// shift every field behind it.
bool IsValidFieldText(std::string_view text);

// Decodes the whole text into code points; false (out cleared) on malformed
// input.
bool DecodeUtf8(std::string_view text, std::u32string& out);
std::string EncodeUtf8(char32_t c);

// Number of characters, counted by lead bytes: every byte that is not a
// continuation byte (and the first byte) starts one. Lenient on purpose, so
// malformed text still gets a length.
size_t Utf8CharCount(std::string_view text);

// The first `chars` characters as Utf8CharCount counts them; the whole text
// when it is shorter.
std::string_view Utf8Prefix(std::string_view text, size_t chars);

} // namespace printune
