#include "profile_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "base/file_bytes.h"
#include "context.h"
#include "failure.h"
#include "help.h"
#include "texts.h"

namespace printune::cli {

const OptionSpec SAVE_PROFILE_OPTION = {"save", "FILE", "also write the settings to a profile file",
                                        "同时把设置写入配置文件"};

namespace {

std::string ValueErrorText(ProfileValueError error) {
    switch (error) {
    case ProfileValueError::NotAChoice:
        return L("not one of the setting's values", "不是该设置的可选值");
    case ProfileValueError::NotANumber:
        return L("not a number", "不是数字");
    case ProfileValueError::OutOfRange:
        return L("out of range", "超出范围");
    case ProfileValueError::None:
        break;
    }
    return {};
}

std::string ErrorText(const ProfileParseResult& r) {
    switch (r.error) {
    case ProfileError::NoHeader:
        return Format(L("no header line ('%s family=label; model=...; version=...')",
                        "缺少文件头（'%s family=label; model=...; version=...'）"),
                      PROFILE_MAGIC);
    case ProfileError::BadHeader:
        return L("the header needs family=label or family=receipt and a model",
                 "文件头需要 family=label 或 family=receipt 以及型号");
    case ProfileError::NotAssignment:
        return L("expected 'name = value'", "应为 '名称 = 值'");
    case ProfileError::UnknownName:
        return Format(L("unknown setting '%s'", "未知设置 '%s'"), r.name.c_str());
    case ProfileError::Duplicate:
        return Format(L("'%s' is given twice", "'%s' 出现了两次"), r.name.c_str());
    case ProfileError::BadValue:
        return Format("%s: '%s' %s", r.name.c_str(), r.value.c_str(),
                      ValueErrorText(r.valueError).c_str());
    case ProfileError::None:
        break;
    }
    return {};
}

} // namespace

void SaveProfileFile(const std::string& path, const SettingsProfile& profile) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << WriteSettingsProfile(profile);
        out.flush();
        if (out.good()) {
            out.close();
            if (std::rename(temporary.c_str(), path.c_str()) == 0)
                return;
        }
    }
    const int err = errno;
    std::remove(temporary.c_str());
    ThrowOther(
        Format(L("Cannot write '%s': %s", "无法写入 '%s'：%s"), path.c_str(), std::strerror(err)));
}

SettingsProfile LoadProfileFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    int err = 0;
    if (!ReadFileBytes(path, bytes, &err))
        ThrowInput(Format(L("Cannot read '%s': %s", "无法读取 '%s'：%s"), path.c_str(),
                          std::strerror(err)));
    const ProfileParseResult r = ParseSettingsProfile(std::string(bytes.begin(), bytes.end()));
    if (!r.ok())
        ThrowInput(Format("%s:%d: %s", path.c_str(), r.line, ErrorText(r).c_str()));
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
