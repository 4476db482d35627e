#include "settings/profile_page.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>

#include "base/file_bytes.h"
#include "base/language.h"
#include "port/models.h"
#include "settings/profile_operations.h"

namespace printune {

namespace {

constexpr int FIRST_LABEL_MODEL = 1;
constexpr int FIRST_RECEIPT_MODEL = 3;

std::string Pick(int languageId, const std::string& english, const std::string& chinese) {
    return languageId == LANG_CHINESE ? chinese : english;
}

bool IsTextSetting(ProfileFamily family, int setting) {
    return family == ProfileFamily::Receipt ? IsReceiptDistanceSetting(setting)
                                            : IsLabelEditSetting(setting);
}

const LabelValue* Find(const SettingsProfile& profile, int setting) {
    for (const auto& [s, v] : profile.values)
        if (s == setting)
            return &v;
    return nullptr;
}

std::string ValueErrorText(ProfileValueError error, int languageId) {
    switch (error) {
    case ProfileValueError::NotAChoice:
        return Pick(languageId, "not one of the setting's values", "不是该设置的可选值");
    case ProfileValueError::NotANumber:
        return Pick(languageId, "not a number", "不是数字");
    case ProfileValueError::OutOfRange:
        return Pick(languageId, "out of range", "超出范围");
    case ProfileValueError::None:
        break;
    }
    return {};
}

std::string FamilyText(ProfileFamily family, int languageId) {
    return family == ProfileFamily::Receipt ? Pick(languageId, "receipt", "票据")
                                            : Pick(languageId, "label", "标签");
}

} // namespace

std::string ProfileModelName(ProfileFamily family, const std::string& model) {
    if (model.empty())
        return ModelName(family == ProfileFamily::Receipt ? FIRST_RECEIPT_MODEL : FIRST_LABEL_MODEL,
                         LANG_ENGLISH);
    for (const int lang : {LANG_ENGLISH, LANG_CHINESE})
        if (const int position = ModelPosition(model, lang))
            return ModelName(position, LANG_ENGLISH);
    return model;
}

PageProfile ProfileFromPage(ProfileFamily family, const std::vector<LabelValue>& values,
                            const std::string& model, const std::string& toolVersion) {
    PageProfile r;
    r.profile.family = family;
    r.profile.model = ProfileModelName(family, model);
    r.profile.toolVersion = toolVersion;
    const int count = std::min(ProfileSettingCount(family), static_cast<int>(values.size()));
    for (int s = 0; s < count; ++s) {
        const LabelValue& v = values[static_cast<size_t>(s)];
        if (!ProfileModelHasSetting(family, r.profile.model, s))
            continue;
        if (IsTextSetting(family, s)) {
            if (v.text.empty())
                continue;
            const ProfileValueParse parsed = ParseProfileValue(family, s, v.text);
            if (parsed.error != ProfileValueError::None)
                r.invalid.push_back(s);
            else
                r.profile.values.emplace_back(s, parsed.value);
            continue;
        }
        // A list position (the Emulation code) the file has no name for is
        // no selection.
        if (!ProfileValueText(family, s, v).empty())
            r.profile.values.emplace_back(s, LabelValue::Choice(v.choice));
    }
    return r;
}

bool ProfileHasSendableValues(const SettingsProfile& profile) {
    return std::any_of(profile.values.begin(), profile.values.end(), [&](const auto& entry) {
        return !IsProfileReadOnly(profile.family, entry.first);
    });
}

PageLoadPlan PlanPageLoad(const SettingsProfile& loaded, const SettingsProfile& page,
                          const std::vector<int>& emulationCodes) {
    PageLoadPlan plan;
    for (const ProfileDifference& d : DiffProfiles(loaded, page)) {
        const LabelValue* value = Find(loaded, d.setting);
        if (!value)
            continue;
        if (loaded.family == ProfileFamily::Label && d.setting == LS_EMULATION &&
            EmulationPosition(value->choice, emulationCodes) < 0) {
            plan.unavailable.push_back(d.setting);
            continue;
        }
        plan.changes.emplace_back(d.setting, *value);
    }
    return plan;
}

bool WriteProfileFile(const std::string& path, const SettingsProfile& profile, int& err) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << WriteSettingsProfile(profile);
        out.flush();
        if (out.good()) {
            out.close();
            if (std::rename(temporary.c_str(), path.c_str()) == 0)
                return true;
        }
    }
    err = errno != 0 ? errno : EIO;
    std::remove(temporary.c_str());
    return false;
}

ProfileFileRead ReadProfileFile(const std::string& path) {
    ProfileFileRead r;
    std::vector<uint8_t> bytes;
    int err = 0;
    if (!ReadFileBytes(path, bytes, &err)) {
        r.readError = err != 0 ? err : EIO;
        return r;
    }
    r.parse = ParseSettingsProfile(std::string(bytes.begin(), bytes.end()));
    return r;
}

std::string ProfileErrorText(const ProfileParseResult& r, int languageId) {
    switch (r.error) {
    case ProfileError::NoHeader:
        return Pick(languageId,
                    std::string("no header line ('") + PROFILE_MAGIC +
                        " family=label; model=...; version=...')",
                    std::string("缺少文件头（'") + PROFILE_MAGIC +
                        " family=label; model=...; version=...'）");
    case ProfileError::BadHeader:
        return Pick(languageId, "the header needs family=label or family=receipt and a model",
                    "文件头需要 family=label 或 family=receipt 以及型号");
    case ProfileError::NotAssignment:
        return Pick(languageId, "expected 'name = value'", "应为 '名称 = 值'");
    case ProfileError::UnknownName:
        return Pick(languageId, "unknown setting '" + r.name + "'", "未知设置 '" + r.name + "'");
    case ProfileError::Duplicate:
        return Pick(languageId, "'" + r.name + "' is given twice", "'" + r.name + "' 出现了两次");
    case ProfileError::BadValue:
        return r.name + ": '" + r.value + "' " + ValueErrorText(r.valueError, languageId);
    case ProfileError::None:
        break;
    }
    return {};
}

std::string ProfileFamilyMismatchText(ProfileFamily file, ProfileFamily page, int languageId) {
    return Pick(languageId,
                "This profile is for " + FamilyText(file, languageId) +
                    " printers; this page sets " + FamilyText(page, languageId) + " printers.",
                "该配置文件用于" + FamilyText(file, languageId) + "打印机；本页设置的是" +
                    FamilyText(page, languageId) + "打印机。");
}

} // namespace printune
