// printune-sim's command line, canned replies and description format.
#include <gtest/gtest.h>

#include <fstream>

#include "canned.h"
#include "description.h"
#include "sim_options.h"
#include "support/sim_process.h"

using namespace printune_sim;

namespace {

SimOptions Parse(std::vector<std::string> args) {
    SimOptions o;
    std::string error;
    EXPECT_TRUE(ParseSimOptions(args, o, error)) << error;
    return o;
}

TEST(SimOptions, DefaultIsOneTcpListenerOnLoopback9100) {
    SimOptions o = Parse({});
    ASSERT_EQ(o.tcp.size(), 1u);
    EXPECT_EQ(o.tcp[0].address, "127.0.0.1");
    EXPECT_EQ(o.tcp[0].port, 9100);
    EXPECT_TRUE(o.com.empty());
    EXPECT_TRUE(o.usb.empty());
    EXPECT_EQ(o.model, "KP-520");
}

TEST(SimOptions, EndpointsWithModels) {
    SimOptions o = Parse({"--tcp", "127.0.0.5:0=HT-740", "--com", "3", "--lpt", "2=KP-740", "--usb",
                          "7a3e:5c19", "--usb", "7A3E:3D72=HT-750", "--net-label", "2"});
    ASSERT_EQ(o.tcp.size(), 1u);
    EXPECT_EQ(o.tcp[0].address, "127.0.0.5");
    EXPECT_EQ(o.tcp[0].port, 0);
    EXPECT_EQ(o.tcp[0].model, "HT-740");
    EXPECT_EQ(o.com[0].number, 3);
    EXPECT_EQ(o.lpt[0].model, "KP-740");
    ASSERT_EQ(o.usb.size(), 2u);
    EXPECT_EQ(o.usb[0].vid, "7A3E");
    EXPECT_EQ(o.usb[0].pid, "5C19");
    EXPECT_EQ(o.usb[1].model, "HT-750");
}

TEST(SimOptions, AllAndNoTcp) {
    SimOptions all = Parse({"--all"});
    EXPECT_EQ(all.tcp.size(), 1u);
    EXPECT_EQ(all.com.size(), 1u);
    EXPECT_EQ(all.lpt.size(), 1u);
    EXPECT_EQ(all.usb.size(), 2u);
    EXPECT_TRUE(Parse({"--all", "--no-tcp"}).tcp.empty());
    EXPECT_EQ(Parse({"--all", "--tcp", "0"}).tcp.size(), 1u);
}

TEST(SimOptions, FaultsAndReplies) {
    SimOptions o = Parse({"--close-after", "10", "--read-limit", "0", "--reply-delay", "250",
                          "--reply", "06", "--reply", "1B 0D 53=0x11,22"});
    EXPECT_EQ(o.faults.closeAfter, 10);
    EXPECT_EQ(o.faults.readLimit, 0);
    EXPECT_EQ(o.faults.replyDelayMs, 250);
    EXPECT_EQ(o.faults.vanishAfter, -1);
    EXPECT_EQ(Parse({"--vanish-after", "9"}).faults.vanishAfter, 9);
    ASSERT_EQ(o.canned.size(), 2u);
    EXPECT_TRUE(o.canned[0].request.empty());
    EXPECT_EQ(o.canned[1].request, (std::vector<uint8_t>{0x1B, 0x0D, 0x53}));
    EXPECT_EQ(o.canned[1].reply, (std::vector<uint8_t>{0x11, 0x22}));
}

TEST(SimOptions, GadgetAndSlowPrinter) {
    SimOptions o = Parse({"--gadget", "/dev/g_printer0=HT-740", "--gadget", "/dev/g_printer1",
                          "--gadget-status", "38", "--slow-read", "1024:20"});
    ASSERT_EQ(o.gadget.size(), 2u);
    EXPECT_EQ(o.gadget[0].path, "/dev/g_printer0");
    EXPECT_EQ(o.gadget[0].model, "HT-740");
    EXPECT_EQ(o.gadget[1].model, "");
    EXPECT_EQ(o.gadgetStatus, 0x38);
    EXPECT_EQ(o.faults.slowReadBytes, 1024);
    EXPECT_EQ(o.faults.slowReadMs, 20);
    EXPECT_EQ(Parse({}).gadgetStatus, -1);
}

TEST(SimOptions, BadCommandLinesAreRefused) {
    const std::vector<std::vector<std::string>> bad = {
        {"--tcp"},
        {"--tcp", "70000"},
        {"--tcp", "x:y"},
        {"--com", "0"},
        {"--lpt", "abc"},
        {"--usb", "7A3E"},
        {"--usb", "7A3E:5C1"},
        {"--usb", "GGGG:0000"},
        {"--reply", "0"},
        {"--reply", "=06"},
        {"--reply", "zz"},
        {"--read-limit", "-1"},
        {"--gadget", "=KP-520"},
        {"--gadget-status", "138"},
        {"--gadget-status", "x"},
        {"--slow-read", "1024"},
        {"--slow-read", "0:20"},
        {"--slow-read", "1024:0"},
        {"--frobnicate"},
        {"--replies", "/nonexistent/file"},
    };
    for (const auto& args : bad) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CannedDevice, AnswersRequestsSplitAcrossChunksOncePerRequest) {
    std::vector<CannedRule> rules(2);
    ASSERT_TRUE(ParseHexBytes("1B0D53", rules[0].request));
    ASSERT_TRUE(ParseHexBytes("AA", rules[0].reply));
    ASSERT_TRUE(ParseHexBytes("1045", rules[1].request));
    ASSERT_TRUE(ParseHexBytes("BB", rules[1].reply));
    CannedDevice d(rules, nullptr);
    Reply r1, r2, r3;
    const uint8_t a[] = {0x00, 0x1B, 0x0D}, b[] = {0x53, 0x10, 0x45, 0x1B, 0x0D, 0x53},
                  c[] = {0x01};
    d.OnBytes(a, sizeof a, r1);
    EXPECT_TRUE(r1.bytes.empty());
    d.OnBytes(b, sizeof b, r2);
    EXPECT_EQ(r2.bytes, (std::vector<uint8_t>{0xAA, 0xBB, 0xAA}));
    d.OnBytes(c, sizeof c, r3);
    EXPECT_TRUE(r3.bytes.empty());
}

TEST(CannedDevice, UnansweredBytesGoToThePrinterBehind) {
    std::vector<CannedRule> rules(1);
    rules[0].request = {0x01};
    rules[0].reply = {0x02};
    CannedDevice d(rules, std::make_unique<EchoDevice>());
    Reply r;
    const uint8_t x[] = {0x41, 0x42};
    d.OnBytes(x, sizeof x, r);
    EXPECT_EQ(r.bytes, (std::vector<uint8_t>{0x41, 0x42}));
}

TEST(CannedRules, FileWithCommentsAndLineNumbersInErrors) {
    char path[] = "/tmp/printune-replies-XXXXXX";
    close(mkstemp(path));
    std::ofstream(path) << "# settings read\n1B 0D 53 = 06 01\n\n   \n10 04 01=12 # status\n";
    std::vector<CannedRule> rules;
    std::string error;
    ASSERT_TRUE(LoadCannedRules(path, rules, error)) << error;
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1].reply, std::vector<uint8_t>{0x12});
    std::ofstream(path) << "06\nnot hex\n";
    rules.clear();
    EXPECT_FALSE(LoadCannedRules(path, rules, error));
    EXPECT_NE(error.find(":2:"), std::string::npos) << error;
    unlink(path);
}

TEST(Description, QuotesValuesForTheShellAndParsesBack) {
    Description d;
    d.Add("PRINTUNE_DEVICE_DIR", "/tmp/it's here");
    d.AddEndpoint("usb0", {{"PID", "5C19"}});
    d.AddEndpoint("tcp", {{"PORT", "9100"}});
    EXPECT_EQ(d.Text(), "PRINTUNE_DEVICE_DIR='/tmp/it'\\''s here'\n"
                        "SIM_ENDPOINTS='usb0 tcp'\n"
                        "SIM_USB0_PID='5C19'\n"
                        "SIM_TCP_PORT='9100'\n");
}

} // namespace
