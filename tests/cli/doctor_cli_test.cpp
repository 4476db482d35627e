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
    const JsonDoc doc = Json(r);
    EXPECT_TRUE(doc["ok"].get<bool>());
    ASSERT_EQ(doc["usbPrinters"].size(), 2u);
    EXPECT_EQ(doc["usbPrinters"][0]["family"], "label");
    EXPECT_EQ(doc["usbPrinters"][1]["family"], "receipt");
    EXPECT_TRUE(doc["usbPrinters"][0]["usblpBound"].get<bool>());
    EXPECT_TRUE(doc["usbPrinters"][0]["access"]["canOpen"].get<bool>());
    bool com1 = false;
    for (const auto& port : doc["ports"])
        com1 = com1 || port["name"] == "COM1";
    EXPECT_TRUE(com1);
    EXPECT_FALSE(doc["findings"].empty());

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
    const JsonDoc doc = ParseDocument(r.out);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    ASSERT_EQ(doc["usbPrinters"].size(), 1u);
    EXPECT_FALSE(doc["usblpLoaded"].get<bool>());
    EXPECT_GE(doc["problems"].get<int>(), 1);
    bool modprobe = false;
    for (const auto& f : doc["findings"])
        modprobe = modprobe || f["command"] == "sudo modprobe usblp";
    EXPECT_TRUE(modprobe) << r.out;
}

} // namespace
