// The settings file: read as the desktop program reads it, written only by
// the commands that choose a connection.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli_runner.h"
#include "json_doc.h"

using namespace printune_test;

namespace {

class SettingsCli : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/printune-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        options_.cwd = dir_;
        options_.env["LANG"] = "C";
        options_.env["LC_ALL"] = "";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Read(const std::string& name) const {
        std::ifstream in(dir_ + "/" + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
    }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(dir_ + "/" + name);
    }
    JsonDoc Show(std::vector<std::string> extra = {}) const {
        extra.insert(extra.begin(), "--json");
        extra.push_back("show");
        const CliResult r = RunCli(extra, options_);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        JsonDoc v = ParseDocument(r.out);
        EXPECT_FALSE(v.is_discarded()) << r.out;
        return v;
    }

    std::string dir_;
    CliOptions options_;
};

TEST_F(SettingsCli, WithoutAFileTheDefaultsApplyAndNoFileIsCreated) {
    JsonDoc doc = Show();
    EXPECT_EQ(doc["settings"]["printerModel"], "KP-520");
    EXPECT_EQ(doc["settings"]["interface"], "usb");
    EXPECT_EQ(doc["settings"]["ipAddr"], "169.254.1.10");
    EXPECT_EQ(doc["usbFilter"]["UsbVidFilter"], "7A3E");
    EXPECT_EQ(doc["settingsFile"]["exists"], false);
    EXPECT_FALSE(Exists("printune.ini"));
}

TEST_F(SettingsCli, ConnectWritesTheFileTheDesktopProgramReads) {
    const CliResult r = RunCli({"--port", "lan:192.0.2.7:9101", "--model", "HT-750", "--baud",
                                "19200", "--flow", "xon/xoff", "connect"},
                               options_);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Read("printune.ini"),
              "[PrinterModel]\r\nPrinter Model=HT-750\r\n[PortType]\r\nCurPortType=4\r\n"
              "[COM]\r\nPortName=COM1\r\nBaudrate=19200\r\nParitySetup=None\r\nDataBit=8\r\n"
              "StopBit=1\r\nFlowControl=Xon/Xoff\r\n[LPT]\r\nPortName=LPT1\r\n[LAN]\r\n"
              "IpAddr=192.0.2.7\r\nListenPort=9101\r\n[LanguageSetting]\r\nLanguage=English\r\n");
    JsonDoc doc = Show();
    EXPECT_EQ(doc["settings"]["printerModel"], "HT-750");
    EXPECT_EQ(doc["usbFilter"]["UsbPidFilter"], "3D72");
    EXPECT_EQ(doc["usbFilter"]["UsbVendorOnly"], 0);
}

TEST_F(SettingsCli, OptionsOverrideForOneRunOnly) {
    ASSERT_EQ(RunCli({"--port", "com:COM3", "connect"}, options_).exitCode, 0);
    const std::string before = Read("printune.ini");
    JsonDoc doc = Show({"--port", "lpt:LPT2", "--baud", "57600"});
    EXPECT_EQ(doc["settings"]["interface"], "lpt");
    EXPECT_EQ(doc["settings"]["lptPortName"], "LPT2");
    EXPECT_EQ(doc["settings"]["baudrate"], "57600");
    EXPECT_EQ(Read("printune.ini"), before);
}

TEST_F(SettingsCli, AChineseFileSpeaksChineseAndTranslatesTheModel) {
    Write("printune.ini", "[PrinterModel]\r\nPrinter Model=KP-740\r\n[PortType]\r\n"
                          "CurPortType=4\r\n[LanguageSetting]\r\nLanguage=Chinese\r\n");
    JsonDoc doc = Show();
    EXPECT_EQ(doc["settings"]["printerModel"], "Label Printer(300DPI)");
    EXPECT_EQ(doc["settings"]["listenPort"], 0); // no ListenPort key
    const CliResult r = RunCli({"frobnicate"}, options_);
    EXPECT_NE(r.err.find("未知命令"), std::string::npos) << r.err;
    // --lang en switches the messages and the model's name for the run.
    JsonDoc en = Show({"--lang", "en"});
    EXPECT_EQ(en["settings"]["printerModel"], "KP-740");
}

TEST_F(SettingsCli, ConfigNamesAnotherFile) {
    ASSERT_EQ(RunCli({"--config", "other.ini", "--port", "com:COM2", "connect"}, options_).exitCode,
              0);
    EXPECT_TRUE(Exists("other.ini"));
    EXPECT_FALSE(Exists("printune.ini"));
    EXPECT_EQ(Show({"--config=other.ini"})["settings"]["comPortName"], "COM2");
}

} // namespace
