// The exchange's control flow and timing, over a scripted port.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <deque>
#include <thread>

#include "port/exchange.h"
#include "port/port_errors.h"

using namespace printune;
using namespace std::chrono;

namespace {

// Each Read takes the next step: a reply, nothing after a wait, or a raised
// code. With the script empty, reads return nothing after sliceMs.
struct ScriptedPort {
    struct Step {
        std::vector<uint8_t> bytes;
        int waitMs = 0;
        int raise = 0;
    };
    const uint8_t* data = nullptr;
    int32_t length = 0;
    int openRaise = 0;
    int openResult = 1;
    int writeRaise = 0;
    int writeResult = -1; // -1: length
    int sliceMs = 20;
    std::deque<Step> script;
    std::vector<uint8_t> written;
    std::string openedAddress;
    int reads = 0;
    int closes = 0;
    int lastReadSize = 0;

    int Open(const std::string& address) {
        openedAddress = address;
        if (openRaise)
            throw PortError(openRaise, PORT_LAN, ECONNREFUSED);
        return openResult;
    }
    int Write() {
        if (writeRaise)
            throw PortError(writeRaise, PORT_LAN);
        written.assign(data, data + length);
        return writeResult < 0 ? length : writeResult;
    }
    int Read(uint8_t* buf, int size) {
        ++reads;
        lastReadSize = size;
        if (script.empty()) {
            std::this_thread::sleep_for(milliseconds(sliceMs));
            return 0;
        }
        Step s = script.front();
        script.pop_front();
        std::this_thread::sleep_for(milliseconds(s.waitMs));
        if (s.raise)
            throw PortError(s.raise, PORT_LAN);
        int n = std::min<int>(size, static_cast<int>(s.bytes.size()));
        std::copy(s.bytes.begin(), s.bytes.begin() + n, buf);
        return n;
    }
    int Close() {
        ++closes;
        return 1;
    }
};

const std::vector<uint8_t> kRequest = {0x1B, 0x0D, 0x53, 0x1B, 0x33, 0x00, 0x1B, 0x10, 0x45};

ExchangeOptions Fast(int timeoutMs) {
    ExchangeOptions o;
    o.timeoutMs = timeoutMs;
    return o;
}

} // namespace

TEST(Exchange, FirstNonEmptyReadIsTheReply) {
    ScriptedPort port;
    port.script = {{{}, 5, 0}, {{}, 5, 0}, {{0x41, 0x42}, 0, 0}, {{0x43}, 0, 0}};
    int written = 0;
    ExchangeOptions o = Fast(3000);
    o.address = "192.0.2.7";
    o.onWritten = [&] { ++written; };
    ExchangeResult r = ExchangeOver(port, kRequest, true, o, {});
    EXPECT_EQ(r.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(r.reply, (std::vector<uint8_t>{0x41, 0x42}));
    EXPECT_EQ(port.reads, 3); // no read after the reply
    EXPECT_EQ(port.written, kRequest);
    EXPECT_EQ(port.openedAddress, "192.0.2.7");
    EXPECT_EQ(port.lastReadSize, 1024);
    EXPECT_EQ(written, 1);
    EXPECT_EQ(port.closes, 1);
    EXPECT_EQ(port.data, nullptr); // no pointer into the caller's request is kept
    EXPECT_EQ(port.length, 0);
}

TEST(Exchange, FailuresAreReportedAndThePortClosed) {
    {
        ScriptedPort port;
        port.openRaise = PORT_ERR_USB_NONE;
        ExchangeResult r = ExchangeOver(port, kRequest, true, Fast(3000), {});
        EXPECT_EQ(r.outcome, ExchangeOutcome::OpenFailed);
        EXPECT_EQ(r.portError, PORT_ERR_USB_NONE);
        EXPECT_EQ(r.sysErrno, ECONNREFUSED); // the cause travels with the code
        EXPECT_TRUE(port.written.empty());
        EXPECT_EQ(port.closes, 1);
    }
    {
        ScriptedPort port;
        port.openResult = 0; // unknown port type or no socket
        ExchangeResult r = ExchangeOver(port, kRequest, true, Fast(3000), {});
        EXPECT_EQ(r.outcome, ExchangeOutcome::OpenFailed);
        EXPECT_EQ(r.portError, PORT_ERR_OPEN);
    }
    {
        ScriptedPort port;
        port.writeRaise = PORT_ERR_WRITE;
        ExchangeResult r = ExchangeOver(port, kRequest, true, Fast(3000), {});
        EXPECT_EQ(r.outcome, ExchangeOutcome::WriteFailed);
        EXPECT_EQ(port.reads, 0);
        EXPECT_EQ(port.closes, 1);
    }
    {
        ScriptedPort port;
        port.writeResult = 0; // USB open with no printer behind it
        ExchangeResult r = ExchangeOver(port, kRequest, true, Fast(3000), {});
        EXPECT_EQ(r.outcome, ExchangeOutcome::WriteFailed);
        EXPECT_EQ(r.portError, PORT_ERR_WRITE);
        EXPECT_EQ(port.reads, 0);
    }
    {
        ScriptedPort port;
        port.script = {{{}, 0, 0}, {{}, 0, PORT_ERR_READ}};
        ExchangeResult r = ExchangeOver(port, kRequest, true, Fast(3000), {});
        EXPECT_EQ(r.outcome, ExchangeOutcome::ReadFailed);
        EXPECT_EQ(r.portError, PORT_ERR_READ);
        EXPECT_EQ(port.closes, 1);
    }
}

TEST(Exchange, OneWaySendReadsNothing) {
    ScriptedPort port;
    port.script = {{{0x41}, 0, 0}};
    ExchangeResult r = ExchangeOver(port, kRequest, false, Fast(3000), {});
    EXPECT_EQ(r.outcome, ExchangeOutcome::Sent);
    EXPECT_EQ(port.reads, 0);
    EXPECT_EQ(port.closes, 1);
}

TEST(Exchange, TimeOutCountsFromTheEndOfTheWrite) {
    ScriptedPort port;
    port.sliceMs = 20;
    auto start = steady_clock::now();
    ExchangeResult r = ExchangeOver(port, kRequest, true, Fast(300), {});
    auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_EQ(r.outcome, ExchangeOutcome::TimedOut);
    EXPECT_GE(took, 300);
    // Far below the default 3000 ms, with room for a loaded machine.
    EXPECT_LT(took, 300 + 1500);
    EXPECT_EQ(port.closes, 1);
}

TEST(Exchange, ReadsThatReturnAtOnceDoNotSpin) {
    ScriptedPort port;
    port.sliceMs = 0;
    ExchangeResult r = ExchangeOver(port, kRequest, true, Fast(200), {});
    EXPECT_EQ(r.outcome, ExchangeOutcome::TimedOut);
    // One read per MIN_READ_INTERVAL at most, not millions.
    EXPECT_LE(port.reads, 200 / MIN_READ_INTERVAL.count() + 2);
}

TEST(Exchange, StopTokenEndsTheWait) {
    ScriptedPort port;
    port.sliceMs = 20;
    std::stop_source source;
    std::thread stopper([&] {
        std::this_thread::sleep_for(milliseconds(100));
        source.request_stop();
    });
    auto start = steady_clock::now();
    ExchangeResult r = ExchangeOver(port, kRequest, true, Fast(3000), source.get_token());
    auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
    stopper.join();
    EXPECT_EQ(r.outcome, ExchangeOutcome::Stopped);
    EXPECT_LT(took, 1000);
    EXPECT_EQ(port.closes, 1);
}

TEST(Exchange, ReceiptVariantReadsAtMost100Bytes) {
    ScriptedPort port;
    port.script = {{std::vector<uint8_t>(300, 0x11), 0, 0}};
    ExchangeResult r = ExchangeOver(port, kRequest, true, ReceiptExchangeOptions(), {});
    EXPECT_EQ(r.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(r.reply.size(), 100u);
    EXPECT_EQ(port.lastReadSize, 100);
}

TEST(Exchange, ReplyArrivingInPiecesIsReadToItsKnownLength) {
    ScriptedPort port;
    std::vector<uint8_t> head(20, 0x21), tail(29, 0x22);
    port.script = {{head, 0, 0}, {{}, 30, 0}, {tail, 0, 0}};
    ExchangeOptions o = Fast(3000);
    o.replyLength = 49;
    ExchangeResult r = ExchangeOver(port, kRequest, true, o, {});
    ASSERT_EQ(r.outcome, ExchangeOutcome::Reply);
    ASSERT_EQ(r.reply.size(), 49u);
    EXPECT_EQ(r.reply[19], 0x21);
    EXPECT_EQ(r.reply[20], 0x22);
    EXPECT_EQ(r.reply[48], 0x22);
    // Asked for the rest of the buffer, not just the missing bytes: the
    // known length is a minimum, and a longer reply's tail left unread
    // would be the next operation's reply.
    EXPECT_EQ(port.lastReadSize, 1024 - 20);
}

TEST(Exchange, AReplyLongerThanItsKnownLengthIsReadWhole) {
    ScriptedPort port;
    port.script = {{std::vector<uint8_t>(64, 0x44), 0, 0}};
    ExchangeOptions o = Fast(3000);
    o.replyLength = 49;
    ExchangeResult r = ExchangeOver(port, kRequest, true, o, {});
    ASSERT_EQ(r.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(r.reply.size(), 64u);
    EXPECT_EQ(port.lastReadSize, 1024);
}

TEST(Exchange, ReplyShortOfItsLengthIsAFailedReadNotAReply) {
    ScriptedPort port;
    port.script = {{std::vector<uint8_t>(6, 0x33), 0, 0}};
    ExchangeOptions o = Fast(200);
    o.replyLength = 49;
    ExchangeResult r = ExchangeOver(port, kRequest, true, o, {});
    EXPECT_EQ(r.outcome, ExchangeOutcome::ReadFailed);
    EXPECT_EQ(r.portError, PORT_ERR_READ);
    EXPECT_TRUE(r.incomplete);
    EXPECT_EQ(r.reply.size(), 6u);
    // Silence stays a time-out.
    ScriptedPort silent;
    r = ExchangeOver(silent, kRequest, true, o, {});
    EXPECT_EQ(r.outcome, ExchangeOutcome::TimedOut);
    EXPECT_FALSE(r.incomplete);
}
