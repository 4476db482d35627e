#include "texts.h"

#include <cstdarg>
#include <cstdio>

#include "app/language.h"

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
