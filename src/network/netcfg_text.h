#pragma once
// Printer texts on the wire (device names, versions, serial numbers of both
// protocols) are single-byte-code-page text: plain ASCII in practice, GBK
// from printers named on Chinese systems. The engines carry these bytes
// unchanged, so that a value read from a printer is written back exactly
// as it came; these two functions convert only for display and for what a
// user types.
#include <cstddef>
#include <string>
#include <string_view>

namespace printune {

// Wire bytes to UTF-8: text that is valid UTF-8 (ASCII included) is kept,
// anything else is read as GB18030 (a superset of GBK); a byte that fits
// neither becomes '?'.
std::string NetWireToUtf8(std::string_view wire);

// A printer text as a dialog or terminal may show it: trailing spaces (and
// NULs) stripped, converted from `codePage` (an iconv name such as
// "WINDOWS-1252" or "GBK"; bytes it cannot decode fall back to
// NetWireToUtf8), and every control character replaced by '?'.
std::string NetDisplayText(std::string_view wire, const std::string& codePage);

// UTF-8 to wire bytes of at most maxBytes: ASCII is kept, other characters
// are encoded as GB18030, and the text is cut only between characters. A
// character that cannot be encoded (or malformed UTF-8) becomes '?'.
std::string Utf8ToNetWire(std::string_view utf8, size_t maxBytes);

} // namespace printune
