#include "context.h"

#include <arpa/inet.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "app/settings_file.h"
#include "app/startup_language.h"
#include "base/language.h"
#include "failure.h"
#include "output.h"
#include "port/models.h"
#include "port/usb_filter.h"
#include "texts.h"

namespace printune::cli {

namespace {

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

[[noreturn]] void BadValue(const char* what, const std::string& value) {
    ThrowInput(Format(L("invalid %s: '%s'", "%s 无效：'%s'"), what, value.c_str()));
}

// Position of a model given by name in either language, 0 when unknown.
int ModelPositionByName(const std::string& name) {
    for (int lang : {LANG_ENGLISH, LANG_CHINESE})
        for (int pos = 1; pos <= MODEL_COUNT; ++pos)
            if (SameText(ModelName(pos, lang), name))
                return pos;
    return 0;
}

int LanguageFromOption(const std::string& text) {
    const std::string t = Lower(text);
    if (t == "en" || t == "english")
        return LANG_ENGLISH;
    if (t == "zh" || t == "chinese" || t == "zh_cn" || t == "zh-cn")
        return LANG_CHINESE;
    ThrowUsage(Format("invalid --lang '%s' (en or zh)", text.c_str()));
}

bool ValidComName(const std::string& name) {
    if (!name.empty() && name[0] == '/')
        return true;
    if (name.size() < 4 || !SameText(name.substr(0, 3), "COM"))
        return false;
    return std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           std::atoi(name.c_str() + 3) >= 1;
}

bool ValidLptName(const std::string& name) {
    if (!name.empty() && name[0] == '/')
        return true;
    if (name.size() < 4 || !SameText(name.substr(0, 3), "LPT"))
        return false;
    return std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           std::atoi(name.c_str() + 3) >= 1;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// --port usb | com[:NAME] | lpt[:NAME] | lan[:ADDRESS[:PORT]]
void ApplyPortOption(PortSettings& s, const std::string& portOption) {
    const auto colon = portOption.find(':');
    const std::string kind = Lower(portOption.substr(0, colon));
    const std::string rest =
        colon == std::string::npos ? std::string() : portOption.substr(colon + 1);
    const bool hasRest = colon != std::string::npos;
    if (kind == "usb" && !hasRest) {
        s.portType = PORT_USB;
    } else if (kind == "com") {
        if (hasRest) {
            if (!ValidComName(rest))
                BadValue("COM", rest);
            s.comPortName = rest[0] == '/' ? rest : Upper(rest);
        }
        s.portType = PORT_COM;
    } else if (kind == "lpt") {
        if (hasRest) {
            if (!ValidLptName(rest))
                BadValue("LPT", rest);
            s.lptPortName = rest[0] == '/' ? rest : Upper(rest);
        }
        s.portType = PORT_LPT;
    } else if (kind == "lan") {
        if (hasRest) {
            const auto colon2 = rest.find(':');
            const std::string address = rest.substr(0, colon2);
            if (!address.empty())
                s.ipAddr = CheckIpv4(address, "IP");
            if (colon2 != std::string::npos) {
                const std::string port = rest.substr(colon2 + 1);
                char* end = nullptr;
                errno = 0;
                const long value = std::strtol(port.c_str(), &end, 10);
                if (port.empty() || *end != '\0' || errno != 0 || value < 1 || value > 65535)
                    BadValue(L("TCP port", "TCP 端口"), port);
                s.listenPort = static_cast<int32_t>(value);
            }
        }
        s.portType = PORT_LAN;
    } else {
        ThrowUsage(Format(L("invalid --port '%s'", "--port 无效：'%s'"), portOption.c_str()));
    }
}

} // namespace

std::string CheckBaud(const std::string& text) {
    for (const char* rate : {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"})
        if (text == rate)
            return rate;
    BadValue(L("baud rate", "波特率"), text);
}

std::string CheckParity(const std::string& text) {
    for (const char* p : {"None", "Even", "Odd"})
        if (SameText(text, p))
            return p;
    BadValue(L("parity", "校验"), text);
}

std::string CheckDataBits(const std::string& text) {
    if (text == "8" || text == "7")
        return text;
    BadValue(L("data bits", "数据位"), text);
}

std::string CheckStopBits(const std::string& text) {
    if (text == "1" || text == "2")
        return text;
    BadValue(L("stop bits", "停止位"), text);
}

std::string CheckFlow(const std::string& text) {
    if (SameText(text, "DTR"))
        return "DTR";
    const std::string t = Lower(text);
    if (t == "xon/xoff" || t == "xonxoff" || t == "xon / xoff")
        return "Xon/Xoff";
    BadValue(L("flow control", "流控"), text);
}

std::string CheckIpv4(const std::string& text, const char* what) {
    in_addr addr{};
    if (inet_pton(AF_INET, text.c_str(), &addr) != 1)
        BadValue(what, text);
    return text;
}

void LoadRunSettings(Context& c) {
    const GlobalOptions& g = c.global;
    c.configPath = g.config.value_or(SETTINGS_FILE_NAME);
    const int systemLanguage = SystemDefaultLanguageId();
    std::string text;
    int err = 0;
    bool unreadable = false;
    if (ReadSettingsFileText(c.configPath, text, &err)) {
        c.configExists = true;
        c.settings = SettingsFromProfile(PrivateProfile::Parse(text));
    } else {
        // No file: the defaults the desktop program would write. The file is
        // not created for a run that only reads; 'connect' writes it.
        c.configExists = err != ENOENT;
        c.settings = DefaultPortSettings(ModelName(1, systemLanguage), systemLanguage);
        unreadable = c.configExists;
    }
    // The file's language as the start-up decides it: "English", "Chinese",
    // else the system's.
    c.fileLanguageId = c.settings.language == "Chinese"   ? LANG_CHINESE
                       : c.settings.language == "English" ? LANG_ENGLISH
                                                          : systemLanguage;
    SetMessageLanguage(g.lang ? LanguageFromOption(*g.lang) : c.fileLanguageId);
    if (unreadable) {
        SettingsError e;
        e.failure = SettingsFailure::Unreadable;
        e.errorNumber = err;
        e.path = c.configPath;
        PrintMessage(SettingsErrorMessage(e, MessageLanguage()));
    }
}

void SaveRunSettings(const Context& c) {
    SettingsError error;
    if (!SaveSettingsFile(c.configPath, c.settings, &error))
        ThrowOther(SettingsErrorMessage(error, MessageLanguage()));
}

void ApplyOverrides(Context& c) {
    const GlobalOptions& g = c.global;
    PortSettings s = c.settings;
    const int fileLanguage = c.fileLanguageId;
    const int language = MessageLanguage();

    int position = 0;
    const bool picked = g.model.has_value();
    if (picked) {
        position = ModelPositionByName(*g.model);
        if (position == 0)
            ThrowInput(Format(L("unknown model '%s'", "未知型号：'%s'"), g.model->c_str()));
    } else {
        position = ModelPosition(s.printerModel, fileLanguage);
    }
    // With --lang the run behaves as after a language switch: the language
    // setting and the model's name follow it.
    if (g.lang)
        s.language = LanguageSettingFromId(language);
    if (position != 0)
        s.printerModel = ModelName(position, language);

    if (g.port)
        ApplyPortOption(s, *g.port);
    if (g.baud)
        s.baudrate = CheckBaud(*g.baud);
    if (g.parity)
        s.paritySetup = CheckParity(*g.parity);
    if (g.dataBits)
        s.dataBit = CheckDataBits(*g.dataBits);
    if (g.stopBits)
        s.stopBit = CheckStopBits(*g.stopBits);
    if (g.flow)
        s.flowControl = CheckFlow(*g.flow);

    c.settings = s;
    c.languageId = LanguageIdFromSetting(s.language);
    c.modelPosition = position;
    c.json = g.json;

    // The filter follows the model. A saved KP-500 gets the label filter
    // like the other label models: with none, a label command would open
    // every USB printer, receipt printers included.
    UsbFilter filter;
    if (position >= 1 && position <= 5)
        UsbFilterForPosition(position, filter);
    SetUsbFilter(filter);
    SetUsbFanOutNotifier([](int printers) {
        PrintMessage(
            Format(L("The command went to %d USB printers.", "该命令已发送到 %d 台 USB 打印机。"),
                   printers));
    });
    SetCurrentPortSettings(s);
}

bool IsReceiptModel(const Context& c) {
    return IsReceiptPosition(c.modelPosition);
}

void SetUpPort(CPrinterPort& port, const PortSettings& s) {
    port.portType = s.portType;
    port.comName = s.comPortName;
    port.lptName = s.lptPortName;
}

void WithOpenPort(const Context& c, const std::string& address,
                  const std::function<void(CPrinterPort&)>& f) {
    CPrinterPort port;
    SetUpPort(port, c.settings);
    try {
        if (port.Open(address) != 1)
            ThrowPort(8000, c.settings.portType, port.LastErrno());
        f(port);
    } catch (const PortError& e) {
        port.Close();
        ThrowPort(e);
    }
    port.Close();
}

int SendOnce(const Context& c, const std::vector<uint8_t>& bytes, const std::string& address) {
    int written = 0;
    WithOpenPort(c, address, [&](CPrinterPort& port) {
        port.data = bytes.data();
        port.length = static_cast<int32_t>(bytes.size());
        if (!bytes.empty())
            written = port.Write();
        port.Flush();
    });
    return written;
}

} // namespace printune::cli
