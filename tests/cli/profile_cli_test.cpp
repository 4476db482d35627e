// Settings profiles end to end: saved from one simulated printer, applied to
// others over TCP, compared, and refused when a line is wrong.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include "cli_fixture.h"
#include "net_printers.h"
#include "support/free_port.h"

using namespace printune_test;

namespace {

const char* const GET_REQUEST = "1B 0D 53 1B 33 00 1B 10 45";

class ProfileCli : public CliSim {
protected:
    std::string LanOf(const std::string& endpoint) const {
        return "lan:127.0.0.1:" + std::to_string(sim_->TcpPort(endpoint));
    }
    std::string PortOf(const std::string& endpoint) const { return "--port=" + LanOf(endpoint); }
    std::string Path(const std::string& name) const { return sim_->Dir() + "/" + name; }
};

TEST_F(ProfileCli, SavedProfileAppliedToASecondPrinterMakesThemEqual) {
    Start({"--tcp", "0", "--tcp", "0"});
    // The second printer first gets other values.
    ASSERT_EQ(
        Run({PortOf("tcp2"), "label", "set", "print-speed=4", "cut-mode=On", "home-offset=2.5"})
            .exitCode,
        0);
    const CliResult saved = Run({PortOf("tcp"), "label", "get", "--save", Path("a.profile")});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const std::string text = ReadFile("a.profile");
    EXPECT_EQ(text.rfind("printune-profile family=label; model=KP-520; version=", 0), 0u) << text;
    EXPECT_NE(text.find("\nprint-speed = "), std::string::npos) << text;

    const CliResult before = Run({PortOf("tcp2"), "--json", "profile", "diff", Path("a.profile")});
    EXPECT_EQ(before.exitCode, 1) << before.err;
    JsonDoc diff = Json(before);
    EXPECT_EQ(diff["equal"], false);
    ASSERT_EQ(diff["differences"].size(), 3u) << before.out;
    EXPECT_EQ(diff["differences"][0]["setting"], "print-speed");
    EXPECT_EQ(diff["differences"][0]["printer"], "4");

    const size_t received = sim_->Received("tcp2").size();
    const CliResult applied =
        Run({PortOf("tcp2"), "--json", "profile", "apply", Path("a.profile")});
    ASSERT_EQ(applied.exitCode, 0) << applied.err << applied.out;
    JsonDoc doc = Json(applied);
    ASSERT_EQ(doc["targets"].size(), 1u);
    EXPECT_EQ(doc["targets"][0]["outcome"], "verified");
    // Read, one set request with only the three that differed, read back.
    const std::string request = doc["targets"][0]["request"];
    auto expected = HexBytes(GET_REQUEST);
    for (const auto& b : HexBytes(request))
        expected.push_back(b);
    for (const auto& b : HexBytes(GET_REQUEST))
        expected.push_back(b);
    auto rx = Rx("tcp2", received + expected.size());
    rx.erase(rx.begin(), rx.begin() + static_cast<long>(received));
    EXPECT_EQ(rx, expected);
    EXPECT_EQ(HexBytes(request).size(), 6u + 3 + 3 + 4) << request;

    const CliResult after = Run({PortOf("tcp2"), "profile", "diff", Path("a.profile")});
    EXPECT_EQ(after.exitCode, 0) << after.out << after.err;
}

TEST_F(ProfileCli, AWrongNameIsRefusedWithItsLineAndNothingIsSent) {
    Start({"--tcp", "0"});
    WriteFile("bad.profile", "printune-profile family=label; model=KP-520; version=1\n"
                             "# comment\n"
                             "print-speed = 3\n"
                             "print-sped = 2\n");
    for (const char* command : {"show", "diff", "apply"}) {
        const CliResult r = Run({Lan(), "profile", command, Path("bad.profile")});
        EXPECT_EQ(r.exitCode, 5) << command;
        EXPECT_NE(r.err.find("bad.profile:4: unknown setting 'print-sped'"), std::string::npos)
            << r.err;
    }
    EXPECT_TRUE(NothingReceived("tcp"));
}

TEST_F(ProfileCli, DryRunOnlyReadsAndPrintsTheRequest) {
    Start({"--tcp", "0"});
    WriteFile("p.profile", "printune-profile family=label; model=KP-520; version=1\n"
                           "print-speed = 4\n");
    const CliResult r = Run({Lan(), "profile", "apply", Path("p.profile"), "--dry-run"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("would send 1 settings"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1B 0D 53 1B 30 04 1B 10 45"), std::string::npos) << r.out;
    // The settings read, and nothing after it.
    EXPECT_EQ(Rx("tcp", 9), HexBytes(GET_REQUEST));
    EXPECT_FALSE(sim_->WaitReceived("tcp", 10, 500));
}

TEST_F(ProfileCli, FiveNetworkPrintersOneSilent) {
    Start({"--tcp", "0", "--tcp", "0", "--tcp", "0", "--tcp", "0", "--tcp", "0=silent"});
    WriteFile("p.profile", "printune-profile family=label; model=KP-520; version=1\n"
                           "print-speed = 4\ncut-mode = On\n");
    WriteFile("targets.txt", LanOf("tcp4") + "\n# the silent one\n" + LanOf("tcp5") + "\n");
    const CliResult r = Run({"--json", "profile", "apply", Path("p.profile"), "--parallel", "3",
                             "--targets", LanOf("tcp") + "," + LanOf("tcp2"), LanOf("tcp3"),
                             "--targets-from", Path("targets.txt")});
    EXPECT_NE(r.exitCode, 0);
    JsonDoc doc = Json(r);
    EXPECT_EQ(doc["ok"], false);
    ASSERT_EQ(doc["targets"].size(), 5u) << r.out;
    const char* endpoints[] = {"tcp", "tcp2", "tcp3", "tcp4", "tcp5"};
    for (int i = 0; i < 5; ++i) {
        const JsonDoc& t = doc["targets"][static_cast<size_t>(i)];
        EXPECT_EQ(t["target"], LanOf(endpoints[i]));
        if (i < 4) {
            EXPECT_EQ(t["outcome"], "verified") << t.dump();
            EXPECT_EQ(t["ok"], true);
            EXPECT_EQ(t["differences"].size(), 2u);
        } else {
            EXPECT_EQ(t["outcome"], "unreachable") << t.dump();
            EXPECT_EQ(t["ok"], false);
            EXPECT_EQ(t["message"], "Communication is time out!");
        }
    }
}

TEST_F(ProfileCli, ASettingThePrinterIgnoresIsReportedNotVerified) {
    Start({"--tcp", "0", "--ignore-setting", "cut-mode"});
    WriteFile("p.profile", "printune-profile family=label; model=KP-520; version=1\n"
                           "print-speed = 4\ncut-mode = On\n");
    const CliResult r = Run({Lan(), "--json", "profile", "apply", Path("p.profile")});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    JsonDoc doc = Json(r);
    const JsonDoc& t = doc["targets"][0];
    EXPECT_EQ(t["outcome"], "not-verified") << r.out;
    ASSERT_EQ(t["notTaken"].size(), 1u) << r.out;
    EXPECT_EQ(t["notTaken"][0]["setting"], "cut-mode");
    EXPECT_EQ(t["notTaken"][0]["profile"], "On");
    EXPECT_EQ(t["notTaken"][0]["printer"], "Off");
    const CliResult human = Run({Lan(), "profile", "apply", Path("p.profile")});
    EXPECT_NE(human.out.find("applied but not verified"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("cut-mode"), std::string::npos) << human.out;
}

TEST_F(ProfileCli, ReceiptProfileKeepsTheCutterSwitchOfItsModel) {
    Start({"--tcp", "0=HT-750"});
    const CliResult saved =
        Run({Lan(), "--model", "HT-750", "receipt", "get", "--save", Path("r.profile")});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const CliResult shown = Run({"--json", "profile", "show", Path("r.profile")});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    JsonDoc doc = Json(shown);
    EXPECT_EQ(doc["family"], "receipt");
    EXPECT_EQ(doc["model"], "HT-750");
    EXPECT_TRUE(doc["settings"].contains("cutter-switch")) << shown.out;
    const CliResult same = Run({Lan(), "--model", "HT-750", "profile", "diff", Path("r.profile")});
    EXPECT_EQ(same.exitCode, 0) << same.out << same.err;
    // A label printer's run refuses a receipt profile before sending.
    const CliResult wrong = Run({Lan(), "--model", "KP-520", "profile", "diff", Path("r.profile")});
    EXPECT_EQ(wrong.exitCode, 5);
}

// mac: targets are looked up by a label-printer search; simulated network
// printers on a loopback address of their own answer it, and the one whose
// address leads to a simulated printer over TCP is applied to.
TEST_F(ProfileCli, MacTargetsAreFoundByASearch) {
    Start({"--tcp", "127.0.0.1:0"});
    const uint16_t replyPort = FreeLoopbackPort(SOCK_DGRAM);
    printune_sim::NetworkPrintersOptions o;
    o.bindAddress = "127.0.0.5";
    o.netcfgPort = 0;
    o.netcfgReplyPort = replyPort;
    o.htPort = 0;
    for (int i = 1; i <= 2; ++i)
        o.label.push_back(printune_sim::DefaultLabelSetup(i));
    o.label[0].identity.ip = o.label[0].identity.ipCur = "127.0.0.1";
    std::string error;
    const auto net = printune_sim::NetworkPrinters::Start(o, error);
    ASSERT_TRUE(net) << error;
    WriteFile("p.profile", "printune-profile family=label; model=KP-520; version=1\n"
                           "print-speed = 4\n");
    // The first MAC in lower case (a search answers in capitals); the second
    // belongs to no printer that answers.
    const std::string known = o.label[0].identity.mac;
    std::string lower = known;
    for (char& ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const CliResult r = Run({Lan(), "--json", "profile", "apply", Path("p.profile"),
                             "--targets=mac:" + lower + ",mac:00A0C1FFFFFF",
                             "--dest=" + printune::FormatEndpoint(net->NetcfgEndpoint()),
                             "--bind=127.0.0.1:" + std::to_string(replyPort)});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    JsonDoc doc = Json(r);
    ASSERT_EQ(doc["targets"].size(), 2u) << r.out;
    EXPECT_EQ(doc["targets"][0]["outcome"], "verified") << r.out;
    EXPECT_EQ(doc["targets"][0]["address"], "127.0.0.1:" + std::to_string(sim_->TcpPort()));
    EXPECT_EQ(doc["targets"][1]["outcome"], "unreachable") << r.out;
    EXPECT_EQ(doc["targets"][1]["message"],
              "No printer with the MAC address 00A0C1FFFFFF answered the search.");
    auto expected = HexBytes(GET_REQUEST);
    for (const auto& b : HexBytes("1B 0D 53 1B 30 04 1B 10 45"))
        expected.push_back(b);
    const auto rx = Rx("tcp", expected.size());
    ASSERT_GE(rx.size(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(rx.begin(), rx.begin() + static_cast<long>(expected.size())),
              expected);
}

// --- update --keep-settings ----------------------------------------------------

class KeepSettingsCli : public ProfileCli {
protected:
    JsonDoc LabelGet() {
        const CliResult r = Run({Lan(), "--json", "label", "get", "--no-save"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return Json(r);
    }
    void SetSomeSettings() {
        const CliResult set =
            Run({Lan(), "label", "set", "print-speed=4", "cut-mode=On", "home-offset=2.5"});
        ASSERT_EQ(set.exitCode, 0) << set.err;
        const JsonDoc before = LabelGet();
        ASSERT_EQ(before["settings"]["print-speed"], "4") << before.dump();
    }
};

// The simulator starts new firmware from its factory settings: without
// --keep-settings they are gone, with it they are read before the update and
// the three that differ are written back afterwards.
TEST_F(KeepSettingsCli, SettingsChangedBeforeTheUpdateSurviveIt) {
    Start({"--tcp", "0", "--fw-version-after", "KP520 V2.20 2026-11-30"});
    WriteFile("kp.bin", std::string(3000, 'k'));
    SetSomeSettings();
    const CliResult plain = Run({Lan(), "--model", "KP-520", "update", Path("kp.bin"),
                                 "--download-mode", "--wait", "0", "--no-progress"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err << plain.out;
    EXPECT_EQ(LabelGet()["settings"]["print-speed"], "2");

    SetSomeSettings();
    const size_t before = sim_->Received("tcp").size();
    const CliResult kept = Run({Lan(), "--model", "KP-520", "--json", "update", Path("kp.bin"),
                                "--keep-settings", "--wait", "0", "--no-progress"});
    ASSERT_EQ(kept.exitCode, 0) << kept.err << kept.out;
    JsonDoc doc = Json(kept);
    EXPECT_EQ(doc["ok"], true);
    EXPECT_EQ(doc["versionAfter"], "KP520 V2.20 2026-11-30");
    EXPECT_EQ(doc["settings"]["outcome"], "verified") << kept.out;
    EXPECT_EQ(doc["settings"]["sent"],
              JsonDoc::parse(R"(["print-speed", "home-offset", "cut-mode"])"));
    const JsonDoc after = LabelGet();
    EXPECT_EQ(after["settings"]["print-speed"], "4");
    EXPECT_EQ(after["settings"]["cut-mode"], "On");
    EXPECT_EQ(after["settings"]["home-offset"], "2.50");

    // On the wire: the settings read before the download-mode command, and
    // after the printer's return one set request with only those three.
    std::vector<uint8_t> rx = Rx("tcp", before + 9);
    rx.erase(rx.begin(), rx.begin() + static_cast<long>(before));
    const auto get = HexBytes(GET_REQUEST);
    ASSERT_GE(rx.size(), get.size());
    EXPECT_EQ(std::vector<uint8_t>(rx.begin(), rx.begin() + 9), get);
    const auto set = HexBytes("1B 0D 53 1B 30 04 1B 2C 14 00 1B 34 01 1B 10 45");
    EXPECT_NE(std::search(rx.begin(), rx.end(), set.begin(), set.end()), rx.end());
}

TEST_F(KeepSettingsCli, APrinterThatDoesNotAnswerIsNotUpdated) {
    Start({"--tcp", "0", "--reply-fault", "silent"});
    WriteFile("kp.bin", std::string(3000, 'k'));
    const CliResult r = Run(
        {Lan(), "--model", "KP-520", "update", Path("kp.bin"), "--keep-settings", "--no-progress"});
    EXPECT_EQ(r.exitCode, 4) << r.err << r.out;
    // The settings request only: no download-mode command, no image.
    EXPECT_EQ(Rx("tcp", 9), HexBytes(GET_REQUEST));
    EXPECT_FALSE(sim_->WaitReceived("tcp", 10, 500));
}

TEST_F(KeepSettingsCli, ReceiptPrintersAndAssumedDownloadModeAreRefused) {
    Start({"--tcp", "0"});
    WriteFile("ht.fw", std::string(300, 'h'));
    WriteFile("kp.bin", std::string(300, 'k'));
    const CliResult receipt =
        Run({"--port=usb", "--model", "HT-740", "update", Path("ht.fw"), "--keep-settings"});
    EXPECT_EQ(receipt.exitCode, 2) << receipt.err;
    EXPECT_NE(
        receipt.err.find("--keep-settings works for label printers only; 'HT-740' is not one"),
        std::string::npos)
        << receipt.err;
    const CliResult assumed = Run({Lan(), "--model", "KP-520", "update", Path("kp.bin"),
                                   "--keep-settings", "--assume-download-mode"});
    EXPECT_EQ(assumed.exitCode, 2) << assumed.err;
    EXPECT_NE(assumed.err.find("--assume-download-mode"), std::string::npos) << assumed.err;
    EXPECT_TRUE(NothingReceived("tcp"));
}

} // namespace
