// profile ...: settings profiles shown, compared with a printer, applied to
// one printer or many.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <strings.h>

#include "base/language.h"
#include "command.h"
#include "context.h"
#include "exchange_io.h"
#include "failure.h"
#include "help.h"
#include "network/htnet_setup.h"
#include "network/netcfg_setup.h"
#include "network/udp_socket.h"
#include "network_options.h"
#include "output.h"
#include "port/models.h"
#include "port/printer_port.h"
#include "profile_file.h"
#include "settings/profile_operations.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

const OptionSpec kDryRun = {"dry-run", nullptr,
                            "print what would be sent (with the request bytes), send nothing",
                            "只显示将要发送的内容（含请求字节），不发送"};
const OptionSpec kTargets = {
    "targets", "T[,T...]",
    "printers to apply to: lan:IP[:PORT], usb, com:NAME, mac:MAC "
    "(more may follow as arguments)",
    "要应用的打印机：lan:IP[:端口]、usb、com:名称、mac:MAC（可在参数中继续列出）"};
const OptionSpec kTargetsFrom = {"targets-from", "FILE", "read the targets from a file, one a line",
                                 "从文件读取目标，每行一个"};
const OptionSpec kDiscover = {"discover", nullptr,
                              "every printer of the profile's family that answers a network "
                              "search (with --model: only that model)",
                              "网络搜索中应答的所有同类打印机（给出 --model 时只取该型号）"};
const OptionSpec kParallel = {"parallel", "N", "apply to up to N network printers at once",
                              "同时对最多 N 台网络打印机应用"};

constexpr int MAX_PARALLEL = 64;

// A result to print before an exit code other than 0: the failure path
// would print a second document.
[[noreturn]] void ExitWith(int code) {
    std::fflush(stdout);
    std::exit(code);
}

std::string HexText(const Bytes& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i)
        out += Format(i ? " %02X" : "%02X", bytes[i]);
    return out;
}

bool IsReceiptModelName(const std::string& model) {
    return IsReceiptPosition(ModelPosition(model, LANG_ENGLISH)) ||
           IsReceiptPosition(ModelPosition(model, LANG_CHINESE));
}

// The model the printers are taken to be: --model when given, else the
// profile's. It must be of the profile's family.
std::string TargetModel(const Context& c, const SettingsProfile& p) {
    const std::string model = c.global.model ? c.settings.printerModel : p.model;
    if (IsReceiptModelName(model) != (p.family == ProfileFamily::Receipt))
        ThrowInput(
            Format(L("The profile is for %s printers; '%s' is not one",
                     "该配置文件用于%s打印机；'%s' 不是"),
                   p.family == ProfileFamily::Receipt ? L("receipt", "票据") : L("label", "标签"),
                   model.c_str()));
    return model;
}

Json DifferencesJson(const SettingsProfile& p, const std::vector<ProfileDifference>& list) {
    Json out = Json::Array();
    for (const ProfileDifference& d : list) {
        Json j = Json::Object();
        j.Set("setting", ProfileSettingKey(p.family, d.setting));
        j.Set("profile", d.wanted);
        j.Set("printer", d.actual.empty() ? Json() : Json(d.actual));
        out.Push(std::move(j));
    }
    return out;
}

void PrintDifferences(const SettingsProfile& p, const std::vector<ProfileDifference>& list,
                      const std::string& indent) {
    for (const ProfileDifference& d : list)
        PrintLine(indent + Column(ProfileSettingKey(p.family, d.setting), 22) + " " +
                  Column(d.wanted, 16) + " " + (d.actual.empty() ? "-" : d.actual));
}

void Show(Context& c, const ParsedArgs& a) {
    const SettingsProfile p = LoadProfileFile(a.positional[0]);
    if (c.json) {
        Json doc = OkDocument("profile show");
        doc.Set("family", ProfileFamilyName(p.family));
        doc.Set("model", p.model);
        doc.Set("version", p.toolVersion);
        Json settings = Json::Object();
        for (const auto& [setting, value] : p.values)
            settings.Set(ProfileSettingKey(p.family, setting),
                         ProfileValueText(p.family, setting, value));
        doc.Set("settings", std::move(settings));
        PrintJson(doc);
        return;
    }
    PrintLine(Format(L("%s printer %s (written by version %s)", "%s打印机 %s（由版本 %s 写入）"),
                     p.family == ProfileFamily::Receipt ? L("Receipt", "票据") : L("Label", "标签"),
                     p.model.c_str(), p.toolVersion.c_str()));
    for (const auto& [setting, value] : p.values)
        PrintLine("  " + Column(ProfileSettingKey(p.family, setting), 22) + " " +
                  ProfileValueText(p.family, setting, value));
}

void Diff(Context& c, const ParsedArgs& a) {
    const SettingsProfile p = LoadProfileFile(a.positional[0]);
    ProfileTarget target{c.settings, {}};
    target.copy.printerModel = TargetModel(c, p);
    CPrinterPort port;
    const ProfileReadResult r =
        ReadPrinterProfile(port, target, p.family, CLI_VERSION, StopToken());
    RequireOutcome(c, r.exchange, port, ExchangeOutcome::Reply);
    const auto differences = DiffProfiles(p, r.profile);
    if (c.json) {
        Json doc = OkDocument("profile diff");
        doc.Set("equal", differences.empty());
        doc.Set("differences", DifferencesJson(p, differences));
        PrintJson(doc);
    } else if (differences.empty()) {
        PrintLine(
            L("The printer's settings are those of the profile.", "打印机的设置与配置文件相同。"));
    } else {
        PrintLine(Column(L("setting", "设置"), 22) + " " + Column(L("profile", "配置文件"), 16) +
                  " " + L("printer", "打印机"));
        PrintDifferences(p, differences, "");
    }
    if (!differences.empty())
        ExitWith(EXIT_OTHER);
}

// --- Targets -----------------------------------------------------------------

struct TargetRun {
    std::string targetText;
    ProfileTarget target;
    bool network = false;
    bool resolved = true;
    std::string message; // why it was not reached
    ProfileApplyResult result;
};

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> out;
    std::string item;
    for (const char ch : text + ",") {
        if (ch == ',' || ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') {
            if (!item.empty())
                out.push_back(item);
            item.clear();
        } else {
            item += ch;
        }
    }
    return out;
}

std::vector<std::string> TargetSpecs(const ParsedArgs& a) {
    std::vector<std::string> targetTexts;
    if (a.Has(kTargets.name))
        targetTexts = SplitList(a.Get(kTargets.name));
    for (size_t i = 1; i < a.positional.size(); ++i)
        for (const std::string& s : SplitList(a.positional[i]))
            targetTexts.push_back(s);
    if (a.Has(kTargetsFrom.name)) {
        const std::string path = a.Get(kTargetsFrom.name);
        std::ifstream in(path);
        if (!in)
            ThrowInput(Format(L("Cannot read '%s'", "无法读取 '%s'"), path.c_str()));
        for (std::string line; std::getline(in, line);) {
            if (const auto hash = line.find('#'); hash != std::string::npos)
                line.erase(hash);
            for (const std::string& s : SplitList(line))
                targetTexts.push_back(s);
        }
    }
    return targetTexts;
}

// Checks the form of a target; a MAC is looked up later, by a search.
TargetRun ParseTarget(const Context& c, const std::string& targetText, const std::string& model) {
    TargetRun t{targetText, {c.settings, {}}, false, true, {}, {}};
    t.target.copy.printerModel = model;
    PortSettings& s = t.target.copy;
    if (targetText == "usb") {
        s.portType = PORT_USB;
    } else if (StartsWith(targetText, "com:") && targetText.size() > 4) {
        s.portType = PORT_COM;
        s.comPortName = targetText.substr(4);
    } else if (StartsWith(targetText, "lan:")) {
        const Ipv4Endpoint e =
            CheckEndpoint(targetText.substr(4), static_cast<uint16_t>(s.listenPort), "--targets");
        s.portType = PORT_LAN;
        t.target.address = FormatEndpoint(e);
        t.network = true;
    } else if (StartsWith(targetText, "mac:") && targetText.size() > 4) {
        s.portType = PORT_LAN;
        t.network = true;
        t.resolved = false;
    } else {
        ThrowUsage(Format(L("bad target '%s' (lan:IP[:PORT], usb, com:NAME or mac:MAC)",
                            "目标 '%s' 无效（lan:IP[:端口]、usb、com:名称 或 mac:MAC）"),
                          targetText.c_str()));
    }
    return t;
}

std::string LanAddress(const std::string& ip, int32_t port) {
    return ip + ":" + std::to_string(static_cast<uint16_t>(port));
}

// mac: targets: one search, every MAC looked up in its rows.
void ResolveMacs(const ParsedArgs& a, std::vector<TargetRun>& runs) {
    if (std::none_of(runs.begin(), runs.end(), [](const TargetRun& t) { return !t.resolved; }))
        return;
    NetCfgState state;
    if (state.Open(LabelAddresses(a)) != 0) {
        const std::string message = state.OpenErrorMessage(MessageLanguage());
        for (TargetRun& t : runs)
            if (!t.resolved)
                t.message = message;
        return;
    }
    const NetCfgSearchResult found = RunNetCfgSearch(state, PrinterCodePage(), StopToken());
    state.Close();
    for (TargetRun& t : runs) {
        if (t.resolved)
            continue;
        const std::string mac = t.targetText.substr(4);
        for (const NetCfgRow& row : found.rows)
            if (strcasecmp(row.mac.c_str(), mac.c_str()) == 0 && !row.ip.empty()) {
                t.target.address = LanAddress(row.ip, t.target.copy.listenPort);
                t.resolved = true;
            }
        if (!t.resolved)
            t.message = Format(L("No printer with the MAC address %s answered the search.",
                                 "没有 MAC 地址为 %s 的打印机应答搜索。"),
                               mac.c_str());
    }
}

bool ModelMatches(const std::string& name, const std::string& model) {
    return name.find(model) != std::string::npos;
}

// --discover: every printer of the family that answers a search.
void Discover(const Context& c, const ParsedArgs& a, const SettingsProfile& p,
              const std::string& model, std::vector<TargetRun>& runs) {
    const bool filter = c.global.model.has_value();
    auto add = [&](const std::string& name, const std::string& ip) {
        if (ip.empty() || (filter && !ModelMatches(name, model)))
            return;
        TargetRun t = ParseTarget(c, "lan:" + LanAddress(ip, c.settings.listenPort), model);
        runs.push_back(std::move(t));
    };
    if (p.family == ProfileFamily::Receipt) {
        HtNetClient client(HtAddresses(a));
        for (const HtRow& row : RunHtSearch(client, PrinterCodePage(), StopToken()).rows)
            add(row.name, row.ip);
        return;
    }
    NetCfgState state;
    if (state.Open(LabelAddresses(a)) != 0)
        ThrowOther(state.OpenErrorMessage(MessageLanguage()));
    const NetCfgSearchResult found = RunNetCfgSearch(state, PrinterCodePage(), StopToken());
    state.Close();
    for (const NetCfgRow& row : found.rows)
        add(row.name, row.ip);
}

// The failure message of an exchange, as the single-printer commands give it.
std::string FailureMessage(const TargetRun& t) {
    const ExchangeResult& f = t.result.failure;
    try {
        switch (f.outcome) {
        case ExchangeOutcome::OpenFailed:
        case ExchangeOutcome::WriteFailed:
        case ExchangeOutcome::ReadFailed:
            ThrowPort(f.portError, t.target.copy.portType, f.sysErrno);
        case ExchangeOutcome::TimedOut:
            return TimeoutMessage();
        default:
            return L("Interrupted.", "已中断。");
        }
    } catch (const Failure& failure) {
        return failure.portCode ? Format("%s (%d)", failure.message.c_str(), failure.portCode)
                                : failure.message;
    }
}

void RunAll(const SettingsProfile& p, bool dryRun, int parallel, std::vector<TargetRun>& runs) {
    std::vector<ProfileTarget> targets;
    std::vector<TargetRun*> reached;
    for (TargetRun& t : runs)
        if (t.resolved) {
            targets.push_back(t.target);
            reached.push_back(&t);
        }
    ApplyOptions options;
    options.dryRun = dryRun;
    options.toolVersion = CLI_VERSION;
    std::vector<ProfileApplyResult> results =
        ApplyProfileToTargets(targets, p, options, parallel, StopToken());
    for (size_t i = 0; i < reached.size(); ++i) {
        TargetRun& t = *reached[i];
        t.result = std::move(results[i]);
        if (t.result.outcome == ApplyOutcome::Unreachable ||
            t.result.outcome == ApplyOutcome::Stopped)
            t.message = FailureMessage(t);
    }
}

const char* OutcomeKey(const TargetRun& t) {
    if (!t.resolved)
        return "unreachable";
    switch (t.result.outcome) {
    case ApplyOutcome::Equal:
        return "equal";
    case ApplyOutcome::Verified:
        return "verified";
    case ApplyOutcome::NotVerified:
        return "not-verified";
    case ApplyOutcome::WouldSend:
        return "would-send";
    case ApplyOutcome::Stopped:
        return "interrupted";
    case ApplyOutcome::Unreachable:
        break;
    }
    return "unreachable";
}

bool Succeeded(const TargetRun& t) {
    const std::string key = OutcomeKey(t);
    return key == "equal" || key == "verified" || key == "would-send";
}

std::string OutcomeText(const TargetRun& t) {
    const std::string key = OutcomeKey(t);
    const auto count = static_cast<unsigned long>(t.result.differences.size());
    if (key == "equal")
        return L("equal to the profile, nothing sent", "与配置文件相同，未发送");
    if (key == "verified")
        return Format(L("applied and verified (%lu settings)", "已应用并验证（%lu 项设置）"),
                      count);
    if (key == "not-verified")
        return L("applied but not verified; these did not take:",
                 "已应用但未通过验证；以下设置未生效：");
    if (key == "would-send")
        return Format(L("would send %lu settings:", "将发送 %lu 项设置："), count);
    if (key == "interrupted")
        return L("interrupted", "已中断");
    return L("unreachable: ", "无法连接：") + t.message;
}

Json TargetJson(const SettingsProfile& p, const TargetRun& t) {
    Json j = Json::Object();
    j.Set("target", t.targetText);
    if (!t.target.address.empty())
        j.Set("address", t.target.address);
    j.Set("outcome", OutcomeKey(t));
    j.Set("ok", Succeeded(t));
    if (!t.message.empty())
        j.Set("message", t.message);
    if (t.resolved && (t.result.outcome != ApplyOutcome::Unreachable &&
                       t.result.outcome != ApplyOutcome::Stopped)) {
        j.Set("differences", DifferencesJson(p, t.result.differences));
        if (!t.result.request.empty())
            j.Set("request", HexText(t.result.request));
        if (t.result.outcome == ApplyOutcome::NotVerified)
            j.Set("notTaken", DifferencesJson(p, t.result.notTaken));
    }
    return j;
}

void PrintTarget(const SettingsProfile& p, const TargetRun& t) {
    PrintLine(t.targetText + ": " + OutcomeText(t));
    const std::string key = OutcomeKey(t);
    if (key == "would-send") {
        PrintDifferences(p, t.result.differences, "  ");
        PrintLine("  " + std::string(L("request: ", "请求：")) + HexText(t.result.request));
    } else if (key == "not-verified") {
        PrintDifferences(p, t.result.notTaken, "  ");
    }
}

int ParallelCount(const ParsedArgs& a) {
    if (!a.Has(kParallel.name))
        return 1;
    const std::string text = a.Get(kParallel.name);
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || n < 1 || n > MAX_PARALLEL)
        ThrowUsage(Format(L("--parallel takes a number from 1 to %d, not '%s'",
                            "--parallel 取 1 到 %d 之间的数，而不是 '%s'"),
                          MAX_PARALLEL, text.c_str()));
    return static_cast<int>(n);
}

void Apply(Context& c, const ParsedArgs& a) {
    const SettingsProfile p = LoadProfileFile(a.positional[0]);
    const std::string model = TargetModel(c, p);
    const bool dryRun = a.Has(kDryRun.name);
    const int parallel = ParallelCount(a);
    const std::vector<std::string> targetTexts = TargetSpecs(a);
    const bool many = !targetTexts.empty() || a.Has(kDiscover.name) || a.Has(kTargetsFrom.name) ||
                      a.Has(kTargets.name);
    std::vector<TargetRun> runs;
    for (const std::string& targetText : targetTexts)
        runs.push_back(ParseTarget(c, targetText, model));
    if (a.Has(kDiscover.name))
        Discover(c, a, p, model, runs);
    if (!many) {
        // The run's own connection, as every other command uses it.
        TargetRun t{L("this printer", "当前打印机"), {c.settings, {}}, false, true, {}, {}};
        t.target.copy.printerModel = model;
        runs.push_back(std::move(t));
    }
    if (runs.empty())
        ThrowOther(L("No printer to apply the profile to.", "没有可应用配置文件的打印机。"));
    ResolveMacs(a, runs);
    RunAll(p, dryRun, parallel, runs);
    if (StopRequested())
        ThrowOther(L("Interrupted.", "已中断。"));

    const bool allOk =
        std::all_of(runs.begin(), runs.end(), [](const TargetRun& t) { return Succeeded(t); });
    if (!many && OutcomeKey(runs[0]) == std::string("unreachable")) {
        CPrinterPort port;
        RequireOutcome(c, runs[0].result.failure, port, ExchangeOutcome::Reply);
    }
    if (c.json) {
        Json doc = OkDocument("profile apply");
        doc.Set("ok", allOk);
        doc.Set("dryRun", dryRun);
        Json list = Json::Array();
        for (const TargetRun& t : runs)
            list.Push(TargetJson(p, t));
        doc.Set("targets", std::move(list));
        PrintJson(doc);
    } else {
        for (const TargetRun& t : runs)
            PrintTarget(p, t);
    }
    if (!allOk)
        ExitWith(EXIT_OTHER);
}

std::string ProfileDetails() {
    return L("A profile file has a header line, then one 'name = value' line per setting\n"
             "(the names and values of 'label set --help' and 'receipt set --help');\n"
             "'#' starts a comment. Example:\n"
             "  printune-profile family=label; model=KP-520; version=1.124.0\n"
             "  print-speed = 4\n"
             "  home-offset = 1.5   # mm\n",
             "配置文件第一行为文件头，之后每行一项 '名称 = 值'\n"
             "（名称和值同 'label set --help' 与 'receipt set --help'）；'#' 开始注释。例如：\n"
             "  printune-profile family=label; model=KP-520; version=1.124.0\n"
             "  print-speed = 4\n"
             "  home-offset = 1.5   # mm\n");
}

std::string ApplyDetails() {
    return ProfileDetails() +
           L("Exit code 0 when every printer ended equal, verified (or, with --dry-run,\n"
             "was read); 1 otherwise, with each printer's outcome in the report.\n",
             "所有打印机均相同、已验证（或在 --dry-run 下已读取）时退出码为 0；\n"
             "否则为 1，报告中列出每台打印机的结果。\n");
}

} // namespace

void AddProfileCommands(std::vector<Command>& list) {
    list.push_back({"profile show",
                    "FILE",
                    "check a profile file and show its settings",
                    "检查配置文件并显示其中的设置",
                    {},
                    1,
                    1,
                    Show,
                    ProfileDetails});
    list.push_back({"profile diff",
                    "FILE",
                    "compare the printer's settings with a profile (exit 1 when they differ)",
                    "比较打印机设置与配置文件（不同时退出码为 1）",
                    {},
                    1,
                    1,
                    Diff,
                    ProfileDetails});
    std::vector<OptionSpec> applyOptions = {kDryRun, kTargets, kTargetsFrom, kDiscover, kParallel};
    for (const OptionSpec& o : NetworkAddressOptions())
        applyOptions.push_back(o);
    list.push_back({"profile apply", "FILE [TARGET...]",
                    "send the settings that differ from a profile, then read back and check",
                    "发送与配置文件不同的设置，然后读回检查", applyOptions, 1, MANY, Apply,
                    ApplyDetails});
}

} // namespace printune::cli
