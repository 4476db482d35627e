// Every engine operation against every fault a printer, a port or a file can
// show: each must end with its standard message (and remedy line), the port
// closed and the USB filter as it was; a thousand failures in one process
// leave no descriptor or thread behind. Each row prints one line
// ("fault-matrix: fault | operation | outcome"); each test ends with a
// "fault-matrix: tried N survived M" line that scripts/reliability adds up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fault_matrix.h"
#include "port/port_test_util.h"
#include "port/usb_filter.h"
#include "support/free_port.h"
#include "support/process_counts.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;
namespace fs = std::filesystem;

namespace {

// What a fault may end in for one kind of operation: "ok" or a message.
constexpr const char* kOk = "ok";
using Allowed = std::set<std::string>;

struct Tally {
    int tried = 0;
    int survived = 0;
    ~Tally() { std::printf("fault-matrix: tried %d survived %d\n", tried, survived); }
};

// A scratch directory with the files the file faults need.
class Files {
public:
    Files() : dir_(fs::temp_directory_path() / ("printune-faults-" + std::to_string(::getpid()))) {
        fs::create_directories(dir_);
        fs::permissions(dir_, fs::perms::all); // the unprivileged child must reach in
        Write("fine.bin", std::string(2000, 'P'));
        Write("kp.bin", std::string(5000, 'k'));
        Write("testPrint.vt", "1B 40 0A");
        Write("empty.bin", "");
        Write("empty.vt", "");
        // Sparse: far above every bound, yet nothing on disk.
        for (const char* name : {"huge.bin", "huge.vt"}) {
            std::ofstream(Path(name)).close();
            fs::resize_file(Path(name), 3LL << 30);
        }
        ::mkfifo(Path("fifo.bin").c_str(), 0666);
        fs::create_directories(Path("dir.bin"));
        Write("locked.bin", std::string(100, 'L'));
        fs::permissions(Path("locked.bin"), fs::perms::none);
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

private:
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    fs::path dir_;
};

// A simulator with a label and a receipt printer on TCP and on two serial
// ports, with the given faults.
std::unique_ptr<SimProcess> StartSim(std::vector<std::string> faults) {
    std::vector<std::string> args = {"--tcp", "127.0.0.1:0=KP-520", "--tcp", "127.0.0.1:0=HT-740",
                                     "--com", "1=KP-520",           "--com", "2=HT-740"};
    args.insert(args.end(), faults.begin(), faults.end());
    auto sim = std::make_unique<SimProcess>(args);
    sim->ExportEnvironment();
    return sim;
}

// The settings copy an operation runs with, made current as the pages do.
PortSettings SettingsFor(const Operation& op, int32_t portType, const SimProcess* sim,
                         int tcpPort = 0) {
    PortSettings s;
    s.printerModel = op.receipt ? "HT-740" : "KP-520";
    s.portType = portType;
    s.comPortName = op.receipt ? "COM2" : "COM1";
    s.ipAddr = "127.0.0.1";
    s.listenPort = tcpPort != 0 ? tcpPort : sim ? sim->TcpPort(op.receipt ? "tcp2" : "tcp") : 9;
    SetCurrentPortSettings(s);
    return s;
}

// Whether the operation applies to a row on this port type.
bool Applies(const Operation& op, int32_t portType) {
    return !op.comOnly || portType == PORT_COM;
}

std::string Shown(const OpOutcome& o) {
    if (o.ok && o.message.empty())
        return kOk;
    return o.message.empty() ? "(nothing shown)" : o.message;
}

// Runs one row, prints it and checks what every row must hold.
struct RowCheck {
    Tally& tally;
    UsbFilter filter; // as it must be after every row

    void operator()(const std::string& fault, const Operation& op, CPrinterPort& port,
                    const OpOutcome& o, const Allowed& allowed, const std::string& hint = {}) {
        ++tally.tried;
        const std::string shown = Shown(o);
        std::printf("fault-matrix: %s | %s | %s%s%s\n", fault.c_str(), op.name, shown.c_str(),
                    o.hint.empty() ? "" : " / ", o.hint.c_str());
        const bool messageOk = allowed.count(shown) > 0;
        const bool hintOk = hint.empty() || o.hint.find(hint) != std::string::npos;
        const bool closed = PortClosed(port);
        const bool filterOk = CurrentUsbFilter() == filter;
        EXPECT_TRUE(messageOk) << fault << " / " << op.name << ": " << shown;
        EXPECT_TRUE(hintOk) << fault << " / " << op.name << ": hint '" << o.hint << "'";
        EXPECT_TRUE(closed) << fault << " / " << op.name << ": port left open";
        EXPECT_TRUE(filterOk) << fault << " / " << op.name << ": USB filter changed";
        tally.survived += messageOk && hintOk && closed && filterOk;
    }
};

OpOutcome RunOp(const Operation& op, CPrinterPort& port, const PortSettings& s,
                const std::string& file = {}) {
    OpContext c{port, s, file};
    return op.run(c);
}

// What a reply fault does by kind of operation. One-way commands never
// notice a printer that does not answer.
Allowed ReplyFaultAllows(const Operation& op, const Allowed& forReplies) {
    return op.kind == OpKind::Reply ? forReplies : Allowed{kOk};
}

class FaultMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        SetUsbFilter({"7A3E", "5C19", 1});
        check_.filter = CurrentUsbFilter();
    }

    // Every operation on one transport of a simulator started with faults.
    void ReplyFaultRows(const std::string& fault, std::vector<std::string> simArgs,
                        const Allowed& forReplies,
                        const std::function<Allowed(const Operation&)>& special = {}) {
        auto sim = StartSim(std::move(simArgs));
        for (const Operation& op : Operations()) {
            if (!Applies(op, PORT_LAN))
                continue;
            CPrinterPort port;
            const PortSettings s = SettingsFor(op, PORT_LAN, sim.get());
            const std::string file = files_.Path(op.receipt          ? "testPrint.vt"
                                                 : op.name[0] == 'f' ? "kp.bin"
                                                                     : "fine.bin");
            const OpOutcome o = RunOp(op, port, s, file);
            Allowed allowed = special ? special(op) : Allowed{};
            if (allowed.empty())
                allowed = ReplyFaultAllows(op, forReplies);
            check_(fault, op, port, o, allowed);
        }
    }

    ScopedPortState state_;
    Files files_;
    Tally tally_;
    RowCheck check_{tally_, {}};
};

TEST_F(FaultMatrix, SilentPrinter) {
    ReplyFaultRows(
        "silent printer", {"--reply-fault", "silent"}, {kTimeout}, [](const Operation& op) {
            // The version box stays empty; nothing is shown.
            return std::string(op.name) == "firmware version" ? Allowed{"(nothing shown)"}
                                                              : Allowed{};
        });
}

TEST_F(FaultMatrix, LateReply) {
    ReplyFaultRows(
        "late reply", {"--reply-fault", "delay:3600"}, {kTimeout}, [](const Operation& op) {
            return std::string(op.name) == "firmware version" ? Allowed{"(nothing shown)"}
                                                              : Allowed{};
        });
}

TEST_F(FaultMatrix, ShortReply) {
    // A reply of known length that stops short is a failed read; a text
    // reply has no known length, so its first bytes are the text.
    ReplyFaultRows("short reply", {"--reply-fault", "short:3"}, {kReadFail},
                   [](const Operation& op) {
                       const std::string name = op.name;
                       if (name == "label serial" || name == "label version" ||
                           name == "label mileage" || name == "firmware version")
                           return Allowed{kOk};
                       return Allowed{};
                   });
}

TEST_F(FaultMatrix, GarbageReply) {
    // Garbage of the right length decodes to values (the printers' replies
    // carry no check); it must never crash or hang.
    ReplyFaultRows("garbage", {"--reply-fault", "garbage"}, {kOk, kReadFail});
}

TEST_F(FaultMatrix, ReplySplitInTwo) {
    // A reply in two pieces is still one reply.
    ReplyFaultRows("split reply", {"--reply-fault", "split:300"}, {kOk});
}

TEST_F(FaultMatrix, ConnectionDroppedAfterTwoBytes) {
    // The printer drops the connection with the request half read: the
    // unread rest resets it.
    ReplyFaultRows("dropped after 2 bytes", {"--close-after", "2"}, {kReadFail, kWriteFail},
                   [](const Operation& op) {
                       if (std::string(op.name) == "firmware version")
                           return Allowed{"(nothing shown)"};
                       // An image the printer's TCP stack acknowledged in
                       // full before its reset arrived counts as taken: an
                       // acknowledgement is all TCP tells the sender.
                       if (std::string(op.name) == "firmware update")
                           return Allowed{kWriteFail, kOk};
                       return op.kind == OpKind::Reply ? Allowed{} : Allowed{kWriteFail};
                   });
}

TEST_F(FaultMatrix, PrinterStopsReading) {
    // What fits the printer's buffer is taken; a file that does not fit
    // fails once the printer has taken nothing for the write grace.
    auto sim = StartSim({"--read-limit", "0"});
    for (const Operation& op : Operations()) {
        if (!Applies(op, PORT_LAN))
            continue;
        CPrinterPort port;
        port.writeGraceMs = 1500;
        const PortSettings s = SettingsFor(op, PORT_LAN, sim.get());
        if (std::string(op.name) == "send file") {
            // Sparse and far larger than any buffer: memory must not grow
            // with it either.
            check_("stops reading (3 GiB file)", op, port,
                   RunOp(op, port, s, files_.Path("huge.bin")), {kWriteFail});
            continue;
        }
        const std::string file = files_.Path(op.receipt          ? "testPrint.vt"
                                             : op.name[0] == 'f' ? "kp.bin"
                                                                 : "fine.bin");
        const OpOutcome o = RunOp(op, port, s, file);
        // The image (5000 bytes) does not fit the printer's 4 KiB buffer.
        Allowed allowed = op.kind == OpKind::Reply                    ? Allowed{kTimeout}
                          : std::string(op.name) == "firmware update" ? Allowed{kWriteFail}
                                                                      : Allowed{kOk};
        if (std::string(op.name) == "firmware version")
            allowed = {"(nothing shown)"};
        check_("stops reading", op, port, o, allowed);
    }
}

TEST_F(FaultMatrix, NodeVanishesMidOperation) {
    // A serial node whose printer goes away after the first two bytes of
    // the request, and a network printer switched off at the same moment. A
    // fresh simulator per row, so each operation meets the vanishing.
    for (int32_t type : {PORT_COM, PORT_LAN}) {
        const std::string fault =
            type == PORT_COM ? "serial node vanishes" : "network printer vanishes";
        for (const Operation& op : Operations()) {
            if (!Applies(op, type))
                continue;
            auto sim = StartSim({"--vanish-after", "2"});
            CPrinterPort port;
            port.writeGraceMs = 1500;
            const PortSettings s = SettingsFor(op, type, sim.get());
            const std::string file = files_.Path(op.receipt          ? "testPrint.vt"
                                                 : op.name[0] == 'f' ? "kp.bin"
                                                                     : "fine.bin");
            const OpOutcome o = RunOp(op, port, s, file);
            // A serial write is done once the driver holds the bytes: a
            // one-way command whose printer goes afterwards cannot tell (a
            // serial line has no acknowledgement). Over TCP the printer's
            // reset reaches the sender while it waits for the acknowledgement.
            // A read-back after the node went finds no device.
            Allowed allowed{kWriteFail, kReadFail, kTimeout, kInUse, "(nothing shown)"};
            if (type == PORT_COM && op.kind != OpKind::Reply)
                allowed.insert(kOk);
            check_(fault, op, port, o, allowed);
        }
    }
}

TEST_F(FaultMatrix, PortHeldByAnotherProcess) {
    auto sim = StartSim({});
    // Another process holds both serial ports the way this program does.
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        CPrinterPort a, b;
        a.portType = b.portType = PORT_COM;
        a.comName = "COM1";
        b.comName = "COM2";
        char c = 0;
        try {
            a.Open();
            b.Open();
            c = 1;
        } catch (...) {
        }
        (void)!::write(ready[1], &c, 1);
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 1);
    for (const Operation& op : Operations()) {
        if (op.kind == OpKind::File && std::string(op.name) != "send file")
            continue;
        CPrinterPort port;
        const PortSettings s = SettingsFor(op, PORT_COM, sim.get());
        check_("port held by another process", op, port,
               RunOp(op, port, s, files_.Path("fine.bin")),
               {kInUse, std::string(op.name) == "firmware version" ? "(nothing shown)" : kInUse});
    }
    ::close(release[1]);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
}

// Runs the operation in a child process with an unprivileged user (root
// passes every permission check); the child reports message and hint.
std::optional<OpOutcome> RunUnprivileged(const Operation& op, const PortSettings& s,
                                         const std::string& file) {
    int out[2];
    if (::pipe(out) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        ::close(out[0]);
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        CPrinterPort port;
        const OpOutcome o = RunOp(op, port, s, file);
        const std::string text = std::string(o.ok ? "1" : "0") + (PortClosed(port) ? "1" : "0") +
                                 o.message + '\n' + o.hint;
        (void)!::write(out[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.size() < 2 || text[1] != '1')
        return std::nullopt;
    OpOutcome o;
    o.ok = text[0] == '1';
    const size_t nl = text.find('\n');
    o.message = text.substr(2, nl - 2);
    o.hint = nl == std::string::npos ? "" : text.substr(nl + 1);
    return o;
}

TEST_F(FaultMatrix, DeviceWithoutPermission) {
    auto sim = StartSim({});
    // The nodes alone refuse the other user: the directories up to them
    // let anyone through.
    for (fs::path d = sim->DeviceDir(); d.string().size() > 1 && d != fs::temp_directory_path();
         d = d.parent_path())
        ::chmod(d.c_str(), 0755);
    for (const char* com : {"COM1", "COM2"})
        ASSERT_EQ(::chmod(sim->DevicePath(com).c_str(), 0600), 0);
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to run the operations as another user";
    for (const Operation& op : Operations()) {
        if (op.kind == OpKind::File && std::string(op.name) != "send file")
            continue;
        const PortSettings s = SettingsFor(op, PORT_COM, sim.get());
        std::optional<OpOutcome> o = RunUnprivileged(op, s, files_.Path("fine.bin"));
        ASSERT_TRUE(o) << op.name
                       << ": the unprivileged child did not report (or left its port open)";
        CPrinterPort unused; // the child's port was checked there
        const bool version = std::string(op.name) == "firmware version";
        check_("device without permission", op, unused, *o, {version ? "(nothing shown)" : kInUse},
               version ? "" : "dialout");
    }
}

TEST_F(FaultMatrix, NoSuchDeviceOrNoPrinterListening) {
    const uint16_t nobody = FreeLoopbackPort();
    auto sim = StartSim({});
    for (int32_t type : {PORT_COM, PORT_LAN}) {
        for (const Operation& op : Operations()) {
            if (!Applies(op, type) ||
                (op.kind == OpKind::File && std::string(op.name) != "send file"))
                continue;
            CPrinterPort port;
            PortSettings s = SettingsFor(op, type, sim.get(), nobody);
            s.comPortName = "COM9";
            SetCurrentPortSettings(s);
            const bool version = std::string(op.name) == "firmware version";
            check_(type == PORT_COM ? "no such serial node" : "no printer listening", op, port,
                   RunOp(op, port, s, files_.Path("fine.bin")),
                   {version            ? "(nothing shown)"
                    : type == PORT_COM ? kInUse
                                       : kLanFail});
        }
    }
}

// The file faults of the three operations that send a file the user names.
struct FileFault {
    const char* name;
    const char* binFile; // for send file and firmware update
    const char* vtFile;  // for the test data print
};
const FileFault kFileFaults[] = {
    {"empty file", "empty.bin", "empty.vt"},   {"huge file", "huge.bin", "huge.vt"},
    {"FIFO", "fifo.bin", "fifo.bin"},          {"directory", "dir.bin", "dir.bin"},
    {"device node", "/dev/null", "/dev/null"}, {"missing file", "missing.bin", "missing.vt"},
};

TEST_F(FaultMatrix, FilesThatCannotBeSent) {
    auto sim = StartSim({});
    for (const FileFault& f : kFileFaults) {
        for (const Operation& op : Operations()) {
            if (op.kind != OpKind::File)
                continue;
            const std::string name = op.name;
            // A huge file is streamed by send file (see PrinterStopsReading).
            if (name == "send file" && std::string(f.name) == "huge file")
                continue;
            CPrinterPort port;
            const PortSettings s = SettingsFor(op, PORT_LAN, sim.get());
            const std::string rel = op.receipt ? f.vtFile : f.binFile;
            const std::string path = rel[0] == '/' ? rel : files_.Path(rel);
            const OpOutcome o = RunOp(op, port, s, path);
            // Whatever is said, nothing may count as sent and something must
            // be said; the texts are checked by each operation's own suite.
            // An empty file is sent as nothing by the command test and the
            // test data print; a firmware image must hold something.
            const bool emptyOk = name != "firmware update" && std::string(f.name) == "empty file";
            check_(f.name, op, port, o, o.ok && !emptyOk ? Allowed{} : Allowed{Shown(o)});
            if (!o.ok) {
                EXPECT_FALSE(o.message.empty()) << f.name << " / " << name;
            }
        }
    }
    // Unreadable: only without root's privileges.
    if (::getuid() == 0) {
        for (const Operation& op : Operations()) {
            if (op.kind != OpKind::File)
                continue;
            const PortSettings s = SettingsFor(op, PORT_LAN, sim.get());
            std::optional<OpOutcome> o = RunUnprivileged(op, s, files_.Path("locked.bin"));
            ASSERT_TRUE(o) << op.name;
            CPrinterPort unused;
            check_("unreadable file", op, unused, *o, o->ok ? Allowed{} : Allowed{Shown(*o)});
            EXPECT_FALSE(o->message.empty()) << op.name;
        }
    }
}

// The fast failures again and again in this one process: afterwards it
// holds exactly the descriptors and threads it held after the first round.
TEST_F(FaultMatrix, AThousandFailuresLeaveNothingBehind) {
    const uint16_t nobody = FreeLoopbackPort();
    auto dropping = StartSim({"--close-after", "2"});
    auto normal = StartSim({});
    struct Fast {
        const char* fault;
        int32_t type;
        SimProcess* sim;
        bool missingCom;
        bool refused;
        const char* file;
    };
    const Fast rows[] = {
        {"no printer listening", PORT_LAN, normal.get(), false, true, nullptr},
        {"no such serial node", PORT_COM, normal.get(), true, false, nullptr},
        {"dropped after 2 bytes", PORT_LAN, dropping.get(), false, false, nullptr},
        {"empty file", PORT_LAN, normal.get(), false, false, "empty.bin"},
        {"directory", PORT_LAN, normal.get(), false, false, "dir.bin"},
        {"FIFO", PORT_LAN, normal.get(), false, false, "fifo.bin"},
    };
    int failures = 0;
    auto round = [&] {
        for (const Fast& f : rows)
            for (const Operation& op : Operations()) {
                if (!Applies(op, f.type) || (f.file && op.kind != OpKind::File) ||
                    (!f.file && op.kind == OpKind::File && std::string(op.name) != "send file"))
                    continue;
                CPrinterPort port;
                PortSettings s = SettingsFor(op, f.type, f.sim, f.refused ? nobody : 0);
                if (f.missingCom) {
                    s.comPortName = "COM9";
                    SetCurrentPortSettings(s);
                }
                const std::string file = files_.Path(f.file ? f.file : "fine.bin");
                const OpOutcome o = RunOp(op, port, s, file);
                ++tally_.tried;
                const bool clean = PortClosed(port) && CurrentUsbFilter() == check_.filter;
                EXPECT_TRUE(clean) << f.fault << " / " << op.name;
                tally_.survived += clean;
                failures += !o.ok;
            }
    };
    round(); // warm-up: first-use allocations (locale tables, resolver) settle
    const int fds = OpenDescriptorCount();
    const int threads = ThreadCount();
    while (failures < 1000)
        round();
    std::printf("fault-matrix: %d failures; descriptors %d -> %d, threads %d -> %d\n", failures,
                fds, OpenDescriptorCount(), threads, ThreadCount());
    EXPECT_EQ(OpenDescriptorCount(), fds);
    EXPECT_EQ(ThreadCount(), threads);
}

} // namespace
