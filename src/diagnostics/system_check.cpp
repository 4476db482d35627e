#include "diagnostics/system_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/language.h"
#include "port/device_names.h"

namespace printune {

namespace {

struct Text {
    const char* en;
    const char* zh;
};

std::string Pick(const Text& t, int languageId) {
    return languageId == LANG_CHINESE ? t.zh : t.en;
}

// Replaces each "%s" in turn.
std::string Fill(std::string text, std::initializer_list<std::string> values) {
    size_t at = 0;
    for (const std::string& v : values) {
        at = text.find("%s", at);
        if (at == std::string::npos)
            break;
        text.replace(at, 2, v);
        at += v.size();
    }
    return text;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::string ReadWord(const std::string& path) {
    std::ifstream in(path);
    std::string word;
    in >> word;
    return word;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Basename(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> List(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string LinkName(const std::string& path) {
    char target[4096];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return {};
    target[n] = '\0';
    return Basename(target);
}

std::string GroupName(gid_t gid) {
    struct group gr {
    }, *found = nullptr;
    char buffer[8192];
    if (getgrgid_r(gid, &gr, buffer, sizeof buffer, &found) == 0 && found)
        return found->gr_name;
    return std::to_string(gid);
}

// Whether the user belongs to the group in the group database although
// the running session does not have it yet (added, not logged in again).
bool GroupPendingLogin(const CheckIdentity& who, const std::string& group) {
    if (who.userName.empty())
        return false;
    struct group gr {
    }, *found = nullptr;
    char buffer[8192];
    if (getgrnam_r(group.c_str(), &gr, buffer, sizeof buffer, &found) != 0 || !found)
        return false;
    for (char** m = found->gr_mem; *m; ++m)
        if (who.userName == *m)
            return std::find(who.groups.begin(), who.groups.end(), found->gr_gid) ==
                       who.groups.end() &&
                   who.gid != found->gr_gid;
    return false;
}

NodeAccess CheckNode(const std::string& node, const CheckIdentity& who) {
    NodeAccess access;
    access.node = node;
    struct stat st {};
    access.exists = stat(node.c_str(), &st) == 0;
    if (!access.exists)
        return access;
    access.group = GroupName(st.st_gid);
    access.canOpen = MayReadWrite(node, who);
    access.heldBy = NodeHolders(node);
    return access;
}

std::string UserOrVariable(const CheckIdentity& who) {
    return who.userName.empty() ? std::string("$USER") : who.userName;
}

// A path as one word for a shell, quoted only when it needs to be.
std::string ShellWord(const std::string& text) {
    if (!text.empty() &&
        text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                               "0123456789_./-+:") == std::string::npos)
        return text;
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string HoldersText(const std::vector<Holder>& holders) {
    std::string text;
    for (const Holder& h : holders)
        text += (text.empty() ? "" : ", ") + h.program + " (" + std::to_string(h.pid) + ")";
    return text;
}

// The problems of one node a port or a printer opens.
void NodeFindings(const std::string& area, const std::string& subject, const NodeAccess& access,
                  const CheckIdentity& who, int lang, std::vector<CheckFinding>& out) {
    if (!access.canOpen) {
        CheckFinding f{Severity::Problem, area, subject, {}, {}};
        if (GroupPendingLogin(who, access.group)) {
            f.message =
                Fill(Pick({"%s: you were added to the group %s, but this session "
                           "started before; log out and in again.",
                           "%s：已把您加入 %s 组，但当前会话在此之前开始；请注销后重新登录。"},
                          lang),
                     {access.node, access.group});
        } else {
            f.message = Fill(Pick({"%s: no permission to open it (group %s).",
                                   "%s：没有打开它的权限（%s 组）。"},
                                  lang),
                             {access.node, access.group});
            f.command = "sudo usermod -aG " + access.group + " " + UserOrVariable(who) +
                        Pick({"   # then log in again", "   # 然后重新登录"}, lang);
        }
        out.push_back(f);
    }
    if (!access.heldBy.empty()) {
        CheckFinding f{Severity::Problem, area, subject, {}, {}};
        f.message = Fill(Pick({"%s: in use by %s; Printune cannot open it meanwhile.",
                               "%s：正被 %s 使用；期间 Printune 无法打开它。"},
                              lang),
                         {access.node, HoldersText(access.heldBy)});
        f.command = "kill " + std::to_string(access.heldBy.front().pid);
        if (access.heldBy.front().program == "cupsd")
            f.command = "sudo systemctl stop cups";
        out.push_back(f);
    }
    if (access.canOpen && access.heldBy.empty())
        out.push_back({Severity::Ok,
                       area,
                       subject,
                       Fill(Pick({"%s: can be opened.", "%s：可以打开。"}, lang), {access.node}),
                       {}});
}

// Every USB device of the two vendors with a printer-class interface, from
// the bus (also those usblp does not drive) and from the usbmisc class
// (what usblp drives; the simulator's tree has only this).
void FindUsbPrinters(const SystemCheckRoots& roots, const CheckIdentity& who,
                     std::vector<UsbPrinterFinding>& out) {
    std::vector<std::string> seen;
    auto add = [&](const std::string& deviceDir, const std::string& iface) {
        const std::string ifaceDir = deviceDir + "/" + iface;
        char resolved[4096];
        const std::string key =
            realpath(ifaceDir.c_str(), resolved) ? std::string(resolved) : ifaceDir;
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            return;
        const std::string vid = Upper(ReadWord(deviceDir + "/idVendor"));
        if (vid != "7A3E" && vid != "6B2D")
            return;
        if (ReadWord(ifaceDir + "/bInterfaceClass") != "07")
            return;
        seen.push_back(key);
        UsbPrinterFinding p;
        p.vid = vid;
        p.pid = Upper(ReadWord(deviceDir + "/idProduct"));
        p.family = UsbFamily(p.vid, p.pid, &p.models);
        p.interfaceName = iface;
        std::string lp;
        for (const std::string& name : List(ifaceDir + "/usbmisc"))
            if (name.rfind("lp", 0) == 0)
                lp = name;
        p.usblpBound = !lp.empty() || LinkName(ifaceDir + "/driver") == "usblp";
        if (!lp.empty())
            p.access = CheckNode(roots.dev + "/usb/" + lp, who);
        out.push_back(p);
    };
    const std::string bus = roots.sysfs + "/bus/usb/devices";
    for (const std::string& dev : List(bus)) {
        if (dev.find(':') != std::string::npos)
            continue;
        for (const std::string& iface : List(bus + "/" + dev))
            if (iface.rfind(dev + ":", 0) == 0)
                add(bus + "/" + dev, iface);
    }
    const std::string usbmisc = roots.sysfs + "/class/usbmisc";
    for (const std::string& lp : List(usbmisc)) {
        char resolved[4096];
        if (!realpath((usbmisc + "/" + lp + "/device").c_str(), resolved))
            continue;
        const std::string ifaceDir = resolved;
        const size_t slash = ifaceDir.find_last_of('/');
        add(ifaceDir.substr(0, slash), ifaceDir.substr(slash + 1));
    }
}

bool IsRealUart(const SystemCheckRoots& roots, const std::string& name) {
    const std::string type = ReadWord(roots.sysfs + "/class/tty/" + name + "/type");
    return !type.empty() && type != "0";
}

void FindPorts(const SystemCheckRoots& roots, const CheckIdentity& who,
               std::vector<PortFinding>& out) {
    std::vector<std::string> nodes;
    auto add = [&](const std::string& name, const std::string& node, bool parallel) {
        char resolved[4096];
        const std::string key = realpath(node.c_str(), resolved) ? std::string(resolved) : node;
        if (std::find(nodes.begin(), nodes.end(), key) != nodes.end())
            return;
        nodes.push_back(key);
        out.push_back({name, parallel, CheckNode(node, who)});
    };
    if (!roots.deviceDir.empty())
        for (const std::string& name : List(roots.deviceDir))
            if (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0)
                add(name, roots.deviceDir + "/" + name, name.rfind("LPT", 0) == 0);
    for (const std::string& name : List(roots.dev)) {
        const bool usbSerial = name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
        const bool uart = name.rfind("ttyS", 0) == 0 && IsRealUart(roots, name);
        const bool parallel =
            name.size() > 2 && name.rfind("lp", 0) == 0 &&
            std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (usbSerial || uart || parallel)
            add(name, roots.dev + "/" + name, parallel);
    }
}

void UsbFindings(const SystemReport& report, const SystemCheckRoots& roots,
                 const CheckIdentity& who, int lang, std::vector<CheckFinding>& out) {
    for (const UsbPrinterFinding& p : report.usb) {
        const std::string subject = p.vid + ":" + p.pid;
        if (!p.usblpBound) {
            if (!report.usblpLoaded)
                out.push_back({Severity::Problem, "usb", subject,
                               Fill(Pick({"%s: the usblp driver is not loaded, so the printer "
                                          "has no device node.",
                                          "%s：没有加载 usblp 驱动，打印机没有设备节点。"},
                                         lang),
                                    {subject}),
                               "sudo modprobe usblp"});
            else
                out.push_back(
                    {Severity::Problem, "usb", subject,
                     Fill(Pick({"%s: another program (ipp-usb, a CUPS or libusb driver) took "
                                "the printer from the usblp driver.",
                                "%s：其他程序（ipp-usb、CUPS 或 libusb 驱动）从 usblp "
                                "驱动接管了打印机。"},
                               lang),
                          {subject}),
                     "echo -n " + p.interfaceName + " | sudo tee /sys/bus/usb/drivers/usblp/bind"});
            continue;
        }
        NodeFindings("usb", subject, p.access, who, lang, out);
        if (!p.access.canOpen && !report.udevRules.empty())
            out.back().command += Pick(
                {"   # or unplug and plug in the printer again", "   # 或重新插拔打印机"}, lang);
    }
    (void)roots;
}

void UdevFindings(const SystemReport& report, const SystemCheckRoots& roots, int lang,
                  std::vector<CheckFinding>& out) {
    if (!report.udevRules.empty()) {
        out.push_back({Severity::Ok,
                       "udev",
                       UDEV_RULES_NAME,
                       Fill(Pick({"udev rules installed: %s", "已安装 udev 规则：%s"}, lang),
                            {report.udevRules}),
                       {}});
        return;
    }
    out.push_back({report.usb.empty() ? Severity::Note : Severity::Problem, "udev", UDEV_RULES_NAME,
                   Pick({"The udev rules that let you use Vortan USB printers without sudo are "
                         "not installed.",
                         "未安装让您无需 sudo 即可使用 Vortan USB 打印机的 udev 规则。"},
                        lang),
                   "sudo install -m 644 " + ShellWord(roots.rulesSource) +
                       " /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm "
                       "trigger --subsystem-match=usbmisc"});
}

void FirewallFindings(const SystemCheckRoots& roots, int lang, std::vector<CheckFinding>& out) {
    if (!roots.firewallKnown) {
        out.push_back({Severity::Note, "firewall", "nft",
                       Pick({"The firewall was not checked: that needs root.",
                             "未检查防火墙：这需要 root 权限。"},
                            lang),
                       "sudo printune-cli doctor"});
        return;
    }
    const std::vector<int> dropped = DroppedDiscoveryPorts(roots.firewallRules);
    if (dropped.empty()) {
        out.push_back({Severity::Ok,
                       "firewall",
                       "nft",
                       Pick({"The firewall lets the network search replies in.",
                             "防火墙允许网络搜索的回复进入。"},
                            lang),
                       {}});
        return;
    }
    for (int port : dropped) {
        const bool ht = port == 1901;
        out.push_back(
            {Severity::Problem, "firewall", "udp/" + std::to_string(port),
             Pick(ht ? Text{"The firewall drops the HT-740 network search replies (UDP from "
                            "port 1901).",
                            "防火墙丢弃 HT-740 网络搜索的回复（来自 UDP 1901 端口）。"}
                     : Text{"The firewall drops the label printers' network search replies "
                            "(UDP port 22094).",
                            "防火墙丢弃标签打印机网络搜索的回复（UDP 22094 端口）。"},
                  lang),
             std::string("sudo nft insert rule inet filter input udp ") +
                 (ht ? "sport 1901" : "dport 22094") + " accept"});
    }
}

void SettingsFindings(const SystemCheckRoots& roots, const CheckIdentity& who, int lang,
                      std::vector<CheckFinding>& out) {
    const std::string& path = roots.settingsFile;
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char cwd[4096];
    const std::string where = dir == "." && getcwd(cwd, sizeof cwd) ? std::string(cwd) : dir;
    const bool dirWritable = MayAccess(dir, who, 3);
    const std::string fix = "mkdir -p ~/.local/share/printune && cd ~/.local/share/printune";
    if (!Exists(path)) {
        if (dirWritable)
            out.push_back({Severity::Note,
                           "settings",
                           path,
                           Fill(Pick({"%s does not exist yet; Printune creates it in %s.",
                                      "%s 还不存在；Printune 会在 %s 中创建它。"},
                                     lang),
                                {path, where}),
                           {}});
        else
            out.push_back({Severity::Problem, "settings", path,
                           Fill(Pick({"The folder %s cannot be written: Printune cannot keep "
                                      "its settings here.",
                                      "无法写入文件夹 %s：Printune 无法在此保存设置。"},
                                     lang),
                                {where}),
                           fix});
        return;
    }
    if (!MayAccess(path, who, 4)) {
        out.push_back({Severity::Problem, "settings", path,
                       Fill(Pick({"%s cannot be read.", "无法读取 %s。"}, lang), {path}),
                       "sudo chown " + UserOrVariable(who) + " " + ShellWord(path)});
        return;
    }
    if (!MayAccess(path, who, 2) || !dirWritable) {
        out.push_back(
            {Severity::Problem, "settings", path,
             Fill(Pick({"%s can be read but not replaced: changes are not saved.",
                        "%s 可以读取但不能替换：更改不会被保存。"},
                       lang),
                  {path}),
             "sudo chown " + UserOrVariable(who) + " " + ShellWord(path) + " " + ShellWord(dir)});
        return;
    }
    out.push_back({Severity::Ok,
                   "settings",
                   path,
                   Fill(Pick({"%s can be read and saved.", "%s 可以读取和保存。"}, lang), {path}),
                   {}});
}

} // namespace

int SystemReport::Problems() const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const auto& f) {
        return f.severity == Severity::Problem;
    }));
}

std::string UsbFamily(const std::string& vid, const std::string& pid, std::string* models) {
    struct Row {
        const char *vid, *pid, *family, *models;
    };
    static const Row kRows[] = {
        {"7A3E", "5C19", "label", "KP-520, KP-740, KP-500"},
        {"7A3E", "3D71", "receipt", "HT-740"},
        {"7A3E", "3D72", "receipt", "HT-750"},
        {"6B2D", "4E08", "loader", "KP-520, KP-740, KP-500"},
    };
    for (const Row& r : kRows)
        if (Upper(vid) == r.vid && Upper(pid) == r.pid) {
            if (models)
                *models = r.models;
            return r.family;
        }
    if (models)
        models->clear();
    return "unknown";
}

std::vector<int> DroppedDiscoveryPorts(const std::string& ruleset) {
    bool dropPolicy = false, accepts22094 = false, accepts1901 = false, acceptsUdp = false;
    size_t start = 0;
    while (start < ruleset.size()) {
        size_t end = ruleset.find('\n', start);
        if (end == std::string::npos)
            end = ruleset.size();
        const std::string line = ruleset.substr(start, end - start);
        start = end + 1;
        auto has = [&](const char* word) { return line.find(word) != std::string::npos; };
        if (has("hook input") && has("policy drop"))
            dropPolicy = true;
        if (!has("accept"))
            continue;
        if (has("dport") && has("22094"))
            accepts22094 = true;
        if (has("sport") && has("1901"))
            accepts1901 = true;
        if ((has("l4proto udp") || has("protocol udp")) && !has("dport") && !has("sport") &&
            !has("saddr") && !has("iif"))
            acceptsUdp = true;
    }
    std::vector<int> dropped;
    if (!dropPolicy || acceptsUdp)
        return dropped;
    if (!accepts22094)
        dropped.push_back(22094);
    if (!accepts1901)
        dropped.push_back(1901);
    return dropped;
}

SystemCheckRoots DefaultRoots() {
    SystemCheckRoots roots;
    roots.sysfs = SysfsRoot();
    roots.dev = DevRoot();
    if (const char* dir = std::getenv("PRINTUNE_DEVICE_DIR"))
        roots.deviceDir = dir;
    roots.udevRuleDirs = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d",
                          "/lib/udev/rules.d"};
    // The copy installed with the program, else the one in the source tree.
    roots.rulesSource =
        Exists(PRINTUNE_RULES_INSTALLED) ? PRINTUNE_RULES_INSTALLED : PRINTUNE_RULES_SOURCE;
    if (geteuid() == 0) {
        for (const char* nft : {"/usr/sbin/nft", "/sbin/nft"}) {
            if (access(nft, X_OK) != 0)
                continue;
            const std::string command = std::string(nft) + " list ruleset 2>/dev/null";
            if (FILE* pipe = popen(command.c_str(), "r")) {
                char buffer[4096];
                size_t n;
                while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
                    roots.firewallRules.append(buffer, n);
                roots.firewallKnown = pclose(pipe) == 0;
            }
            break;
        }
        // Without nft there is no nftables firewall to drop anything.
        if (!roots.firewallKnown && access("/usr/sbin/nft", X_OK) != 0 &&
            access("/sbin/nft", X_OK) != 0)
            roots.firewallKnown = true;
    }
    return roots;
}

SystemReport RunSystemCheck(const SystemCheckRoots& roots, const CheckIdentity& who,
                            int languageId) {
    SystemReport report;
    report.usblpLoaded = Exists(roots.sysfs + "/module/usblp");
    FindUsbPrinters(roots, who, report.usb);
    if (!report.usb.empty() && std::any_of(report.usb.begin(), report.usb.end(),
                                           [](const auto& p) { return p.usblpBound; }))
        report.usblpLoaded = true;
    FindPorts(roots, who, report.ports);
    for (const std::string& dir : roots.udevRuleDirs)
        if (Exists(dir + "/" + UDEV_RULES_NAME)) {
            report.udevRules = dir + "/" + UDEV_RULES_NAME;
            break;
        }

    std::vector<CheckFinding>& out = report.findings;
    if (report.usb.empty())
        out.push_back({Severity::Note,
                       "usb",
                       "",
                       Pick({"No Vortan USB printer is attached.", "没有连接 Vortan USB 打印机。"},
                            languageId),
                       {}});
    UsbFindings(report, roots, who, languageId, out);
    for (const PortFinding& port : report.ports)
        NodeFindings(port.parallel ? "parallel" : "serial", port.name, port.access, who, languageId,
                     out);
    UdevFindings(report, roots, languageId, out);
    FirewallFindings(roots, languageId, out);
    SettingsFindings(roots, who, languageId, out);
    return report;
}

} // namespace printune
