#include "texts.h"

#include <cstdarg>
#include <cstdio>

#include "base/language.h"

namespace printune::cli {

namespace {
int g_language = LANG_ENGLISH;
}

void SetMessageLanguage(int languageId) {
    g_language = languageId;
}

int MessageLanguage() {
    return g_language;
}

bool Chinese() {
    return g_language == LANG_CHINESE;
}

std::string Column(const std::string& text, size_t width) {
    size_t columns = 0;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        // Three-byte sequences from U+1100 on are the wide CJK ranges here.
        columns += n >= 3 ? 2 : 1;
        i += n;
    }
    return columns >= width ? text : text + std::string(width - columns, ' ');
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

} // namespace printune::cli
