#include "settings/settings_profile.h"

#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <sstream>

#include "base/language.h"
#include "port/models.h"

namespace printune {

namespace {

constexpr int EMULATION_CODES = 4; // ESC/POS, ZPL, EPL, TSPL
constexpr int CUTTER_MODEL = 4;

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> Choices(ProfileFamily family, int setting, int languageId) {
    if (family == ProfileFamily::Receipt)
        return ReceiptChoices(setting, languageId);
    if (setting == LS_EMULATION) {
        std::vector<std::string> names;
        for (int code = 0; code < EMULATION_CODES; ++code)
            names.push_back(EmulationName(code));
        return names;
    }
    return LabelChoices(setting, languageId);
}

bool IsTextSetting(ProfileFamily family, int setting) {
    return family == ProfileFamily::Receipt ? IsReceiptDistanceSetting(setting)
                                            : IsLabelEditSetting(setting);
}

ProfileValueParse ParseLabelText(int setting, const std::string& text) {
    const bool fraction = setting == LS_HOME_OFFSET || setting == LS_CUT_OFFSET;
    if (!IsDecimalText(text, fraction))
        return {ProfileValueError::NotANumber, {}};
    if (CheckLabelEdit(setting, text).corrected)
        return {ProfileValueError::OutOfRange, {}};
    return {ProfileValueError::None, LabelValue::Text(text)};
}

ProfileValueParse ParseReceiptText(int setting, const std::string& text) {
    if (!IsReceiptDistanceText(text))
        return {ProfileValueError::NotANumber, {}};
    switch (CheckReceiptDistance(setting, text).outcome) {
    case DistanceCheck::NotInteger:
        return {ProfileValueError::NotANumber, {}};
    case DistanceCheck::Corrected:
        return {ProfileValueError::OutOfRange, {}};
    case DistanceCheck::Accepted:
        break;
    }
    return {ProfileValueError::None, LabelValue::Text(text)};
}

// "key=value" fields of the header after its first word, split at ';'.
bool ParseHeader(const std::string& line, SettingsProfile& profile, ProfileError& error) {
    const std::string magic = PROFILE_MAGIC;
    if (line.compare(0, magic.size(), magic) != 0) {
        error = ProfileError::NoHeader;
        return false;
    }
    error = ProfileError::BadHeader;
    std::map<std::string, std::string> fields;
    std::stringstream rest(line.substr(magic.size()));
    for (std::string field; std::getline(rest, field, ';');) {
        const auto eq = field.find('=');
        if (eq == std::string::npos)
            return false;
        fields[Trim(field.substr(0, eq))] = Trim(field.substr(eq + 1));
    }
    if (!ProfileFamilyFromName(fields["family"], profile.family) || fields["model"].empty())
        return false;
    profile.model = fields["model"];
    profile.toolVersion = fields["version"];
    error = ProfileError::None;
    return true;
}

} // namespace

bool IsDecimalText(const std::string& text, bool fraction) {
    if (text.empty())
        return false;
    for (char ch : text)
        if (!(ch == '-' || ch == '+' || (fraction && ch == '.') || (ch >= '0' && ch <= '9')))
            return false;
    char* end = nullptr;
    errno = 0;
    if (fraction)
        std::strtod(text.c_str(), &end);
    else
        std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end != text.c_str() && *end == '\0';
}

std::string ProfileFamilyName(ProfileFamily family) {
    return family == ProfileFamily::Receipt ? "receipt" : "label";
}

bool ProfileFamilyFromName(const std::string& name, ProfileFamily& family) {
    if (name == "label")
        family = ProfileFamily::Label;
    else if (name == "receipt")
        family = ProfileFamily::Receipt;
    else
        return false;
    return true;
}

int ProfileSettingCount(ProfileFamily family) {
    return family == ProfileFamily::Receipt ? RECEIPT_SETTING_COUNT : LABEL_SETTING_COUNT;
}

std::string ProfileSettingKey(ProfileFamily family, int setting) {
    return family == ProfileFamily::Receipt ? ReceiptSettingKey(setting) : LabelSettingKey(setting);
}

int ProfileSettingFromKey(ProfileFamily family, const std::string& key) {
    return family == ProfileFamily::Receipt ? ReceiptSettingFromKey(key) : LabelSettingFromKey(key);
}

bool IsProfileReadOnly(ProfileFamily family, int setting) {
    return family == ProfileFamily::Label && setting == LS_PRINT_WIDTH;
}

bool ProfileModelHasSetting(ProfileFamily family, const std::string& model, int setting) {
    if (family != ProfileFamily::Receipt || setting != RS_CUTTER_SWITCH)
        return true;
    return ModelPosition(model, LANG_ENGLISH) == CUTTER_MODEL ||
           ModelPosition(model, LANG_CHINESE) == CUTTER_MODEL;
}

std::vector<std::string> ProfileChoices(ProfileFamily family, int setting) {
    return Choices(family, setting, LANG_ENGLISH);
}

std::string ProfileValueText(ProfileFamily family, int setting, const LabelValue& value) {
    if (IsTextSetting(family, setting))
        return value.text;
    const auto entries = Choices(family, setting, LANG_ENGLISH);
    if (value.choice < 0 || value.choice >= static_cast<int>(entries.size()))
        return {};
    return entries[static_cast<size_t>(value.choice)];
}

ProfileValueParse ParseProfileValue(ProfileFamily family, int setting, const std::string& text) {
    if (IsTextSetting(family, setting))
        return family == ProfileFamily::Receipt ? ParseReceiptText(setting, text)
                                                : ParseLabelText(setting, text);
    // Chinese entries are taken too, so a hand-edited file may use either.
    for (const int lang : {LANG_ENGLISH, LANG_CHINESE}) {
        const auto entries = Choices(family, setting, lang);
        for (size_t i = 0; i < entries.size(); ++i)
            if (SameText(entries[i], text))
                return {ProfileValueError::None, LabelValue::Choice(static_cast<int>(i))};
    }
    return {ProfileValueError::NotAChoice, {}};
}

std::string WriteSettingsProfile(const SettingsProfile& profile) {
    std::string out = std::string(PROFILE_MAGIC) + " family=" + ProfileFamilyName(profile.family) +
                      "; model=" + profile.model + "; version=" + profile.toolVersion + "\n";
    out += "# One setting a line: name = value. Lines starting with # are comments.\n";
    for (const auto& [setting, value] : profile.values) {
        const std::string text = ProfileValueText(profile.family, setting, value);
        if (text.empty())
            continue;
        out += ProfileSettingKey(profile.family, setting) + " = " + text;
        if (IsProfileReadOnly(profile.family, setting))
            out += "  # read only: recorded, never sent";
        out += "\n";
    }
    return out;
}

ProfileParseResult ParseSettingsProfile(const std::string& text) {
    ProfileParseResult r;
    bool haveHeader = false;
    std::map<int, LabelValue> values;
    std::stringstream in(text);
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        std::string line = raw;
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3); // a byte-order mark left by an editor
        // A '#' starts a comment anywhere: no name or value contains one.
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        line = Trim(line);
        if (line.empty())
            continue;
        r.line = number;
        if (!haveHeader) {
            if (!ParseHeader(line, r.profile, r.error))
                return r;
            haveHeader = true;
            continue;
        }
        const auto eq = line.find('=');
        r.name = Trim(line.substr(0, eq == std::string::npos ? line.size() : eq));
        if (eq == std::string::npos || r.name.empty()) {
            r.error = ProfileError::NotAssignment;
            return r;
        }
        r.value = Trim(line.substr(eq + 1));
        const ProfileFamily family = r.profile.family;
        const int setting = ProfileSettingFromKey(family, r.name);
        if (setting < 0 || !ProfileModelHasSetting(family, r.profile.model, setting)) {
            r.error = ProfileError::UnknownName;
            return r;
        }
        if (values.count(setting)) {
            r.error = ProfileError::Duplicate;
            return r;
        }
        const ProfileValueParse v = ParseProfileValue(family, setting, r.value);
        if (v.error != ProfileValueError::None) {
            r.error = ProfileError::BadValue;
            r.valueError = v.error;
            return r;
        }
        values[setting] = v.value;
    }
    if (!haveHeader) {
        r.error = ProfileError::NoHeader;
        r.line = number + 1;
        return r;
    }
    r.line = 0;
    r.name.clear();
    r.value.clear();
    for (const auto& [setting, value] : values)
        r.profile.values.emplace_back(setting, value);
    return r;
}

SettingsProfile LabelProfile(const LabelSettings& settings, const std::string& model,
                             const std::string& toolVersion) {
    SettingsProfile p{ProfileFamily::Label, model, toolVersion, {}};
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s) {
        const LabelValue& v = settings.values[static_cast<size_t>(s)];
        LabelValue value = v;
        if (s == LS_EMULATION)
            value.choice = EmulationName(v.choice).empty() ? -1 : v.choice;
        if (!ProfileValueText(p.family, s, value).empty())
            p.values.emplace_back(s, value);
    }
    return p;
}

SettingsProfile ReceiptProfile(const ReceiptSettings& settings, const std::string& model,
                               const std::string& toolVersion) {
    SettingsProfile p{ProfileFamily::Receipt, model, toolVersion, {}};
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s) {
        const LabelValue& v = settings.values[static_cast<size_t>(s)];
        if (ProfileModelHasSetting(p.family, model, s) && !ProfileValueText(p.family, s, v).empty())
            p.values.emplace_back(s, v);
    }
    return p;
}

} // namespace printune
