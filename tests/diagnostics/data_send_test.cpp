#include "diagnostics/data_send.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/language.h"
#include "port/port_errors.h"
#include "port/port_link.h"
#include "support/scripted_link.h"

using namespace printune;
using printune_test::Hex;
using printune_test::ScriptedLink;

namespace {

TEST(DataBytesTest, HexTextAndRefusals) {
    EXPECT_EQ(BuildDataBytes("1B 40", true, "GBK", LANG_ENGLISH).bytes, Hex("1B 40"));
    EXPECT_EQ(BuildDataBytes("ABC", false, "GBK", LANG_ENGLISH).bytes, Hex("41 42 43"));
    DataBytes empty = BuildDataBytes("", false, "GBK", LANG_ENGLISH);
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.notice->text, "The input content can not empty!");
    EXPECT_EQ(empty.notice->severity, Severity::Warning);
    DataBytes bad = BuildDataBytes("1G", true, "GBK", LANG_ENGLISH);
    EXPECT_EQ(bad.notice->text, "Data entered is not hexadecimal data!");
    EXPECT_EQ(bad.notice->severity, Severity::Error);
    // Separators only would loop on empty writes.
    EXPECT_FALSE(BuildDataBytes(" \r\n", true, "GBK", LANG_ENGLISH).ok);
    EXPECT_FALSE(BuildDataBytes("A中", false, "WINDOWS-1252", LANG_ENGLISH).ok);
}

TEST(DataBytesTest, IntervalText) {
    EXPECT_EQ(IntervalFromText(""), 0);
    EXPECT_EQ(IntervalFromText("250"), 250);
    EXPECT_EQ(IntervalFromText("12ms"), 12);
    EXPECT_EQ(IntervalFromText("99999999999999"), 24 * 3600 * 1000);
}

TEST(DataSendTest, SingleSendWritesOnceAndCloses) {
    ScriptedLink link;
    std::stop_source s;
    DataSendResult r = RunDataSend(link, Hex("1B 40"), false, 0, s.get_token(), LANG_ENGLISH);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(link.AllWritten(), Hex("1B 40"));
    EXPECT_EQ(link.closes, 1);
    EXPECT_FALSE(r.notice);
}

TEST(DataSendTest, LoopEndsOnStopShortWriteOrFailure) {
    // Stop token: the write in progress and its pause complete, no more.
    ScriptedLink link;
    std::stop_source s;
    DataSendResult r = RunDataSend(link, Hex("41"), true, 0, s.get_token(), LANG_ENGLISH,
                                   [&](int writes, int64_t) {
                                       if (writes == 5)
                                           s.request_stop();
                                   });
    EXPECT_EQ(r.writes, 5);
    EXPECT_EQ(link.closes, 1);

    ScriptedLink shortWrite;
    shortWrite.onWrite = [](int i, int32_t n) { return i == 2 ? n - 1 : n; };
    std::stop_source never;
    r = RunDataSend(shortWrite, Hex("41 42"), true, 0, never.get_token(), LANG_ENGLISH);
    EXPECT_EQ(shortWrite.writes.size(), 3u);
    EXPECT_FALSE(r.ok);
    ASSERT_TRUE(r.notice);

    ScriptedLink failing;
    failing.onWrite = [](int i, int32_t n) -> int {
        if (i == 1)
            throw PortError(PORT_ERR_WRITE, PORT_USB);
        return n;
    };
    r = RunDataSend(failing, Hex("41"), true, 0, never.get_token(), LANG_ENGLISH);
    EXPECT_EQ(r.notice->text, "Unable to send file to port.");
    EXPECT_EQ(r.notice->severity, Severity::Warning);
    EXPECT_EQ(r.notice->hint, ""); // no cause known
    EXPECT_EQ(failing.closes, 1);
}

// A write failure with a known cause says what to do about it, for the
// send of text or hex and for a command sent whole (Wi-Fi, Bluetooth).
TEST(DataSendTest, AFailedWriteCarriesItsCausesRemedy) {
    ScriptedLink reset;
    reset.onWrite = [](int, int32_t) -> int { throw PortError(PORT_ERR_WRITE, PORT_LAN, EPIPE); };
    std::stop_source never;
    DataSendResult r = RunDataSend(reset, Hex("41"), false, 0, never.get_token(), LANG_ENGLISH);
    ASSERT_TRUE(r.notice);
    EXPECT_EQ(r.notice->hint, "The printer closed the connection.");
    r = RunDataSend(reset, Hex("41"), false, 0, never.get_token(), LANG_CHINESE);
    ASSERT_TRUE(r.notice);
    EXPECT_EQ(r.notice->hint, "打印机关闭了连接。");

    const SendOutcome whole = SendToPrinter(reset, Hex("1B 40"), LANG_ENGLISH);
    EXPECT_FALSE(whole.ok);
    ASSERT_TRUE(whole.notice);
    EXPECT_EQ(whole.notice->text, "Unable to send file to port.");
    EXPECT_EQ(whole.notice->hint, "The printer closed the connection.");
    EXPECT_EQ(whole.portError, PORT_ERR_WRITE);

    ScriptedLink shortWrite;
    shortWrite.onWrite = [](int, int32_t n) { return n - 1; };
    const SendOutcome cut = SendToPrinter(shortWrite, Hex("1B 40"), LANG_ENGLISH);
    ASSERT_TRUE(cut.notice);
    EXPECT_EQ(cut.notice->hint, "");
}

TEST(DataSendTest, StopCutsALongPauseShort) {
    ScriptedLink link;
    std::stop_source s;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        s.request_stop();
    });
    auto start = std::chrono::steady_clock::now();
    RunDataSend(link, Hex("41"), true, 60000, s.get_token(), LANG_ENGLISH);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(link.writes.size(), 1u);
}

TEST(DataSendTest, OpenFailureIcons) {
    std::stop_source s;
    for (auto [code, severity] : {std::pair{8000, Severity::Error},
                                  {8002, Severity::Error},
                                  {8005, Severity::Warning},
                                  {8006, Severity::Warning}}) {
        ScriptedLink link;
        link.portType = PORT_USB;
        link.openError = code;
        DataSendResult r = RunDataSend(link, Hex("41"), false, 0, s.get_token(), LANG_ENGLISH);
        ASSERT_TRUE(r.notice) << code;
        EXPECT_EQ(r.notice->severity, severity) << code;
        EXPECT_TRUE(link.writes.empty());
        EXPECT_EQ(link.closes, 1);
    }
}

struct BlockCase {
    size_t total;
    size_t writes;
    size_t last;
};

void PrintTo(const BlockCase& c, std::ostream* os) {
    *os << c.total << " bytes";
}

class FileSendBlocks : public ::testing::TestWithParam<BlockCase> {};

TEST_P(FileSendBlocks, Plan) {
    const BlockCase& c = GetParam();
    std::vector<uint8_t> file(c.total);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<uint8_t>(i * 7);
    ScriptedLink link;
    std::vector<std::string> captions;
    std::stop_source s;
    FileSendResult r = RunFileSend(link, file, false, 0, s.get_token(), LANG_ENGLISH,
                                   [&](const FileProgress& p) { captions.push_back(p.caption); });
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(link.writes.size(), c.writes);
    EXPECT_EQ(link.writes.back().size(), c.last);
    EXPECT_EQ(link.AllWritten(), file);
    EXPECT_EQ(captions.back(), "100%");
    EXPECT_EQ(r.notice->text, "File sent successfully.");
    EXPECT_EQ(r.notice->severity, Severity::Information);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileSendBlocks,
                         ::testing::Values(BlockCase{50, 1, 50}, BlockCase{99, 1, 99},
                                           BlockCase{100, 100, 1}, BlockCase{1000, 100, 10},
                                           BlockCase{1055, 106, 5}));

TEST(FileSendTest, ShortWritesContinueWhereThePrinterStopped) {
    std::vector<uint8_t> file(1000);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<uint8_t>(i);
    ScriptedLink link;
    link.onWrite = [](int i, int32_t n) { return i % 3 == 0 ? n / 2 : n; };
    std::stop_source s;
    FileSendResult r = RunFileSend(link, file, false, 0, s.get_token(), LANG_ENGLISH);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(link.AllWritten(), file);
}

TEST(FileSendTest, ZeroWriteEndsTheSendWithoutSuccess) {
    ScriptedLink link;
    link.onWrite = [](int i, int32_t n) { return i == 4 ? 0 : n; };
    std::stop_source s;
    FileSendResult r =
        RunFileSend(link, std::vector<uint8_t>(1000), false, 0, s.get_token(), LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.sent, 40);
    EXPECT_EQ(link.writes.size(), 5u);
    EXPECT_EQ(r.notice->text, "Unable to send file to port.");
}

TEST(FileSendTest, LoopingPassesCarryTheSentCount) {
    ScriptedLink link;
    std::stop_source s;
    std::vector<std::string> captions;
    FileSendResult r = RunFileSend(link, std::vector<uint8_t>(200), true, 0, s.get_token(),
                                   LANG_ENGLISH, [&](const FileProgress& p) {
                                       captions.push_back(p.caption);
                                       if (p.pass == 3 && p.position == p.total)
                                           s.request_stop();
                                   });
    EXPECT_EQ(r.passes, 3);
    EXPECT_EQ(r.sent, 600);
    EXPECT_EQ(captions.back(), "300%");
    EXPECT_FALSE(r.ok); // a looping send ends without the success message
    EXPECT_FALSE(r.notice);
    EXPECT_EQ(link.closes, 1);
}

TEST(FileSendTest, EmptyFileInLoopModeDoesNotSpin) {
    ScriptedLink link;
    std::stop_source s;
    FileSendResult r = RunFileSend(link, {}, true, 0, s.get_token(), LANG_ENGLISH);
    EXPECT_EQ(r.passes, 1);
    EXPECT_TRUE(link.writes.empty());
}

TEST(FileSendTest, NoFileOrUnreadableFileSendsNothing) {
    ScriptedLink link;
    std::stop_source s;
    FileSendResult r = SendFile(link, "", false, 0, s.get_token(), LANG_ENGLISH);
    EXPECT_EQ(r.notice->text, "Select a file please.");
    r = SendFile(link, "/nonexistent/file.hex", false, 0, s.get_token(), LANG_ENGLISH);
    ASSERT_TRUE(r.notice);
    EXPECT_NE(r.notice->text.find("/nonexistent/file.hex"), std::string::npos);
    EXPECT_TRUE(r.inputRefused);
    EXPECT_EQ(link.opens, 0);

    // A port failure is not the input's fault.
    link.openError = 8000;
    const auto path = std::filesystem::temp_directory_path() / "printune_send_file_test.hex";
    std::ofstream(path) << "x";
    r = SendFile(link, path.string(), false, 0, s.get_token(), LANG_ENGLISH);
    std::filesystem::remove(path);
    EXPECT_FALSE(r.inputRefused);
    EXPECT_FALSE(r.ok);
}

// Only counts: a file send of hundreds of megabytes must not be kept.
class CountingLink : public PortLink {
public:
    int64_t taken = 0;
    int32_t largestWrite = 0;
    int writes = 0;
    int Open() override { return 1; }
    int Write(const uint8_t*, int32_t length) override {
        ++writes;
        taken += length;
        largestWrite = std::max(largestWrite, length);
        return length;
    }
    int Read(uint8_t*, int) override { return 0; }
    int Close() override { return 1; }
    int32_t PortType() const override { return PORT_LAN; }
};

TEST(FileSendTest, NamedFileMustBeARegularFile) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("printune_send_special_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ScriptedLink link;
    std::stop_source s;
    // A FIFO without a writer would block the open for ever; a device would
    // be read without end; a directory is no file.
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir.string()}) {
        FileSendResult r = SendFile(link, path, false, 0, s.get_token(), LANG_ENGLISH);
        ASSERT_TRUE(r.notice) << path;
        EXPECT_EQ(r.notice->text, "\"" + path + "\" is not a regular file.");
        EXPECT_TRUE(r.inputRefused);
    }
    EXPECT_EQ(link.opens, 0);
    std::filesystem::remove_all(dir);
}

TEST(FileSendTest, LargeFileIsStreamedInBoundedWritesWithTheSameProgress) {
    // 150 MiB, sparse: blocks of 1.5 MiB, written in pieces of at most 1 MiB.
    const auto path = std::filesystem::temp_directory_path() /
                      ("printune_send_large_" + std::to_string(getpid()));
    const int64_t size = 150LL << 20;
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, size), 0);
        close(fd);
    }
    CountingLink link;
    std::stop_source s;
    int reports = 0;
    std::string last;
    FileSendResult r = SendFile(link, path.string(), false, 0, s.get_token(), LANG_ENGLISH,
                                [&](const FileProgress& p) {
                                    ++reports;
                                    last = p.caption;
                                    EXPECT_EQ(p.total, size);
                                });
    std::filesystem::remove(path);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(link.taken, size);
    EXPECT_EQ(r.sent, size);
    EXPECT_EQ(link.largestWrite, 1 << 20);
    EXPECT_EQ(reports, link.writes);
    EXPECT_EQ(last, "100%");

    // Up to 100 MiB the blocks are unchanged: total / 100 per write.
    CountingLink small;
    std::vector<uint8_t> file(1055);
    r = RunFileSend(small, file, false, 0, s.get_token(), LANG_ENGLISH);
    EXPECT_EQ(small.writes, 106);
    EXPECT_EQ(small.largestWrite, 10);
}

} // namespace
