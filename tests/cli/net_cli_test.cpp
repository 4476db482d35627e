// The network commands against simulated printers on a loopback address of
// their own: nothing leaves the machine.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cli_runner.h"
#include "json_doc.h"
#include "net_printers.h"
#include "support/free_port.h"
#include "support/sim_process.h"

using namespace printune_test;
using printune_sim::NetworkPrinters;

namespace {

constexpr const char* kSimAddress = "127.0.0.4";

uint16_t FreeUdpPort() {
    return FreeLoopbackPort(SOCK_DGRAM);
}

class NetCli : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    void Start(unsigned htFaults = 0) {
        sim_.reset();
        replyPort_ = FreeUdpPort();
        printune_sim::NetworkPrintersOptions o;
        o.bindAddress = kSimAddress;
        o.netcfgPort = 0;
        o.netcfgReplyPort = replyPort_;
        o.htPort = 0;
        for (int i = 1; i <= 3; ++i) {
            o.label.push_back(printune_sim::DefaultLabelSetup(i));
            o.ht.push_back(printune_sim::DefaultHtSetup(i));
            o.ht.back().faults = htFaults;
        }
        // A name in the printer's code page, with a control byte.
        o.label[2].identity.dev = "Caf\xE9\x1B[1m";
        std::string error;
        sim_ = NetworkPrinters::Start(o, error);
        ASSERT_TRUE(sim_) << error;
    }

    std::vector<std::string> LabelArgs(std::vector<std::string> args) const {
        args.push_back("--dest=" + printune::FormatEndpoint(sim_->NetcfgEndpoint()));
        args.push_back("--bind=127.0.0.1:" + std::to_string(replyPort_));
        return args;
    }
    std::vector<std::string> HtArgs(std::vector<std::string> args) const {
        args.push_back("--dest=" + printune::FormatEndpoint(sim_->HtEndpoint()));
        args.push_back("--bind=127.0.0.1:0");
        return args;
    }

    static JsonDoc Json(const CliResult& r) {
        JsonDoc v = ParseDocument(r.out);
        EXPECT_FALSE(v.is_discarded()) << r.out;
        return v;
    }

    uint16_t replyPort_ = 0;
    std::unique_ptr<NetworkPrinters> sim_;
};

TEST_F(NetCli, SearchListsThreeLabelPrintersInOrderOfAnswer) {
    CliOptions options;
    options.env["PRINTUNE_CODEPAGE"] = "WINDOWS-1252";
    const CliResult r = RunCli(LabelArgs({"--json", "net", "search"}), options);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    JsonDoc doc = Json(r);
    EXPECT_EQ(doc["ok"], true);
    auto& devices = doc["devices"];
    ASSERT_EQ(devices.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const auto id = sim_->LabelIdentity(i);
        EXPECT_EQ(Keys(devices[i]),
                  (std::vector<std::string>{"serial", "mac", "name", "version", "ip", "answers"}));
        EXPECT_EQ(devices[i]["answers"], 1);
        EXPECT_EQ(devices[i]["serial"], id.serial);
        EXPECT_EQ(devices[i]["mac"], id.mac);
        EXPECT_EQ(devices[i]["ip"], id.ipCur);
    }
    // Converted from the code page, control characters replaced.
    EXPECT_EQ(devices[2]["name"], "Café?[1m");
}

TEST_F(NetCli, EmptySearchesExplainThemselves) {
    // Nobody listens where the requests go.
    for (const auto& args :
         {std::vector<std::string>{"net", "search", "--dest=127.0.0.4:9",
                                   "--bind=127.0.0.1:" + std::to_string(replyPort_)},
          std::vector<std::string>{"ht", "search", "--dest=127.0.0.4:9", "--bind=127.0.0.1:0"}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 6) << r.err;
        EXPECT_NE(r.err.find("No network printer was found."), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("22094"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("1901"), std::string::npos) << r.err;
    }
}

TEST_F(NetCli, UnknownMacIsNotFound) {
    CliResult r = RunCli(LabelArgs({"net", "query", "00A0C1FFFFFF"}));
    EXPECT_EQ(r.exitCode, 6) << r.err;
    EXPECT_NE(r.err.find("No printer with MAC 00A0C1FFFFFF answered"), std::string::npos) << r.err;
    r = RunCli(HtArgs({"ht", "get", "00:11:22:33:44:ff"}));
    EXPECT_EQ(r.exitCode, 6) << r.err;
    EXPECT_NE(r.err.find("00:11:22:33:44:ff"), std::string::npos) << r.err;
}

TEST_F(NetCli, HtSetFailsUnlessAcknowledged) {
    Start(printune_sim::NET_FAULT_NO_ACK);
    const std::string mac = printune::HtFormatMac(sim_->HtRecord(0).Mac());
    const CliResult r = RunCli(HtArgs({"--json", "ht", "set", mac, "port=9200"}));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("did not acknowledge: block1, apply, block2, apply"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.out.find("9200"), std::string::npos) << r.out; // nothing shown as the printer's
}

TEST_F(NetCli, QueryGivesEveryEntryAndSetWritesTheChangedOnes) {
    const auto id = sim_->LabelIdentity(1);
    CliResult r = RunCli(LabelArgs({"--json", "net", "query", id.mac, id.serial}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    JsonDoc doc = Json(r);
    EXPECT_EQ(Keys(doc["entries"]),
              (std::vector<std::string>{"DEV", "VER", "SERIAL_NUM", "MAC", "IP_CUR", "DHCP", "IP",
                                        "SUBNET_MASK", "GATEWAY", "PRNT_PORT", "PRNT_RCV_TMO"}));
    EXPECT_EQ(doc["entries"]["MAC"], id.mac);

    r = RunCli(LabelArgs(
        {"net", "set", id.mac, id.serial, "ip=192.168.7.9", "port=9101", "--no-confirm"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The set request has no answer: wait for the printer to take it.
    for (int i = 0; i < 200 && sim_->LabelSetsApplied(1) == 0; ++i)
        usleep(10000);
    const auto now = sim_->LabelIdentity(1);
    EXPECT_EQ(now.ip, "192.168.7.9");
    EXPECT_EQ(now.printPort, "9101");
    EXPECT_EQ(now.mask, id.mask); // untouched values go back as they were
    EXPECT_EQ(sim_->LabelSetsApplied(1), 1);
    EXPECT_EQ(sim_->LabelSetsApplied(0), 0);
}

TEST_F(NetCli, SetRefusesABadValueBeforeAnyRequest) {
    const auto id = sim_->LabelIdentity(0);
    for (const char* bad : {"port=8999", "port=10000", "timeout=301", "ip=1.2.3", "dhcp=maybe"}) {
        const CliResult r = RunCli(LabelArgs({"net", "set", id.mac, id.serial, bad}));
        EXPECT_EQ(r.exitCode, 5) << bad << ": " << r.err;
    }
    EXPECT_EQ(sim_->NetcfgRequests(), 0);
}

TEST_F(NetCli, QueryOfAnAbsentPrinterTimesOut) {
    const CliResult r = RunCli(LabelArgs({"net", "query", "00A0C1FFFFFF", "NOSUCH"}));
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("Communication is time out!"), std::string::npos) << r.err;
}

TEST_F(NetCli, HtSearchGetAndSet) {
    CliResult r = RunCli(HtArgs({"--json", "ht", "search"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    JsonDoc doc = Json(r);
    ASSERT_EQ(doc["devices"].size(), 3u);
    EXPECT_EQ(Keys(doc["devices"][0]),
              (std::vector<std::string>{"mac", "name", "version", "ip", "answers"}));

    const std::string mac = printune::HtFormatMac(sim_->HtRecord(2).Mac());
    r = RunCli(HtArgs({"--json", "ht", "get", mac}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    doc = Json(r);
    EXPECT_EQ(doc["config"]["port"], 9100);
    EXPECT_EQ(doc["config"]["dhcp"], "Disable");

    r = RunCli(HtArgs({"--json", "ht", "set", mac, "port=9200", "gateway=192.168.0.254"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    doc = Json(r);
    EXPECT_EQ(sim_->HtConfig(2).PrintPort(), 9200);
    EXPECT_EQ(printune::HtFormatIp(sim_->HtConfig(2).Gateway()), "192.168.0.254");
    EXPECT_EQ(doc["config"]["port"], 9200); // read back from the printer
    const auto log = sim_->HtLog(2);
    const std::vector<std::string> tail(log.end() - 5, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"block1", "apply", "block2", "apply", "query"}));
    EXPECT_EQ(sim_->HtConfig(1).PrintPort(), 9100); // the others are untouched
}

} // namespace

namespace {

// wifi set --wait-join: the command goes to the printer's port, then the
// search finds the printer on the network by its serial number.
TEST_F(NetCli, WifiSetWaitsForThePrinterToJoin) {
    SimProcess printer;
    const std::string port =
        "--port=lan:" + printer.TcpAddress() + ":" + std::to_string(printer.TcpPort());
    CliResult r = RunCli(LabelArgs({port, "--json", "wifi", "set", "--mode", "STA", "--wait-join",
                                    "20", "--serial", sim_->LabelIdentity(1).serial}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const JsonDoc doc = Json(r);
    EXPECT_EQ(doc["joined"], true);
    EXPECT_EQ(doc["ip"], sim_->LabelIdentity(1).ipCur);
    EXPECT_EQ(doc["bytes"], 37);
    EXPECT_TRUE(printer.WaitReceived("tcp", 37));

    // In AP mode the printer joins no network: refused before anything is sent.
    r = RunCli(LabelArgs({port, "wifi", "set", "--wait-join", "5"}));
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(printer.Received("tcp").size(), 37u);
    EXPECT_EQ(RunCli({port, "wifi", "set", "--mode", "STA", "--wait-join", "0"}).exitCode, 5);
}

} // namespace
