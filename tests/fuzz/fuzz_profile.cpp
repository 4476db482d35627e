// Settings profiles: a file that reads is written again and reads back to
// the same profile; every value taken passes the value check again, and a
// value written is the text the check took.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/settings_profile.h"

using namespace printune;

namespace {

void Check(bool ok) {
    if (!ok)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ProfileParseResult first = ParseSettingsProfile(text);
    if (!first.ok()) {
        Check(first.line >= 1);
        return 0;
    }
    const SettingsProfile& p = first.profile;
    int last = -1;
    for (const auto& [setting, value] : p.values) {
        Check(setting > last && setting < ProfileSettingCount(p.family));
        last = setting;
        const std::string written = ProfileValueText(p.family, setting, value);
        const ProfileValueParse again = ParseProfileValue(p.family, setting, written);
        Check(again.error == ProfileValueError::None && again.value == value);
    }
    const std::string saved = WriteSettingsProfile(p);
    const ProfileParseResult second = ParseSettingsProfile(saved);
    Check(second.ok() && second.profile.family == p.family && second.profile.model == p.model &&
          second.profile.toolVersion == p.toolVersion && second.profile.values == p.values);
    Check(WriteSettingsProfile(second.profile) == saved);
    return 0;
}
