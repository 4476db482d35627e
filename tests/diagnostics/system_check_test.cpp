// The system check behind `printune-cli doctor` and the About box, against
// a fake sysfs and /dev tree and a user that is not root.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "base/language.h"
#include "diagnostics/system_check.h"
#include "support/fake_sysfs.h"

using namespace printune;
using printune_test::FakeSystem;

namespace {

constexpr uid_t USER_ID = 4711;

CheckIdentity User(std::vector<gid_t> groups = {}) {
    CheckIdentity who;
    who.uid = USER_ID;
    who.gid = USER_ID;
    who.groups = std::move(groups);
    who.userName = "printune-test-user";
    return who;
}

SystemCheckRoots Roots(const FakeSystem& fake) {
    SystemCheckRoots roots;
    roots.sysfs = fake.Sys();
    roots.dev = fake.Dev();
    roots.deviceDir = fake.Root() + "/devices";
    roots.udevRuleDirs = {fake.Root() + "/udev"};
    roots.settingsFile = fake.Root() + "/printune.ini";
    roots.rulesSource = "/usr/share/printune/70-printune.rules";
    roots.firewallKnown = true;
    return roots;
}

std::vector<CheckFinding> Problems(const SystemReport& report) {
    std::vector<CheckFinding> problems;
    for (const CheckFinding& f : report.findings)
        if (f.severity == Severity::Problem)
            problems.push_back(f);
    return problems;
}

gid_t DialoutGroup() {
    const group* g = getgrnam("dialout");
    return g ? g->gr_gid : 20;
}

class SystemCheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "device nodes of other owners need root to make";
        fake_.LoadUsblp();
        fake_.Write(fake_.Root() + "/udev/" + UDEV_RULES_NAME, "# rules\n");
        fake_.Write(fake_.Root() + "/printune.ini", "[PrinterModel]\r\n");
        // The user's own folder and settings file.
        for (const std::string& path : {fake_.Root(), fake_.Root() + "/printune.ini"})
            ASSERT_EQ(chown(path.c_str(), USER_ID, USER_ID), 0);
        chmod(fake_.Root().c_str(), 0755);
    }
    SystemReport Check(const CheckIdentity& who = User()) {
        return RunSystemCheck(Roots(fake_), who, LANG_ENGLISH);
    }
    FakeSystem fake_;
};

TEST_F(SystemCheck, AllWellFindsEachPrinterWithItsFamilyAndNoProblem) {
    const std::string label = fake_.AddUsbPrinter(1, "7a3e", "5c19", true);
    fake_.AddUsbPrinter(2, "7a3e", "3d71", true);
    fake_.Node(fake_.Root() + "/serial0", 0660, DialoutGroup());
    symlink((fake_.Root() + "/serial0").c_str(), (fake_.Root() + "/devices/COM1").c_str());

    const SystemReport report = Check(User({DialoutGroup()}));
    ASSERT_EQ(report.usb.size(), 2u);
    EXPECT_EQ(report.usb[0].vid, "7A3E");
    EXPECT_EQ(report.usb[0].pid, "5C19");
    EXPECT_EQ(report.usb[0].family, "label");
    EXPECT_EQ(report.usb[0].access.node, label);
    EXPECT_TRUE(report.usb[0].usblpBound);
    EXPECT_TRUE(report.usb[0].access.canOpen);
    EXPECT_EQ(report.usb[1].family, "receipt");
    EXPECT_EQ(report.usb[1].models, "HT-740");
    ASSERT_EQ(report.ports.size(), 1u);
    EXPECT_EQ(report.ports[0].name, "COM1");
    EXPECT_EQ(report.ports[0].access.group, "dialout");
    EXPECT_EQ(report.Problems(), 0) << SystemReportText(report, LANG_ENGLISH);
    EXPECT_NE(SystemReportText(report, LANG_ENGLISH).find("No problems found."), std::string::npos);
}

TEST_F(SystemCheck, NodeWithoutPermissionNamesItsGroup) {
    fake_.AddUsbPrinter(1, "7a3e", "5c19", true, 0660);
    const SystemReport report = Check();
    ASSERT_EQ(report.usb.size(), 1u);
    EXPECT_FALSE(report.usb[0].access.canOpen);
    const auto problems = Problems(report);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].area, "usb");
    EXPECT_NE(problems[0].command.find("sudo usermod -aG root printune-test-user"),
              std::string::npos);
}

TEST_F(SystemCheck, SeatAclGrantsTheNodeToTheUser) {
    const std::string node = fake_.AddUsbPrinter(1, "7a3e", "5c19", true, 0660);
    // user::rw- user:4711:rw- group::rw- mask::rw- other::---, as uaccess leaves it.
    const unsigned char acl[] = {
        2,    0, 0, 0,                                            //
        0x01, 0, 6, 0, 0xff,           0xff,         0xff, 0xff,  // user::
        0x02, 0, 6, 0, USER_ID & 0xff, USER_ID >> 8, 0,    0,     // user:
        0x04, 0, 6, 0, 0xff,           0xff,         0xff, 0xff,  // group::
        0x10, 0, 6, 0, 0xff,           0xff,         0xff, 0xff,  // mask::
        0x20, 0, 0, 0, 0xff,           0xff,         0xff, 0xff}; // other::
    if (setxattr(node.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) != 0)
        GTEST_SKIP() << "this file system takes no ACLs";
    EXPECT_TRUE(MayReadWrite(node, User()));
    CheckIdentity stranger = User();
    stranger.uid = USER_ID + 1;
    EXPECT_FALSE(MayReadWrite(node, stranger));
}

TEST_F(SystemCheck, UsblpNotLoadedOrTakenAway) {
    FakeSystem bare; // no usblp module
    bare.AddUsbPrinter(1, "7a3e", "3d72", false);
    SystemReport report = RunSystemCheck(Roots(bare), User(), LANG_ENGLISH);
    ASSERT_EQ(report.usb.size(), 1u);
    EXPECT_FALSE(report.usb[0].usblpBound);
    EXPECT_EQ(report.usb[0].models, "HT-750");
    auto problems = Problems(report);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0].command, "sudo modprobe usblp");

    // Loaded, but another driver took the interface.
    bare.LoadUsblp();
    report = RunSystemCheck(Roots(bare), User(), LANG_ENGLISH);
    problems = Problems(report);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0].command, "echo -n 1-1:1.0 | sudo tee /sys/bus/usb/drivers/usblp/bind");
}

TEST_F(SystemCheck, NodeHeldByAnotherProcessNamesIt) {
    const std::string node = fake_.AddUsbPrinter(1, "6b2d", "4e08", true);
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(release[1]);
        const int fd = open(node.c_str(), O_RDONLY);
        char c = fd >= 0 ? '1' : '0';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1); // until the test is done
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, '1');
    const SystemReport report = Check();
    close(release[1]);
    waitpid(child, nullptr, 0);
    for (int fd : {ready[0], ready[1], release[0]})
        close(fd);

    ASSERT_EQ(report.usb.size(), 1u);
    EXPECT_EQ(report.usb[0].family, "loader");
    ASSERT_EQ(report.usb[0].access.heldBy.size(), 1u);
    EXPECT_EQ(report.usb[0].access.heldBy[0].pid, child);
    const auto problems = Problems(report);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].command, "kill " + std::to_string(child));
}

TEST_F(SystemCheck, SerialPortWhoseGroupTheUserLacks) {
    fake_.Node(fake_.Dev() + "/ttyUSB0", 0660, DialoutGroup());
    fake_.Node(fake_.Dev() + "/lp0", 0660, DialoutGroup() + 0); // a parallel port
    const SystemReport report = Check();
    ASSERT_EQ(report.ports.size(), 2u);
    EXPECT_TRUE(report.ports[0].parallel);
    EXPECT_EQ(report.ports[1].name, "ttyUSB0");
    const auto problems = Problems(report);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[1].area, "serial");
    EXPECT_EQ(problems[1].command.rfind("sudo usermod -aG dialout printune-test-user", 0), 0u);

    const std::string zh =
        SystemReportText(RunSystemCheck(Roots(fake_), User(), LANG_CHINESE), LANG_CHINESE);
    EXPECT_NE(zh.find("没有打开它的权限"), std::string::npos);
}

TEST_F(SystemCheck, MissingRulesAndUnwritableSettingsAreProblemsWithCommands) {
    fake_.AddUsbPrinter(1, "7a3e", "5c19", true);
    unlink((fake_.Root() + "/udev/" + UDEV_RULES_NAME).c_str());
    SystemCheckRoots roots = Roots(fake_);
    roots.settingsFile = "/proc/printune.ini"; // a folder nobody writes
    const auto problems = Problems(RunSystemCheck(roots, User(), LANG_ENGLISH));
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].area, "udev");
    EXPECT_EQ(problems[0].command.rfind("sudo install -m 644 /usr/share/printune/70-printune.rules "
                                        "/etc/udev/rules.d/",
                                        0),
              0u);
    EXPECT_EQ(problems[1].area, "settings");
}

TEST(DroppedDiscoveryPorts, InputPolicyDropWithoutAcceptRules) {
    const std::string dropping = "table inet filter {\n"
                                 "\tchain input {\n"
                                 "\t\ttype filter hook input priority filter; policy drop;\n"
                                 "\t\tct state established,related accept\n"
                                 "\t\ttcp dport 22 accept\n"
                                 "\t}\n}\n";
    EXPECT_EQ(DroppedDiscoveryPorts(dropping), (std::vector<int>{22094, 1901}));
    const std::string opened = "table inet filter {\n"
                               "\tchain input {\n"
                               "\t\ttype filter hook input priority filter; policy drop;\n"
                               "\t\tudp dport 22094 accept\n"
                               "\t\tudp sport 1901 accept\n"
                               "\t}\n}\n";
    EXPECT_TRUE(DroppedDiscoveryPorts(opened).empty());
    const std::string accepting =
        "table inet filter {\n\tchain input {\n"
        "\t\ttype filter hook input priority filter; policy accept;\n\t}\n}\n";
    EXPECT_TRUE(DroppedDiscoveryPorts(accepting).empty());
    EXPECT_TRUE(DroppedDiscoveryPorts("").empty());
}

TEST(UsbFamily, KnownProductsAndOthers) {
    std::string models;
    EXPECT_EQ(UsbFamily("7a3e", "5c19", &models), "label");
    EXPECT_EQ(models, "KP-520, KP-740, KP-500");
    EXPECT_EQ(UsbFamily("7A3E", "3D72", &models), "receipt");
    EXPECT_EQ(UsbFamily("6B2D", "4E08", nullptr), "loader");
    EXPECT_EQ(UsbFamily("7A3E", "0001", &models), "unknown");
    EXPECT_TRUE(models.empty());
}

} // namespace
