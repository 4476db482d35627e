#pragma once
// Printer text replies arrive in the system's narrow code page. Linux has
// none, so it follows the system's default language: GBK for Simplified
// Chinese (2052), Windows-1252 otherwise; PRINTUNE_CODEPAGE may name any
// other iconv code page.
#include <string>

namespace printune {

// The iconv name of the narrow code page for a system language id.
std::string NarrowCodePage(int systemLanguageId);

// Narrow bytes to UTF-8. Pure ASCII passes unchanged; a byte sequence the
// code page cannot decode becomes U+FFFD, so a corrupt reply still shows.
std::string NarrowToUtf8(const std::string& narrow, int systemLanguageId);

} // namespace printune
