#pragma once
// Language identifiers of the two resource sets and the mapping from the
// settings file's language text.
#include <string>

namespace printune {

inline constexpr int LANG_ENGLISH = 1033;
inline constexpr int LANG_CHINESE = 2052;

// The rule every page and worker uses for its own settings copy:
// "Chinese" selects Simplified Chinese, any other text English.
inline int LanguageIdFromSetting(const std::string& language) {
    return language == "Chinese" ? LANG_CHINESE : LANG_ENGLISH;
}

inline const char* LanguageSettingFromId(int id) {
    return id == LANG_CHINESE ? "Chinese" : "English";
}

} // namespace printune
