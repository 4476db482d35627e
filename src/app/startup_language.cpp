#include "app/startup_language.h"

#include "app/profile_reader.h"
#include "app/settings_file.h"
#include "base/language.h"

namespace printune {

std::optional<int> SelectStartupLanguage(const std::string& directory, int systemLanguageId) {
    std::string language;
    std::string text;
    size_t count = 0;
    if (ReadSettingsFileText(SettingsFilePath(directory), text))
        count = PrivateProfile::Parse(text).GetString("LanguageSetting", "Language", language, 128);
    if (count == 0 || count == 126)
        language = systemLanguageId == LANG_CHINESE ? "Chinese" : "English";

    if (language == "Chinese")
        return LANG_CHINESE;
    if (language == "English")
        return LANG_ENGLISH;
    return std::nullopt;
}

int StartupLanguageId(const std::string& directory) {
    const int system = SystemDefaultLanguageId();
    return SelectStartupLanguage(directory, system).value_or(system);
}

} // namespace printune
