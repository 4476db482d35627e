// Settings profiles end to end: saved from one simulated printer, applied to
// others over TCP, compared, and refused when a line is wrong.
#include <gtest/gtest.h>

#include "cli_fixture.h"

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

} // namespace
