#pragma once
// The communication trace: every transport and the UDP engines report their
// opens, closes, bytes, time-outs and errors here while tracing is on. Off,
// each report point costs one relaxed atomic load. Events go to sinks (the
// trace file, the log window); large payloads sent keep only their length
// and SHA-256 unless full bytes are asked for (replies are kept whole).
//
// Sinks see the events in the order they were reported. Most are delivered
// on the reporting thread; a payload of TRACE_AHEAD_MIN bytes or more is
// copied and handed to the trace's own thread, which works out its digest
// and delivers it, and the events behind it, while the sender goes on. The
// hashing waits while a traced port is open, so that it does not take the
// processor from the exchange it records, unless someone waits for it or
// the queue is full. That thread lives only while a sink is attached.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace printune {

enum class TraceKind { Open, Close, Write, Read, Timeout, Error };
enum class TraceDirection { None, Out, In };

struct TraceEvent {
    int64_t timeUs = 0;    // steady clock, microseconds
    std::string transport; // "com", "lpt", "usb", "lan", "udp"
    std::string endpoint;  // "/dev/usb/lp0 7A3E:5C19", "192.0.2.15:9100"
    TraceKind kind = TraceKind::Open;
    TraceDirection direction = TraceDirection::None;
    size_t length = 0;          // bytes moved (Write, Read)
    std::vector<uint8_t> bytes; // empty when only the digest was kept
    std::string sha256;         // set for a payload kept by digest
    std::string meaning;        // decoded request or reply, else empty
    int sysErrno = 0;           // Error, Timeout
    int code = 0;               // the port's error code, when it raised one
};

// Payloads longer than this are recorded by length and digest.
inline constexpr size_t TRACE_INLINE_MAX = 256;
// Payloads from this size on are hashed on the trace's own thread.
inline constexpr size_t TRACE_AHEAD_MIN = 64 * 1024;
// Payload bytes that may wait for that thread; a sender that would exceed
// it waits for room (nothing is dropped).
inline constexpr size_t TRACE_QUEUE_MAX_BYTES = 64u << 20;

namespace detail {
inline std::atomic<bool> traceOn{false};
}
inline bool TraceOn() {
    return detail::traceOn.load(std::memory_order_relaxed);
}

using TraceSink = std::function<void(const TraceEvent&)>;
// Tracing is on while at least one sink is attached. Returns the sink's id.
int AddTraceSink(TraceSink sink);
// Delivers what is still waiting, then detaches the sink; once this returns
// the sink is not called again. The last sink's removal ends the trace's
// thread.
void RemoveTraceSink(int id);
// Returns once every event reported so far has reached the sinks.
void FlushTrace();
// A traced port was opened (true) or closed (false).
void TraceTransportBusy(bool busy);
// Keep the bytes of large payloads too.
void SetTraceFull(bool full);

// Turns bytes into their meaning ("get printer settings", "printer settings
// reply: 49 bytes"); empty when unknown. Installed by the layers that know
// the command sets.
using TraceDecoder = std::function<std::string(TraceDirection, const uint8_t*, size_t)>;
void SetTraceDecoder(TraceDecoder decoder);

// Names the writes made on this thread while it lives ("firmware block 3
// of 100"), ahead of the decoder.
class TraceNote {
public:
    explicit TraceNote(std::string meaning);
    ~TraceNote();
    TraceNote(const TraceNote&) = delete;
    TraceNote& operator=(const TraceNote&) = delete;

private:
    std::string previous_;
};

// Report points; call only when TraceOn().
void TraceBytes(const std::string& transport, const std::string& endpoint, TraceKind kind,
                TraceDirection direction, const uint8_t* data, size_t length);
void TraceState(const std::string& transport, const std::string& endpoint, TraceKind kind,
                int sysErrno = 0, int code = 0);
// A time-out of an exchange over the port last opened on this thread.
void TraceTimeout(int waitedMs);

// One JSON object, without the line end.
std::string TraceEventJson(const TraceEvent& event);
// Parses a line TraceEventJson wrote; false when it is no trace event.
bool ParseTraceEvent(const std::string& line, TraceEvent& event);
const char* TraceKindName(TraceKind kind);
const char* TraceDirectionName(TraceDirection direction);

// Writes every event to a JSON Lines file while it lives.
class TraceFile {
public:
    // Raises std::runtime_error when the file cannot be created.
    TraceFile(const std::string& path, bool full);
    ~TraceFile();
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

private:
    std::FILE* file_ = nullptr;
    int sink_ = -1;
};

} // namespace printune
