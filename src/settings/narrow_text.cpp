#include "settings/narrow_text.h"

#include <cerrno>
#include <cstdlib>

#include <iconv.h>

#include "app/language.h"

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

    static const std::string kReplacement = "\xEF\xBF\xBD";
    iconv_t cd = iconv_open("UTF-8", NarrowCodePage(systemLanguageId).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        cd = iconv_open("UTF-8", "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return narrow;

    std::string out;
    char* in = const_cast<char*>(narrow.data());
    size_t inLeft = narrow.size();
    char buf[256];
    while (inLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // Undecodable or truncated sequence: mark it and go on.
        out += kReplacement;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

} // namespace printune
