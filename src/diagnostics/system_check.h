#pragma once
// The system check behind `printune-cli doctor` and the About box: what on
// this machine stands between the user and a printer (USB printers and their
// driver, serial and parallel ports, the udev rules, a firewall that drops
// the discovery replies, the settings file), each problem with the command
// that mends it. Nothing is opened for writing.
#include <string>
#include <sys/types.h>
#include <vector>

namespace printune {

// Whose access is checked. The real process by default; tests name another.
struct CheckIdentity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups; // supplementary groups of the session
    std::string userName;
};
CheckIdentity CurrentIdentity();

struct SystemCheckRoots {
    std::string sysfs = "/sys";
    std::string dev = "/dev";
    std::string deviceDir;                 // COMn / LPTn links, may be empty
    std::vector<std::string> udevRuleDirs; // searched for the rules file
    std::string settingsFile = "printune.ini";
    std::string rulesSource;   // the rules file to install
    std::string firewallRules; // `nft list ruleset` text; empty: not known
    bool firewallKnown = false;
};
// The roots of this machine ($PRINTUNE_SYSFS_ROOT, $PRINTUNE_DEV_ROOT,
// $PRINTUNE_DEVICE_DIR apply), with the firewall read when that is allowed.
SystemCheckRoots DefaultRoots();

inline constexpr const char* UDEV_RULES_NAME = "70-printune.rules";

struct Holder {
    int pid = 0;
    std::string program;
};

struct NodeAccess {
    std::string node;
    bool exists = false;
    bool canOpen = false;
    std::string group; // group owning the node
    std::vector<Holder> heldBy;
};

struct UsbPrinterFinding {
    std::string vid, pid;      // upper-case hex
    std::string family;        // "label", "receipt", "loader", "unknown"
    std::string models;        // "KP-520, KP-740, KP-500", "HT-740" ...
    std::string interfaceName; // sysfs interface, e.g. "1-2:1.0"
    bool usblpBound = false;
    NodeAccess access; // empty node when usblp is not bound
};

struct PortFinding {
    std::string name; // "COM1", "ttyUSB0", "LPT1", "lp0"
    bool parallel = false;
    NodeAccess access;
};

enum class Severity { Ok, Note, Problem };

// One line of the report: what is wrong (or right) and what mends it.
struct CheckFinding {
    Severity severity = Severity::Ok;
    std::string area; // "usb", "serial", "parallel", "udev", "firewall", "settings"
    std::string subject;
    std::string message; // in the report's language
    std::string command; // the exact command that mends it; may be empty
};

struct SystemReport {
    std::vector<UsbPrinterFinding> usb;
    bool usblpLoaded = false;
    std::vector<PortFinding> ports;
    std::string udevRules; // path of the installed rules; empty when missing
    std::vector<CheckFinding> findings;
    int Problems() const;
};

SystemReport RunSystemCheck(const SystemCheckRoots& roots, const CheckIdentity& who,
                            int languageId);

// The report as text lines for a terminal or the About box.
std::string SystemReportText(const SystemReport& report, int languageId);

// Which model family a vendor and product ID belong to ("label",
// "receipt", "loader" or "unknown"), with the model names.
std::string UsbFamily(const std::string& vid, const std::string& pid, std::string* models);

// Whether `nft list ruleset` output drops the discovery replies: an input
// hook with policy drop and no rule accepting UDP 22094 (and source port
// 1901 for the HT-740 replies). Returns what is dropped, empty when nothing.
std::vector<int> DroppedDiscoveryPorts(const std::string& nftRuleset);

// Whether the identity may read and write the file at path (mode bits and
// POSIX ACLs; root may always).
bool MayReadWrite(const std::string& path, const CheckIdentity& who);
// The same for any of the bits 4 (read), 2 (write), 1 (execute or search).
bool MayAccess(const std::string& path, const CheckIdentity& who, unsigned want);

// Processes other than this one that hold the node open.
std::vector<Holder> NodeHolders(const std::string& node);

} // namespace printune
