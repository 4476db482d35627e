#include "base/narrow_text.h"

#include <cstdlib>

#include "base/iconv.h"
#include "base/language.h"

namespace printune {

std::string NarrowCodePage(int systemLanguageId) {
    if (const char* env = std::getenv("PRINTUNE_CODEPAGE"); env && *env) {
        // A bare Windows code page number ("936") is iconv's "CP936".
        std::string name = env;
        if (name.find_first_not_of("0123456789") == std::string::npos)
            return "CP" + name;
        return name;
    }
    return systemLanguageId == LANG_CHINESE ? "GBK" : "WINDOWS-1252";
}

std::string NarrowToUtf8(const std::string& narrow, int systemLanguageId) {
    bool ascii = true;
    for (unsigned char c : narrow)
        ascii = ascii && c < 0x80;
    if (ascii)
        return narrow;

    Iconv cv("UTF-8", NarrowCodePage(systemLanguageId));
    if (cv.Valid())
        return cv.ConvertReplacing(narrow, "\xEF\xBF\xBD");
    Iconv fallback("UTF-8", "WINDOWS-1252");
    if (fallback.Valid())
        return fallback.ConvertReplacing(narrow, "\xEF\xBF\xBD");
    return narrow;
}

} // namespace printune
