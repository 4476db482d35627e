#include "options.h"

#include "failure.h"
#include "texts.h"

namespace printune::cli {

std::string ParsedArgs::Get(const std::string& name, const std::string& fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

std::optional<std::string> ParsedArgs::Find(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

const std::vector<OptionSpec>& GlobalOptionSpecs() {
    static const std::vector<OptionSpec> optionTable = {
        {"port", "usb|com:NAME|lpt:NAME|lan[:ADDRESS[:PORT]]", "interface for this run",
         "本次使用的接口"},
        {"model", "NAME", "printer model (KP-520, KP-740, HT-740, HT-750, KP-500)",
         "打印机型号（KP-520、KP-740、HT-740、HT-750、KP-500）"},
        {"baud", "RATE", "serial baud rate (1200 ... 115200)", "串口波特率（1200 ... 115200）"},
        {"parity", "None|Even|Odd", "serial parity", "串口校验"},
        {"data-bits", "8|7", "serial data bits", "串口数据位"},
        {"stop-bits", "1|2", "serial stop bits", "串口停止位"},
        {"flow", "DTR|Xon/Xoff", "serial flow control", "串口流控"},
        {"config", "FILE", "settings file (default ./printune.ini)",
         "设置文件（默认 ./printune.ini）"},
        {"lang", "en|zh", "message language (default: the settings file's)",
         "提示语言（默认取设置文件中的语言）"},
        {"trace", "FILE", "record the communication with the printer in FILE (JSON Lines)",
         "将与打印机的通信记录到 FILE（JSON Lines）"},
        {"trace-full", nullptr, "record large payloads whole, not only their SHA-256",
         "完整记录大数据块，而不仅是其 SHA-256"},
        {"json", nullptr, "print one JSON document on standard output",
         "在标准输出打印一个 JSON 文档"},
        {"help", nullptr, "show help (also after a command)", "显示帮助（也可放在命令之后）"},
        {"version", nullptr, "show the version", "显示版本"},
    };
    return optionTable;
}

bool TakeOption(const std::vector<OptionSpec>& optionTable, const std::vector<std::string>& argv,
                size_t& index, std::string& name, std::string& value, bool& known) {
    const std::string& arg = argv[index];
    if (arg == "-h")
        name = "help";
    else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0)
        name = arg.substr(2);
    else
        return false;
    std::optional<std::string> inlineValue;
    if (auto eq = name.find('='); eq != std::string::npos) {
        inlineValue = name.substr(eq + 1);
        name.resize(eq);
    }
    known = false;
    for (const OptionSpec& option : optionTable) {
        if (option.name != name)
            continue;
        known = true;
        if (option.value == nullptr) {
            if (inlineValue)
                ThrowUsage(Format(L("option '--%s' takes no value", "选项 '--%s' 不带参数"),
                                  name.c_str()));
            value = "1";
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (index + 1 < argv.size()) {
            value = argv[++index];
        } else {
            ThrowUsage(
                Format(L("option '--%s' needs a value", "选项 '--%s' 需要一个值"), name.c_str()));
        }
        break;
    }
    return true;
}

void StoreGlobal(GlobalOptions& o, const std::string& name, const std::string& value) {
    if (name == "port")
        o.port = value;
    else if (name == "model")
        o.model = value;
    else if (name == "baud")
        o.baud = value;
    else if (name == "parity")
        o.parity = value;
    else if (name == "data-bits")
        o.dataBits = value;
    else if (name == "stop-bits")
        o.stopBits = value;
    else if (name == "flow")
        o.flow = value;
    else if (name == "config")
        o.config = value;
    else if (name == "lang")
        o.lang = value;
    else if (name == "trace")
        o.trace = value;
    else if (name == "trace-full")
        o.traceFull = true;
    else if (name == "json")
        o.json = true;
    else if (name == "help")
        o.help = true;
    else if (name == "version")
        o.version = true;
}

} // namespace printune::cli
