// Options, help, exit codes and failures that need no printer at all.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cli_fixture.h"
#include "support/free_port.h"

using namespace printune_test;

namespace {

int ClosedTcpPort() {
    return FreeLoopbackPort();
}

TEST(UsageCli, HelpListsEveryGroupAndTheExitCodes) {
    const CliResult r = RunCli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* s : {"label get", "receipt restore", "send hex", "update", "net search",
                          "ht set", "test chinese", "wifi set", "bt get", "netparam", "connect",
                          "serial-config", "Exit codes", "8000"})
        EXPECT_NE(r.out.find(s), std::string::npos) << s;
    const CliResult zh = RunCli({"--lang", "zh", "--help"});
    EXPECT_NE(zh.out.find("退出码"), std::string::npos);
    const CliResult one = RunCli({"label", "set", "--help"});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_NE(one.out.find("home-offset"), std::string::npos) << one.out;
}

TEST(UsageCli, UsageErrorsExitWithTwo) {
    EXPECT_EQ(RunCli({}).exitCode, 2);
    EXPECT_EQ(RunCli({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunCli({"label", "frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunCli({"--no-such-option", "show"}).exitCode, 2);
    EXPECT_EQ(RunCli({"show", "--no-such-option"}).exitCode, 2);
    EXPECT_EQ(RunCli({"label", "set"}).exitCode, 2);              // NAME=VALUE or --none
    EXPECT_EQ(RunCli({"label", "set", "page-mode"}).exitCode, 2); // no '='
    EXPECT_EQ(RunCli({"--port", "serial", "show"}).exitCode, 2);
    const CliResult r = RunCli({"--json", "frobnicate"});
    JsonDoc doc = ParseDocument(r.out);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    EXPECT_EQ(doc["ok"], false);
    EXPECT_EQ(doc["error"]["kind"], "usage");
}

// Whatever bytes a message quotes, the document parses and keeps them: control
// characters escaped, invalid UTF-8 as U+FFFD, valid UTF-8 as it is.
TEST(UsageCli, DocumentsQuoteAnyBytes) {
    const CliResult r = RunCli({"--json", "--port", "com:C\x01\x7F\xFF\xC3\xA9\"\\", "show"});
    EXPECT_EQ(r.exitCode, 5);
    JsonDoc doc = ParseDocument(r.out);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    EXPECT_NE(doc["error"]["message"].get<std::string>().find("C\x01\x7F\xEF\xBF\xBD\xC3\xA9\"\\"),
              std::string::npos)
        << r.out;
}

TEST(UsageCli, BadConnectionValuesAreInvalidInput) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--baud", "12345", "show"},
          {"--parity", "Mark", "show"},
          {"--data-bits", "9", "show"},
          {"--stop-bits", "3", "show"},
          {"--flow", "RTS", "show"},
          {"--model", "KP-999", "show"},
          {"--port", "lan:300.1.1.1", "show"},
          {"--port", "lan:127.0.0.1:70000", "show"},
          {"--port", "com:ttyS0", "show"}})
        EXPECT_EQ(RunCli(args).exitCode, 5) << args[1];
}

TEST(UsageCli, BadHexIsRefusedBeforeThePortIsOpened) {
    // No printer behind the address: the check must come first.
    const std::string port = "--port=lan:127.0.0.1:" + std::to_string(ClosedTcpPort());
    CliResult r = RunCli({port, "send", "hex", "1B 4G"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_NE(r.err.find("Data entered is not hexadecimal data!"), std::string::npos) << r.err;
    r = RunCli({port, "--lang", "zh", "send", "hex", "1B 4G"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err.find("Data entered"), std::string::npos) << r.err;
}

TEST(UsageCli, RefusedTcpConnectionIsPortFailure8000) {
    const std::string port = "--port=lan:127.0.0.1:" + std::to_string(ClosedTcpPort());
    CliResult r = RunCli({port, "label", "get"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("Lan connect fail. Please ensure the wire is connecting and the IP is "
                         "valid. (8000)"),
              std::string::npos)
        << r.err;

    r = RunCli({port, "--json", "send", "hex", "1B 40"});
    EXPECT_EQ(r.exitCode, 3);
    JsonDoc doc = ParseDocument(r.out);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    EXPECT_EQ(doc["error"]["kind"], "port");
    EXPECT_EQ(doc["error"]["code"], 8000);
    EXPECT_EQ(doc["exit"], 3);

    r = RunCli({port, "--lang", "zh", "label", "get"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("(8000)"), std::string::npos);
    EXPECT_EQ(r.err.find("Lan connect fail"), std::string::npos) << "message not in Chinese";
}

} // namespace
