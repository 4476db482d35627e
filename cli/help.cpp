#include "help.h"

#include "command.h"
#include "texts.h"

namespace printune::cli {

namespace {

void AddOptionLines(std::string& out, const std::vector<OptionSpec>& options) {
    for (const OptionSpec& option : options) {
        std::string left = "  --" + option.name;
        if (option.value)
            left += std::string(" ") + option.value;
        const std::string text = L(option.english, option.chinese);
        if (left.size() < 28)
            out += left + std::string(28 - left.size(), ' ') + text + "\n";
        else
            out += left + "\n" + std::string(28, ' ') + text + "\n";
    }
}

// Commands of one section are listed together.
std::string Section(const std::string& words) {
    const std::string first = words.substr(0, words.find(' '));
    if (first == "show" || first == "connect" || first == "serial-config")
        return "connection";
    if (first == "wifi" || first == "bt" || first == "netparam")
        return "wireless";
    if (first == "download-mode" || first == "update")
        return "firmware";
    return first;
}

std::string Synopsis(const Command& c) {
    std::string s = c.words;
    if (!c.options.empty())
        s += L(" [OPTIONS]", " [选项]");
    if (!c.arguments.empty())
        s += " " + c.arguments;
    return s;
}

} // namespace

std::string GeneralHelp() {
    std::string out;
    out += L("Usage: printune-cli [OPTIONS] COMMAND [ARGUMENTS]\n\n"
             "Configures and tests Vortan KP label printers and HT receipt printers over\n"
             "serial, parallel, USB or TCP. The connection comes from ./printune.ini as the\n"
             "desktop program saved it; the options below change it for this run only\n"
             "('connect' saves them). Messages go to standard error, results to standard\n"
             "output.\n\n"
             "Options:\n",
             "用法：printune-cli [选项] 命令 [参数]\n\n"
             "通过串口、并口、USB 或 TCP 配置和测试 Vortan KP 标签打印机和 HT 票据打印机。\n"
             "连接参数取自桌面程序保存的 ./printune.ini；下列选项只改变本次运行的参数\n"
             "（'connect' 命令会保存它们）。提示信息输出到标准错误，结果输出到标准输出。\n\n"
             "选项：\n");
    AddOptionLines(out, GlobalOptionSpecs());
    out += L("\nCommands:\n", "\n命令：\n");
    std::string lastGroup;
    for (const Command& c : AllCommands()) {
        const std::string group = Section(c.words);
        if (!lastGroup.empty() && group != lastGroup)
            out += "\n";
        lastGroup = group;
        std::string left = "  " + Synopsis(c);
        const std::string text = L(c.english, c.chinese);
        if (left.size() < 40)
            out += left + std::string(40 - left.size(), ' ') + text + "\n";
        else
            out += left + "\n" + std::string(40, ' ') + text + "\n";
    }
    out += L("\nExit codes:\n"
             "  0  success\n"
             "  1  any other failure\n"
             "  2  usage error (unknown command or option, wrong arguments)\n"
             "  3  port failure; the port error code (8000 ... 8006) is printed\n"
             "  4  time-out: the printer did not answer\n"
             "  5  invalid input; nothing was sent\n"
             "  6  not found: no network printer (with that MAC) answered\n\n"
             "Run 'printune-cli COMMAND --help' for the options of a command.\n",
             "\n退出码：\n"
             "  0  成功\n"
             "  1  其他错误\n"
             "  2  用法错误（未知命令或选项、参数不对）\n"
             "  3  端口错误；同时打印端口错误码（8000 ... 8006）\n"
             "  4  超时：打印机没有应答\n"
             "  5  输入无效；没有发送任何数据\n"
             "  6  未找到：没有（该 MAC 的）网络打印机应答\n\n"
             "运行 'printune-cli 命令 --help' 查看该命令的选项。\n");
    return out;
}

std::string CommandHelp(const Command& c) {
    std::string out = L("Usage: printune-cli [OPTIONS] ", "用法：printune-cli [选项] ");
    out += Synopsis(c) + "\n\n" + L(c.english, c.chinese) + "\n";
    if (!c.options.empty()) {
        out += L("\nOptions of this command:\n", "\n本命令的选项：\n");
        AddOptionLines(out, c.options);
    }
    if (c.details)
        out += "\n" + c.details();
    return out;
}

} // namespace printune::cli
