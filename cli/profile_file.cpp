#include "profile_file.h"

#include <cstring>

#include "context.h"
#include "failure.h"
#include "help.h"
#include "settings/profile_page.h"
#include "texts.h"

namespace printune::cli {

const OptionSpec SAVE_PROFILE_OPTION = {"save", "FILE", "also write the settings to a profile file",
                                        "同时把设置写入配置文件"};

void SaveProfileFile(const std::string& path, const SettingsProfile& profile) {
    int err = 0;
    if (!WriteProfileFile(path, profile, err))
        ThrowOther(Format(L("Cannot write '%s': %s", "无法写入 '%s'：%s"), path.c_str(),
                          std::strerror(err)));
}

SettingsProfile LoadProfileFile(const std::string& path) {
    const ProfileFileRead read = ReadProfileFile(path);
    if (read.readError != 0)
        ThrowInput(Format(L("Cannot read '%s': %s", "无法读取 '%s'：%s"), path.c_str(),
                          std::strerror(read.readError)));
    const ProfileParseResult& r = read.parse;
    if (!r.ok())
        ThrowInput(Format("%s:%d: %s", path.c_str(), r.line,
                          ProfileErrorText(r, MessageLanguage()).c_str()));
    return r.profile;
}

void SaveLabelProfile(const Context& c, const LabelSettings& settings, const std::string& path) {
    SaveProfileFile(path, LabelProfile(settings, c.settings.printerModel, CLI_VERSION));
}

void SaveReceiptProfile(const Context& c, const ReceiptSettings& settings,
                        const std::string& path) {
    SaveProfileFile(path, ReceiptProfile(settings, c.settings.printerModel, CLI_VERSION));
}

} // namespace printune::cli
