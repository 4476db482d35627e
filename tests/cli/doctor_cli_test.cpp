// printune-cli doctor: the simulator's printers and ports as a user sees
// them, and a printer the usblp driver does not drive.
#include "cli_fixture.h"
#include "support/fake_sysfs.h"

using namespace printune_test;

namespace {

class DoctorCli : public CliSim {};

TEST_F(DoctorCli, FindsTheSimulatorsPrintersAndPortsInTextAndJson) {
    Start({"--com", "1", "--usb", "7A3E:5C19", "--usb", "7A3E:3D71"});
    CliResult r = Run({"--json", "doctor"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const JsonValue doc = Json(r);
    EXPECT_TRUE(doc["ok"].boolean);
    ASSERT_EQ(doc["usbPrinters"].array.size(), 2u);
    EXPECT_EQ(doc["usbPrinters"].array[0]["family"].string, "label");
    EXPECT_EQ(doc["usbPrinters"].array[1]["family"].string, "receipt");
    EXPECT_TRUE(doc["usbPrinters"].array[0]["usblpBound"].boolean);
    EXPECT_TRUE(doc["usbPrinters"].array[0]["access"]["canOpen"].boolean);
    bool com1 = false;
    for (const JsonValue& port : doc["ports"].array)
        com1 = com1 || port["name"].string == "COM1";
    EXPECT_TRUE(com1);
    EXPECT_FALSE(doc["findings"].array.empty());

    r = Run({"doctor"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("7A3E:3D71  receipt printer (HT-740)"), std::string::npos) << r.out;
    r = Run({"--lang", "zh", "doctor"});
    EXPECT_NE(r.out.find("票据打印机"), std::string::npos) << r.out;
}

TEST(DoctorCliUnbound, UsblpNotLoadedNamesModprobe) {
    FakeSystem fake;
    fake.AddUsbPrinter(3, "7a3e", "5c19", false);
    CliOptions options;
    options.cwd = fake.Root();
    options.env = {{"PRINTUNE_SYSFS_ROOT", fake.Sys()}, {"PRINTUNE_DEV_ROOT", fake.Dev()}};
    const CliResult r = RunCli({"--json", "doctor"}, options);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    JsonValue doc;
    ASSERT_TRUE(ParseJson(r.out, doc)) << r.out;
    ASSERT_EQ(doc["usbPrinters"].array.size(), 1u);
    EXPECT_FALSE(doc["usblpLoaded"].boolean);
    EXPECT_GE(doc["problems"].number, 1);
    bool modprobe = false;
    for (const JsonValue& f : doc["findings"].array)
        modprobe = modprobe || f["command"].string == "sudo modprobe usblp";
    EXPECT_TRUE(modprobe) << r.out;
}

} // namespace
