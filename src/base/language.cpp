#include "base/language.h"

#include <cstdlib>

namespace printune {

int LanguageIdFromLocaleName(std::string_view locale) {
    // language[_territory|_script...][.codeset][@modifier]; '-' is taken too.
    locale = locale.substr(0, locale.find_first_of(".@"));
    auto next = [&locale]() {
        size_t end = locale.find_first_of("_-");
        std::string_view part = locale.substr(0, end);
        locale.remove_prefix(end == std::string_view::npos ? locale.size() : end + 1);
        return part;
    };
    if (next() != "zh")
        return LANG_ENGLISH;
    if (locale.empty())
        return LANG_CHINESE; // plain "zh": Simplified is the common reading
    while (!locale.empty()) {
        std::string_view part = next();
        if (part == "CN" || part == "SG" || part == "Hans")
            return LANG_CHINESE;
        if (part == "TW" || part == "HK" || part == "MO" || part == "Hant")
            return LANG_ENGLISH;
    }
    return LANG_ENGLISH;
}

int SystemDefaultLanguageId() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return LanguageIdFromLocaleName(value);
    }
    return LANG_ENGLISH;
}

} // namespace printune
