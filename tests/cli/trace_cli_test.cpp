// The communication trace of a run (--trace), its table (trace show) and its
// replay by the simulator (--replay).
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include <cstdio>
#include <cstdlib>

#include <sys/socket.h>
#include <unistd.h>

#include "base/sha256.h"
#include "cli_fixture.h"
#include "support/free_port.h"

using namespace printune_test;

namespace {

std::vector<JsonDoc> Events(const std::string& text) {
    std::vector<JsonDoc> events;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        JsonDoc e = ParseDocument(line);
        EXPECT_TRUE(e.is_object()) << line;
        events.push_back(e);
    }
    return events;
}

std::vector<std::string> Kinds(const std::vector<JsonDoc>& events) {
    std::vector<std::string> kinds;
    for (const JsonDoc& e : events)
        kinds.push_back(e["event"]);
    return kinds;
}

// Whether the simulator's log says `text` once it has had a moment to report.
bool SimLogSays(const SimProcess& sim, const std::string& text) {
    for (int i = 0; i < 50; ++i) {
        if (sim.Log().find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

const std::vector<std::string> kExchange = {"open", "write", "read", "close"};
const std::string kGetSettingsHex = "1b0d531b33001b1045";

class TraceCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--com", "1", "--usb", "7A3E:5C19"}); }

    // The events of a traced label get over the given port.
    std::vector<JsonDoc> TracedLabelGet(const std::string& port) {
        const CliResult r = Run({port, "--model", "KP-520", "--trace", "t.jsonl", "label", "get"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return Events(ReadFile("t.jsonl"));
    }
};

TEST_F(TraceCli, LabelGetOverEachTransportShowsOpenRequestDecodedReplyClose) {
    struct Case {
        std::string port, transport, endpointPart;
    };
    const std::vector<Case> cases = {
        {Lan(), "lan", "127.0.0.1:" + std::to_string(sim_->TcpPort())},
        {"--port=usb", "usb", "7A3E:5C19"},
        {"--port=com:COM1", "com", "COM1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.transport);
        const std::vector<JsonDoc> events = TracedLabelGet(c.port);
        ASSERT_EQ(Kinds(events), kExchange);
        for (const JsonDoc& e : events) {
            EXPECT_EQ(e["transport"], c.transport);
            EXPECT_NE(e["endpoint"].get<std::string>().find(c.endpointPart), std::string::npos)
                << e.dump();
            EXPECT_TRUE(e["t"].is_number_integer());
        }
        EXPECT_EQ(events[1]["dir"], "out");
        EXPECT_EQ(events[1]["hex"], kGetSettingsHex);
        EXPECT_EQ(events[1]["meaning"], "get printer settings");
        EXPECT_EQ(events[2]["dir"], "in");
        EXPECT_EQ(events[2]["meaning"].get<std::string>().rfind("printer settings: page-mode=", 0),
                  0u)
            << events[2].dump();
        EXPECT_LE(events[0]["t"].get<int64_t>(), events[3]["t"].get<int64_t>());
    }
}

TEST_F(TraceCli, SetRequestIsNamedWithItsSettings) {
    const CliResult r =
        Run({Lan(), "--trace", "t.jsonl", "label", "set", "print-speed=3", "cut-mode=On"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<JsonDoc> events = Events(ReadFile("t.jsonl"));
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[1]["meaning"], "set: print-speed=3, cut-mode=1");
}

TEST_F(TraceCli, ShowPrintsAnAlignedTableInTheRunsLanguage) {
    TracedLabelGet(Lan());
    const CliResult en = Run({"trace", "show", "t.jsonl"});
    ASSERT_EQ(en.exitCode, 0) << en.err;
    EXPECT_NE(en.out.find("meaning"), std::string::npos);
    EXPECT_NE(en.out.find("1b 0d 53 1b 33 00 1b 10 45"), std::string::npos) << en.out;
    EXPECT_NE(en.out.find("..S.3...E"), std::string::npos) << en.out;
    EXPECT_NE(en.out.find("get printer settings"), std::string::npos);
    // The hex column starts at the same place on every line that has one.
    std::istringstream lines(en.out);
    std::string line;
    size_t column = std::string::npos;
    while (std::getline(lines, line)) {
        const size_t at = line.find("1b 0d 53");
        if (at == std::string::npos)
            continue;
        if (column == std::string::npos)
            column = at;
        EXPECT_EQ(at, column) << line;
    }
    const CliResult zh = Run({"--lang", "zh", "trace", "show", "t.jsonl"});
    EXPECT_NE(zh.out.find("含义"), std::string::npos) << zh.out;
    EXPECT_NE(zh.out.find("发送"), std::string::npos) << zh.out;
    EXPECT_EQ(Run({"trace", "show", "missing.jsonl"}).exitCode, 5);
}

TEST_F(TraceCli, AnUnwritableTraceFileFailsBeforeAnythingIsSent) {
    const CliResult r = Run({Lan(), "--trace", "no/such/dir/t.jsonl", "label", "get"});
    EXPECT_EQ(r.exitCode, 5) << r.err;
    EXPECT_TRUE(NothingReceived("tcp"));
}

class SilentTraceCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--model", "silent"}); }
};

TEST_F(SilentTraceCli, ATimeOutIsRecorded) {
    const CliResult r = Run({Lan(), "--model", "KP-520", "--trace", "t.jsonl", "label", "get"});
    EXPECT_EQ(r.exitCode, 4) << r.err;
    const std::vector<JsonDoc> events = Events(ReadFile("t.jsonl"));
    EXPECT_EQ(Kinds(events), (std::vector<std::string>{"open", "write", "timeout", "close"}));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2]["meaning"], "no reply within 3000 ms");
}

class FirmwareTraceCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--model", "KP-520"}); }
};

TEST_F(FirmwareTraceCli, UpdateRecordsEveryBlockByLengthAndDigest) {
    std::string file(50000, '\0');
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<char>(i * 131 + 3);
    WriteFile("kp.bin", file);
    const CliResult r = Run({Lan(), "--model", "KP-520", "--trace", "t.jsonl", "update", "kp.bin",
                             "--download-mode", "--wait", "0", "--no-progress"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int blocks = 0;
    bool downloadMode = false;
    for (const JsonDoc& e : Events(ReadFile("t.jsonl"))) {
        if (e["event"] != "write")
            continue;
        const std::string meaning = e.value("meaning", std::string());
        downloadMode = downloadMode || meaning == "download mode";
        if (meaning.rfind("firmware block", 0) != 0)
            continue;
        ++blocks;
        EXPECT_EQ(meaning, "firmware block " + std::to_string(blocks) + " of 100");
        EXPECT_EQ(e["len"], 500);
        EXPECT_FALSE(e.contains("hex")) << "hash mode keeps no bytes";
        const auto* at = reinterpret_cast<const uint8_t*>(file.data()) + (blocks - 1) * 500;
        EXPECT_EQ(e["sha256"], printune::Sha256Hex(at, 500));
    }
    EXPECT_EQ(blocks, 100);
    EXPECT_TRUE(downloadMode);

    // --trace-full keeps the bytes as well.
    const CliResult full =
        Run({Lan(), "--model", "KP-520", "--trace", "f.jsonl", "--trace-full", "update", "kp.bin",
             "--download-mode", "--wait", "0", "--no-progress"});
    ASSERT_EQ(full.exitCode, 0) << full.err;
    bool sawBytes = false;
    for (const JsonDoc& e : Events(ReadFile("f.jsonl")))
        if (e.value("meaning", std::string()) == "firmware block 1 of 100") {
            sawBytes = true;
            EXPECT_EQ(e["hex"].get<std::string>().size(), 1000u);
            EXPECT_TRUE(e.contains("sha256"));
        }
    EXPECT_TRUE(sawBytes);
}

// A recording made against one simulator is played by another, on each
// kind of endpoint: TCP, a serial and a parallel pty, a simulated USB
// printer in its usbmisc tree.
const std::vector<std::string> kSimEndpoints = {"--tcp", "0", "--com", "1",
                                                "--lpt", "1", "--usb", "7A3E:5C19"};

class ReplayCli : public CliSim {
protected:
    void SetUp() override { Start(kSimEndpoints); }

    // Records the run over the endpoint, then points the fixture at a
    // simulator replaying it.
    void RecordThenReplay(const std::vector<std::string>& command, const std::string& endpoint) {
        recorded_ = Run(Args(endpoint, command, {"--trace", "t.jsonl"}));
        ASSERT_EQ(recorded_.exitCode, 0) << recorded_.err;
        // The replaying simulator reads the recording as it starts, and
        // the commands run in its own directory: the files they read move
        // along.
        trace_ = ReadFile("t.jsonl");
        std::vector<std::pair<std::string, std::string>> files;
        for (const std::string name : {"a.bin", "b.bin"})
            if (Exists(name))
                files.emplace_back(name, ReadFile(name));
        std::vector<std::string> args = kSimEndpoints;
        args.insert(args.end(), {"--replay", sim_->Dir() + "/t.jsonl"});
        Start(args);
        for (const auto& [name, text] : files)
            WriteFile(name, text);
    }
    CliResult RunOn(const std::string& endpoint, const std::vector<std::string>& command) const {
        return Run(Args(endpoint, command, {}));
    }
    std::vector<std::string> Args(const std::string& endpoint,
                                  const std::vector<std::string>& command,
                                  const std::vector<std::string>& extra) const {
        std::vector<std::string> args = {PortOf(endpoint), "--model", "KP-520"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), command.begin(), command.end());
        return args;
    }
    std::string PortOf(const std::string& endpoint) const {
        if (endpoint == "tcp")
            return Lan();
        if (endpoint == "usb")
            return "--port=usb";
        return (endpoint == "COM1" ? "--port=com:" : "--port=lpt:") + endpoint;
    }
    bool Exists(const std::string& name) const {
        return ::access((sim_->Dir() + "/" + name).c_str(), F_OK) == 0;
    }
    bool LogSays(const std::string& text) const { return SimLogSays(*sim_, text); }
    // A firmware image of the given size and seed.
    void WriteImage(const std::string& name, size_t size, int seed) {
        std::string file(size, '\0');
        for (size_t i = 0; i < file.size(); ++i)
            file[i] = static_cast<char>(i * 131 + static_cast<size_t>(seed));
        WriteFile(name, file);
    }
    CliResult recorded_;
    std::string trace_;
};

const std::vector<std::string> kReplayEndpoints = {"tcp", "COM1", "LPT1", "usb"};

TEST_F(ReplayCli, EachRecordedOperationReplaysToTheSameResult) {
    const std::vector<std::vector<std::string>> operations = {
        {"label", "get"},
        {"label", "set", "print-speed=3", "--verify"},
        {"label", "info"},
    };
    for (const std::string& endpoint : kReplayEndpoints)
        for (const auto& op : operations) {
            SCOPED_TRACE(endpoint + " " + op[1]);
            Start(kSimEndpoints);
            RecordThenReplay(op, endpoint);
            const CliResult replayed = RunOn(endpoint, op);
            EXPECT_EQ(replayed.exitCode, 0) << replayed.err << sim_->Log();
            EXPECT_EQ(replayed.out, recorded_.out);
            EXPECT_EQ(sim_->Log().find("differs"), std::string::npos) << sim_->Log();
        }
}

TEST_F(ReplayCli, AFirmwareUpdateReplaysBlockByBlockByDigest) {
    const std::vector<std::string> update = {"update", "a.bin", "--download-mode",
                                             "--wait", "0",     "--no-progress"};
    for (const std::string endpoint : {"tcp", "usb"}) {
        SCOPED_TRACE(endpoint);
        Start(kSimEndpoints);
        WriteImage("a.bin", 50000, 3);
        RecordThenReplay(update, endpoint);
        EXPECT_NE(trace_.find("\"sha256\""), std::string::npos) << "blocks kept by digest";
        const CliResult replayed = RunOn(endpoint, update);
        EXPECT_EQ(replayed.exitCode, 0) << replayed.err << sim_->Log();
        EXPECT_EQ(replayed.out, recorded_.out);
        EXPECT_EQ(sim_->Log().find("differs"), std::string::npos) << sim_->Log();

        // Another image of the same size differs in its first block.
        Start(kSimEndpoints);
        WriteImage("a.bin", 50000, 3);
        RecordThenReplay(update, endpoint);
        WriteImage("b.bin", 50000, 4);
        std::vector<std::string> other = update;
        other[1] = "b.bin";
        (void)RunOn(endpoint, other);
        EXPECT_TRUE(LogSays("differs from the recording")) << sim_->Log();
    }
}

TEST_F(ReplayCli, AChangedRequestIsReportedOnEveryKindOfEndpoint) {
    for (const std::string& endpoint : kReplayEndpoints) {
        SCOPED_TRACE(endpoint);
        Start(kSimEndpoints);
        RecordThenReplay({"label", "set", "print-speed=3"}, endpoint);
        const CliResult changed = RunOn(endpoint, {"label", "set", "print-speed=4"});
        EXPECT_EQ(changed.exitCode, 0) << changed.err; // a set expects no reply
        EXPECT_TRUE(LogSays("replay: request 1 differs from the recording")) << sim_->Log();
    }
}

// The network search and configuration protocols: a recording made against
// simulated network printers on a loopback address is replayed on the
// same address and ports once they are gone.
// The trace with the bytes of every reply longer than 256 bytes removed,
// as a digest-only recording of it would be.
std::string DropLongReplyBytes(const std::string& trace) {
    std::string out;
    size_t start = 0;
    while (start < trace.size()) {
        size_t end = trace.find('\n', start);
        end = end == std::string::npos ? trace.size() : end + 1;
        std::string line = trace.substr(start, end - start);
        const size_t hex = line.find("\"hex\":\"");
        if (line.find("\"dir\":\"in\"") != std::string::npos && hex != std::string::npos) {
            const size_t close = line.find('"', hex + 7);
            if (close != std::string::npos && close - (hex + 7) > 2 * 256)
                line.erase(hex, close + 2 - hex); // the member and its comma
        }
        out += line;
        start = end;
    }
    return out;
}

class UdpReplayCli : public CliSim {
protected:
    void SetUp() override {
        replyPort_ = std::to_string(FreeLoopbackPort(SOCK_DGRAM));
        Start({"--no-tcp", "--net-label", "2", "--net-ht", "2", "--net-bind", kAddress,
               "--netcfg-port", "0", "--htnet-port", "0", "--netcfg-reply-port", replyPort_});
        labelDest_ = "--dest=" + std::string(kAddress) + ":" + sim_->Field("netcfg", "PORT");
        htDest_ = "--dest=" + std::string(kAddress) + ":" + sim_->Field("htnet", "PORT");
        char name[] = "/tmp/printune-udp-replay-XXXXXX";
        const int fd = ::mkstemp(name);
        ASSERT_GE(fd, 0);
        ::close(fd);
        tracePath_ = name;
    }
    void TearDown() override { std::remove(tracePath_.c_str()); }

    std::vector<std::string> Label(std::vector<std::string> args) const {
        args.insert(args.end(), {labelDest_, "--bind=127.0.0.1:" + replyPort_});
        return args;
    }
    std::vector<std::string> Ht(std::vector<std::string> args) const {
        args.insert(args.end(), {htDest_, "--bind=127.0.0.1:0"});
        return args;
    }
    // Runs each command with a trace, then stops the printers and starts a
    // simulator replaying all the traces; returns the recorded runs.
    // Replies longer than a trace keeps inline need --trace-full.
    std::vector<CliResult> RecordThenReplay(const std::vector<std::vector<std::string>>& commands,
                                            bool full = true, bool dropLongReplies = false) {
        std::vector<CliResult> recorded;
        std::string trace;
        for (const auto& command : commands) {
            std::vector<std::string> args = {"--trace", "t.jsonl"};
            if (full)
                args.push_back("--trace-full");
            args.insert(args.end(), command.begin(), command.end());
            recorded.push_back(Run(args));
            EXPECT_EQ(recorded.back().exitCode, 0) << recorded.back().err;
            trace += ReadFile("t.jsonl");
        }
        if (dropLongReplies)
            trace = DropLongReplyBytes(trace);
        EXPECT_NE(trace.find("\"transport\":\"udp\""), std::string::npos);
        std::ofstream(tracePath_, std::ios::binary) << trace;
        // The replay takes over the printers' ports.
        sim_->Stop();
        Start({"--no-tcp", "--replay", tracePath_});
        return recorded;
    }
    bool LogSays(const std::string& text) const { return SimLogSays(*sim_, text); }

    static constexpr const char* kAddress = "127.0.0.6";
    std::string replyPort_, labelDest_, htDest_, tracePath_;
};

TEST_F(UdpReplayCli, SearchesOfBothFamiliesFindTheRecordedPrinters) {
    const std::vector<std::vector<std::string>> searches = {Label({"--json", "net", "search"}),
                                                            Ht({"--json", "ht", "search"})};
    const std::vector<CliResult> recorded = RecordThenReplay(searches);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(Json(recorded[0])["devices"].size(), 2u) << recorded[0].out;
    EXPECT_EQ(Json(recorded[1])["devices"].size(), 2u) << recorded[1].out;
    // Both printer ports are played, on the address they were recorded on.
    EXPECT_EQ(sim_->Field("udp" + labelDest_.substr(labelDest_.rfind(':') + 1), "ADDRESS"),
              kAddress);
    for (size_t i = 0; i < searches.size(); ++i) {
        const CliResult replayed = Run(searches[i]);
        EXPECT_EQ(replayed.exitCode, 0) << replayed.err << sim_->Log();
        EXPECT_EQ(replayed.out, recorded[i].out);
    }
    EXPECT_EQ(sim_->Log().find("replay:"), std::string::npos) << sim_->Log();
    // A search the recording does not hold finds nobody, and is reported.
    EXPECT_EQ(Run(searches[1]).exitCode, 6);
    EXPECT_TRUE(LogSays("after the end of the recording")) << sim_->Log();
}

TEST_F(UdpReplayCli, AnHtConfigurationChangeReplaysStepByStep) {
    // Query, then each block with its apply, each acknowledged.
    const std::vector<std::string> set =
        Ht({"--json", "ht", "set", "00:11:22:33:44:55", "port=9200"});
    const std::vector<CliResult> recorded = RecordThenReplay({set});
    const CliResult replayed = Run(set);
    EXPECT_EQ(replayed.exitCode, 0) << replayed.err << sim_->Log();
    EXPECT_EQ(replayed.out, recorded[0].out);
    EXPECT_EQ(sim_->Log().find("replay:"), std::string::npos) << sim_->Log();
}

TEST_F(UdpReplayCli, AChangedConfigurationSetIsReported) {
    RecordThenReplay(
        {Label({"net", "set", "00A0C1000001", "KP5200000001", "port=9101", "--no-confirm"}),
         Ht({"ht", "set", "00:11:22:33:44:55", "port=9200"})});
    (void)Run(Label({"net", "set", "00A0C1000001", "KP5200000001", "port=9102", "--no-confirm"}));
    EXPECT_TRUE(LogSays("on udp port " + labelDest_.substr(labelDest_.rfind(':') + 1) +
                        " differs from the recording"))
        << sim_->Log();
    // The changed block goes unacknowledged: the set fails.
    const CliResult ht = Run(Ht({"ht", "set", "00:11:22:33:44:55", "port=9201"}));
    EXPECT_NE(ht.exitCode, 0) << ht.out;
    EXPECT_TRUE(LogSays("on udp port " + htDest_.substr(htDest_.rfind(':') + 1) +
                        " differs from the recording"))
        << sim_->Log();
}

TEST_F(UdpReplayCli, APlainTraceKeepsRepliesWholeSoTheyReplay) {
    // A label query's reply (289 bytes) is longer than a sent payload a
    // plain trace keeps; replies are kept whole all the same.
    const std::vector<std::string> query = Label({"net", "query", "00A0C1000001", "KP5200000001"});
    const std::vector<CliResult> recorded = RecordThenReplay({query}, false);
    ASSERT_EQ(recorded.size(), 1u);
    const CliResult replayed = Run(query);
    EXPECT_EQ(replayed.exitCode, 0) << replayed.err << sim_->Log();
    EXPECT_EQ(replayed.out, recorded[0].out);
}

TEST_F(UdpReplayCli, AReplyKeptByDigestOnlyIsReportedNotLeftUnexplained) {
    // Written by another tool, or by hand: the reply has lost its bytes.
    const std::vector<std::string> query = Label({"net", "query", "00A0C1000001", "KP5200000001"});
    RecordThenReplay({query}, false, true);
    EXPECT_NE(Run(query).exitCode, 0);
    EXPECT_TRUE(LogSays("recorded by length and digest only (record with --trace-full)"))
        << sim_->Log();
}

} // namespace
