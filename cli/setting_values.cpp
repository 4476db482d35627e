#include "setting_values.h"

#include <strings.h>

#include "failure.h"
#include "settings/settings_profile.h"
#include "texts.h"

namespace printune::cli {

const OptionSpec NONE_OPTION = {"none", nullptr,
                                "send the request with no setting in it (the bare frame)",
                                "发送不含任何设置的请求（仅帧头帧尾）"};

void CheckSetArguments(const std::string& words, const ParsedArgs& args) {
    const bool none = args.Has(NONE_OPTION.name);
    if (none && !args.positional.empty())
        ThrowUsage(Format(L("'%s' takes NAME=VALUE arguments or --none, not both",
                            "'%s' 只能给出 名称=值 参数或 --none，不能同时给出"),
                          words.c_str()));
    if (!none && args.positional.empty())
        ThrowUsage(Format(L("'%s' needs NAME=VALUE arguments, or --none to send no setting",
                            "'%s' 需要 名称=值 参数，或用 --none 发送不含设置的请求"),
                          words.c_str()));
}

std::pair<std::string, std::string> SplitAssignment(const std::string& argument) {
    const auto eq = argument.find('=');
    if (eq == std::string::npos || eq == 0)
        ThrowUsage(Format(L("expected NAME=VALUE, got '%s'", "应为 名称=值，而不是 '%s'"),
                          argument.c_str()));
    return {argument.substr(0, eq), argument.substr(eq + 1)};
}

int ChoicePosition(const std::string& text, const std::vector<std::string>& english,
                   const std::vector<std::string>& chinese) {
    for (const auto* list : {&english, &chinese})
        for (size_t i = 0; i < list->size(); ++i)
            if ((*list)[i].size() == text.size() &&
                strcasecmp((*list)[i].c_str(), text.c_str()) == 0)
                return static_cast<int>(i);
    return -1;
}

bool IsNumberText(const std::string& text, bool fraction) {
    return IsDecimalText(text, fraction);
}

std::string JoinChoices(const std::vector<std::string>& entries) {
    std::string out;
    for (size_t i = 0; i < entries.size(); ++i)
        out += (i ? " | " : "") + entries[i];
    return out;
}

std::string ValueTooLargeMessage() {
    return L("The value is too large!", "数值太大！");
}

std::string InputIntegerMessage() {
    return L("Input integer please.", "请输入整数。");
}

void ThrowNotAChoice(const std::string& key, const std::string& value,
                     const std::vector<std::string>& entries) {
    ThrowInput(Format(L("%s: '%s' is not one of: %s", "%s：'%s' 不是以下之一：%s"), key.c_str(),
                      value.c_str(), JoinChoices(entries).c_str()));
}

} // namespace printune::cli
