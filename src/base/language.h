#pragma once
// Language identifiers of the two resource sets, the mapping from the
// settings file's language text, and the system's default language.
#include <string>
#include <string_view>

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

// The language identifier of a POSIX locale name: 2052 for Simplified
// Chinese ("zh_CN", "zh_SG", "zh_Hans", "zh" with any codeset or modifier,
// such as "zh_CN.UTF-8"), 1033 for everything else, also "C" and "".
int LanguageIdFromLocaleName(std::string_view locale);

// The system's default language: the first non-empty of LC_ALL, LC_MESSAGES
// and LANG, through LanguageIdFromLocaleName.
int SystemDefaultLanguageId();

} // namespace printune
