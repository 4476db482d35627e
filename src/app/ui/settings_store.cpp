#include "app/ui/settings_store.h"

#include "app/settings_file.h"
#include "base/language.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"

namespace printune {

bool SaveSettingsOrWarn(const PortSettings& settings, QWidget* owner) {
    SettingsError error;
    if (SaveSettings(std::string(), settings, &error))
        return true;
    MessageService::Show(owner, MessageIcon::Warning,
                         Q(SettingsErrorMessage(error, LanguageIdFromSetting(settings.language))));
    return false;
}

} // namespace printune
