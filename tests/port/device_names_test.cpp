// The mapping of the settings' Windows names to device nodes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include "port/device_names.h"
#include "port/port_errors.h"
#include "port_test_util.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;
namespace fs = std::filesystem;

namespace {

class DeviceDir {
public:
    DeviceDir() {
        char tmpl[] = "/tmp/printune-devdir-XXXXXX";
        dir_ = mkdtemp(tmpl);
        const char* old = std::getenv("PRINTUNE_DEVICE_DIR");
        hadOld_ = old != nullptr;
        old_ = old ? old : "";
        setenv("PRINTUNE_DEVICE_DIR", dir_.c_str(), 1);
    }
    ~DeviceDir() {
        hadOld_ ? setenv("PRINTUNE_DEVICE_DIR", old_.c_str(), 1) : unsetenv("PRINTUNE_DEVICE_DIR");
        fs::remove_all(dir_);
    }
    const std::string& Path() const { return dir_; }

private:
    std::string dir_, old_;
    bool hadOld_ = false;
};

TEST(DeviceNames, DefaultsAndOverrides) {
    DeviceDir dir;
    fs::create_symlink("/dev/ttyUSB0", dir.Path() + "/COM3");
    struct Case {
        const char* name;
        std::string expected;
    } cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"COM15", "/dev/ttyS14"},
        {"com2", "/dev/ttyS1"},
        {"LPT1", "/dev/lp0"},
        {"LPT4", "/dev/lp3"},
        {"COM3", dir.Path() + "/COM3"}, // the link wins
        {"/dev/ttyACM0", "/dev/ttyACM0"},
        {"ttyUSB1", "/dev/ttyUSB1"},
        {"COM0", "/dev/COM0"},
        {"COMX", "/dev/COMX"},
        {"../COM1", "../COM1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveDeviceName(c.name), c.expected) << c.name;
}

TEST(DeviceNames, WithoutDeviceDirectoryTheDefaultsHold) {
    const char* old = std::getenv("PRINTUNE_DEVICE_DIR");
    std::string saved = old ? old : "";
    unsetenv("PRINTUNE_DEVICE_DIR");
    EXPECT_EQ(ResolveDeviceName("COM3"), "/dev/ttyS2");
    if (old)
        setenv("PRINTUNE_DEVICE_DIR", saved.c_str(), 1);
}

TEST(DeviceNames, RootsFollowTheEnvironment) {
    const char* sys = std::getenv("PRINTUNE_SYSFS_ROOT");
    std::string savedSys = sys ? sys : "";
    unsetenv("PRINTUNE_SYSFS_ROOT");
    EXPECT_EQ(SysfsRoot(), "/sys");
    setenv("PRINTUNE_SYSFS_ROOT", "/tmp/x", 1);
    EXPECT_EQ(SysfsRoot(), "/tmp/x");
    sys ? setenv("PRINTUNE_SYSFS_ROOT", savedSys.c_str(), 1) : unsetenv("PRINTUNE_SYSFS_ROOT");
}

TEST(DeviceNames, UnmappedSerialDevicesAreOnlySerialNodesUnderDev) {
    for (const std::string& p : ListUnmappedSerialDevices()) {
        EXPECT_EQ(p.rfind("/dev/", 0), 0u) << p;
        EXPECT_EQ(p.find("ttyS"), std::string::npos) << p;
    }
}

TEST(PrinterPort, VanishedUsbPrinterFailsTheReadButParallelReadsNothing) {
    ScopedPortState state;
    auto sim = std::make_unique<SimProcess>(
        std::vector<std::string>{"--model", "silent", "--usb", "7A3E:5C19", "--lpt", "1"});
    sim->ExportEnvironment();
    SetUsbFilter({});
    CPrinterPort usb, lpt;
    usb.portType = PORT_USB;
    lpt.portType = PORT_LPT;
    lpt.lptName = "LPT1";
    ASSERT_EQ(usb.Open(), 1);
    ASSERT_EQ(lpt.Open(), 1);
    sim->Stop();
    uint8_t buf[8];
    EXPECT_EQ(RaisedCode([&] { usb.Read(buf, sizeof buf); }), PORT_ERR_READ);
    EXPECT_EQ(RaisedCode([&] { EXPECT_EQ(lpt.Read(buf, sizeof buf), 0); }), 0);
    usb.Close();
    lpt.Close();
}

} // namespace
