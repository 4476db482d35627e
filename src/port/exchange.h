#pragma once
// One request/reply cycle with a printer over a CPrinterPort: open, write
// the whole request at once, wait for the first non-empty read, close.
// Shared by every operation that expects a reply (settings, text replies,
// Bluetooth); one-way commands use SendRequest.
//
// Cancellation is a std::stop_token (pass a std::jthread's token, or a
// std::stop_source's): the wait ends within one read slice once a stop is
// requested.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "base/pause.h"
#include "port/comm_trace.h"
#include "port/port_errors.h"
#include "port/port_settings.h"

namespace printune {

class CPrinterPort;

enum class ExchangeOutcome {
    Reply,       // 'reply' holds the bytes of the first non-empty read
    Sent,        // one-way request written
    OpenFailed,  // 'portError' holds the code Open raised
    WriteFailed, // 'portError' is 8003
    ReadFailed,  // 'portError' is 8004
    TimedOut,    // no byte within the time-out after the write
    Stopped,     // the stop token ended the wait
};

struct ExchangeResult {
    ExchangeOutcome outcome = ExchangeOutcome::TimedOut;
    int portError = 0;
    int sysErrno = 0; // the errno behind portError when the port raised it
    std::vector<uint8_t> reply;
    // ReadFailed because the reply stopped short of its known length (or
    // came out longer than the buffer): 'reply' holds what came; nothing of
    // it may be used.
    bool incomplete = false;
};

struct ExchangeOptions {
    int bufferSize = 1024; // at most this many bytes are read
    int timeoutMs = 3000;  // counted from the end of the write
    // A reply of known length is read until it is whole or the time-out
    // passes, since a printer's reply can arrive in pieces; a shorter one is
    // a failed read. 0: the first non-empty read is the reply.
    int replyLength = 0;
    bool clearAfterWrite = false;    // the receipt page clears its buffer late
    std::string address;             // PORT_LAN: this printer instead of ipAddr
    std::function<void()> onWritten; // called once the request is out
};

// The label printers' exchange: 1024 bytes, 3000 ms.
inline ExchangeOptions LabelExchangeOptions() {
    return {};
}
// The receipt page's: 100 bytes, cleared after the write, 3000 ms; the
// reply fills the buffer.
inline ExchangeOptions ReceiptExchangeOptions() {
    ExchangeOptions o;
    o.bufferSize = 100;
    o.clearAfterWrite = true;
    o.replyLength = 100;
    return o;
}

// A read that returns nothing faster than this (a port type without a
// blocking read) is followed by a pause, so the wait never spins.
inline constexpr std::chrono::milliseconds MIN_READ_INTERVAL{10};

// Waits at most 'ms' for input on a serial port before the exchange reads.
// A serial read blocks for the port's own time-outs (1000 ms + 3 ms per
// byte asked for: over four seconds for 1024 bytes), which would outlast
// the exchange's time-out and its stop token; waiting for the first byte
// here keeps both. Other port types return true at once: their reads come
// back after a short slice by themselves.
bool WaitForInput(CPrinterPort& port, int ms);
template <class Port>
bool WaitForInput(Port&, int) {
    return true;
}
inline constexpr int INPUT_WAIT_SLICE_MS = 100;

// Copies the port type and both device names of a settings copy into the
// port.
void ConfigurePort(CPrinterPort& port, const PortSettings& settings);

// Request with a reply. The port must have its type and names set.
ExchangeResult Exchange(CPrinterPort& port, const std::vector<uint8_t>& request,
                        const ExchangeOptions& options = {}, std::stop_token stop = {});
// Request without a reply: open, write, close.
ExchangeResult SendRequest(CPrinterPort& port, const std::vector<uint8_t>& request,
                           const std::string& address = {});

// The exchange over anything with CPrinterPort's members (data, length,
// Open, Write, Read, Close), so its timing can be tested with a scripted
// port.
template <class Port>
ExchangeResult ExchangeOver(Port& port, const std::vector<uint8_t>& request, bool expectReply,
                            const ExchangeOptions& options, std::stop_token stop) {
    using Clock = std::chrono::steady_clock;
    // Closed on every path; the port must not keep pointing at the request,
    // which may not outlive this call.
    struct CloseOnExit {
        Port& p;
        ~CloseOnExit() {
            p.Close();
            p.data = nullptr;
            p.length = 0;
        }
    } closer{port};

    ExchangeResult result;
    std::vector<uint8_t> buffer(
        static_cast<size_t>(options.bufferSize > 0 ? options.bufferSize : 1), 0);
    port.data = request.data();
    port.length = static_cast<int32_t>(request.size());
    auto failed = [&result](ExchangeOutcome outcome, int code, int sysErrno = 0) {
        result.outcome = outcome;
        result.portError = code;
        result.sysErrno = sysErrno;
        return result;
    };
    int opened = 0;
    try {
        opened = port.Open(options.address);
    } catch (const PortError& e) {
        return failed(ExchangeOutcome::OpenFailed, e.Code(), e.SysErrno());
    }
    if (opened != 1)
        return failed(ExchangeOutcome::OpenFailed, PORT_ERR_OPEN);
    int written = 0;
    try {
        written = port.Write();
    } catch (const PortError& e) {
        return failed(ExchangeOutcome::WriteFailed, e.Code(), e.SysErrno());
    }
    // A write that reports nothing sent (a USB open that found no matching
    // printer) is a failure, not a request to wait for.
    if (written <= 0 && !request.empty())
        return failed(ExchangeOutcome::WriteFailed, PORT_ERR_WRITE);
    if (!expectReply) {
        // A one-way command counts as sent once the printer has taken it.
        if constexpr (requires { port.Flush(); }) {
            try {
                port.Flush();
            } catch (const PortError& e) {
                return failed(ExchangeOutcome::WriteFailed, e.Code(), e.SysErrno());
            }
        }
    }
    if (options.onWritten)
        options.onWritten();
    if (!expectReply) {
        result.outcome = ExchangeOutcome::Sent;
        return result;
    }
    if (options.clearAfterWrite)
        std::fill(buffer.begin(), buffer.end(), 0);

    const auto deadline = Clock::now() + std::chrono::milliseconds(options.timeoutMs);
    const size_t wanted = static_cast<size_t>(std::max(0, options.replyLength));
    size_t got = 0;
    // Time-out or stop with part of a reply of known length: a failed read.
    auto ended = [&](ExchangeOutcome outcome) {
        if (outcome == ExchangeOutcome::TimedOut && TraceOn())
            TraceTimeout(options.timeoutMs);
        if (got == 0) {
            result.outcome = outcome;
            return result;
        }
        result.reply.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        result.incomplete = true;
        return failed(ExchangeOutcome::ReadFailed, PORT_ERR_READ);
    };
    for (;;) {
        if (stop.stop_requested())
            return ended(ExchangeOutcome::Stopped);
        const auto started = Clock::now();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - started);
        if (!WaitForInput(port, static_cast<int>(
                                    std::clamp<int64_t>(left.count(), 0, INPUT_WAIT_SLICE_MS)))) {
            if (Clock::now() >= deadline)
                return ended(ExchangeOutcome::TimedOut);
            continue;
        }
        // Always the rest of the buffer, even when the known length is near:
        // that length is a minimum (a printer may send more), and what one
        // operation leaves unread a port without an input purge at open
        // (USB) hands to the next as its reply. On a serial port this costs
        // the interval time-out behind the last byte.
        int n = 0;
        try {
            n = port.Read(buffer.data() + got, static_cast<int>(buffer.size() - got));
        } catch (const PortError& e) {
            return failed(ExchangeOutcome::ReadFailed, e.Code(), e.SysErrno());
        }
        if (n > 0) {
            got = std::min(buffer.size(), got + static_cast<size_t>(n));
            if (got >= wanted || got == buffer.size()) {
                if (got < wanted)
                    return ended(ExchangeOutcome::TimedOut);
                result.outcome = ExchangeOutcome::Reply;
                result.reply.assign(buffer.begin(),
                                    buffer.begin() + static_cast<std::ptrdiff_t>(got));
                return result;
            }
            continue;
        }
        const auto now = Clock::now();
        if (now >= deadline)
            return ended(ExchangeOutcome::TimedOut);
        if (now - started < MIN_READ_INTERVAL)
            PauseUntil(std::min(deadline, started + MIN_READ_INTERVAL), stop);
    }
}

} // namespace printune
