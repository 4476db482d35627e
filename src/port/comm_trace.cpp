#include "port/comm_trace.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

#include <pthread.h>
#include <sched.h>

#include <nlohmann/json.hpp>

#include "base/hex_text.h"
#include "base/sha256.h"

namespace printune {

namespace {

struct Registry {
    std::mutex mutex; // held while the sinks are called
    std::vector<std::pair<int, TraceSink>> sinks;
    int nextId = 1;
    bool full = false;
    TraceDecoder decoder;
};

Registry& Reg() {
    static Registry r;
    return r;
}

thread_local std::string threadNote;
thread_local std::string lastTransport;
thread_local std::string lastEndpoint;

int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Deliver(const TraceEvent& e) {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    for (auto& [id, sink] : r.sinks)
        sink(e);
}

constexpr int HASH_DEFER_MAX_MS = 250;

// Events waiting for the trace's own thread, oldest first.
struct Waiting {
    TraceEvent event;
    bool digest = false;    // work out event.sha256 from event.bytes
    bool keepBytes = false; // full mode: keep the bytes after hashing
};

struct Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Waiting> events;
    size_t bytes = 0;  // payload bytes in events
    bool busy = false; // the thread is delivering one it took
    bool stop = false;
    int openPorts = 0;   // traced ports open now
    int draining = 0;    // threads waiting for the queue to empty
    int waitingRoom = 0; // senders waiting for room
    std::thread thread;

    // At exit with a sink still attached: deliver what waits, then end.
    ~Queue() {
        {
            std::lock_guard lock(mutex);
            stop = true;
            changed.notify_all();
        }
        if (thread.joinable())
            thread.join();
    }
};

Queue& Q() {
    static Queue q;
    return q;
}

// Works out the digest a large payload waits for, then delivers it.
void Complete(Waiting& w) {
    if (w.digest) {
        w.event.sha256 = Sha256Hex(w.event.bytes.data(), w.event.bytes.size());
        if (!w.keepBytes)
            std::vector<uint8_t>().swap(w.event.bytes);
    }
    Deliver(w.event);
}

void RunQueue() {
    // Batch work: woken, it does not preempt the threads doing the I/O.
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &param);
    Queue& q = Q();
    std::unique_lock lock(q.mutex);
    for (;;) {
        q.changed.wait(lock, [&] { return q.stop || !q.events.empty(); });
        if (q.events.empty())
            return; // stopping, with nothing left
        if (q.events.front().digest) {
            // Let the exchange have the processor; hash once its port is
            // closed, or at once when someone waits. The bound keeps a log
            // window current while a port stays open.
            q.changed.wait_for(lock, std::chrono::milliseconds(HASH_DEFER_MAX_MS), [&] {
                return q.openPorts <= 0 || q.draining > 0 || q.waitingRoom > 0 || q.stop;
            });
        }
        Waiting w = std::move(q.events.front());
        q.events.pop_front();
        const size_t size = w.event.bytes.size();
        q.busy = true;
        lock.unlock();
        Complete(w);
        w = Waiting{};
        lock.lock();
        q.bytes -= size;
        q.busy = false;
        q.changed.notify_all();
    }
}

// Delivers the event here when nothing waits for the trace's thread,
// otherwise queues it behind what waits. A payload to hash always queues.
void Post(Waiting w) {
    Queue& q = Q();
    std::unique_lock lock(q.mutex);
    if (!w.digest && q.events.empty() && !q.busy) {
        lock.unlock();
        Deliver(w.event);
        return;
    }
    // RemoveTraceSink turns the trace off before it stops the thread: an
    // event reported after that has no sink to go to.
    if (!TraceOn())
        return;
    const size_t size = w.event.bytes.size();
    const auto room = [&] { return q.bytes == 0 || q.bytes + size <= TRACE_QUEUE_MAX_BYTES; };
    if (!room()) {
        ++q.waitingRoom;
        q.changed.notify_all();
        q.changed.wait(lock, room);
        --q.waitingRoom;
    }
    if (!q.thread.joinable()) {
        try {
            q.thread = std::thread(RunQueue);
        } catch (const std::system_error&) {
            // No thread to be had: do its work here, in order.
            q.changed.wait(lock, [&] { return q.events.empty() && !q.busy; });
            lock.unlock();
            Complete(w);
            return;
        }
    }
    q.bytes += size;
    q.events.push_back(std::move(w));
    q.changed.notify_all();
}

void DrainQueue() {
    Queue& q = Q();
    std::unique_lock lock(q.mutex);
    ++q.draining;
    q.changed.notify_all();
    q.changed.wait(lock, [&] { return q.events.empty() && !q.busy; });
    --q.draining;
}

void StopQueue() {
    Queue& q = Q();
    std::thread thread;
    {
        std::lock_guard lock(q.mutex);
        q.stop = true;
        q.changed.notify_all();
        thread = std::move(q.thread);
    }
    if (thread.joinable())
        thread.join();
    std::lock_guard lock(q.mutex);
    q.stop = false;
}

constexpr const char* KIND_NAMES[] = {"open", "close", "write", "read", "timeout", "error"};
constexpr const char* DIRECTION_NAMES[] = {"", "out", "in"};

TraceEvent MakeEvent(const std::string& transport, const std::string& endpoint, TraceKind kind) {
    TraceEvent e;
    e.timeUs = NowUs();
    e.transport = transport;
    e.endpoint = endpoint;
    e.kind = kind;
    return e;
}

} // namespace

int AddTraceSink(TraceSink sink) {
    Registry& r = Reg();
    int id = 0;
    {
        std::lock_guard lock(r.mutex);
        id = r.nextId++;
        r.sinks.emplace_back(id, std::move(sink));
        detail::traceOn.store(true, std::memory_order_relaxed);
    }
    // Started now rather than in the middle of the first large send.
    Queue& q = Q();
    std::lock_guard lock(q.mutex);
    if (!q.thread.joinable()) {
        try {
            q.thread = std::thread(RunQueue);
        } catch (const std::system_error&) {
            // Started on demand, or its work done by the sender (Post).
        }
    }
    return id;
}

void RemoveTraceSink(int id) {
    DrainQueue();
    Registry& r = Reg();
    bool last = false;
    {
        std::lock_guard lock(r.mutex);
        std::erase_if(r.sinks, [id](const auto& s) { return s.first == id; });
        last = r.sinks.empty();
        detail::traceOn.store(!last, std::memory_order_relaxed);
    }
    if (last)
        StopQueue();
}

void FlushTrace() {
    DrainQueue();
}

void TraceTransportBusy(bool busy) {
    Queue& q = Q();
    std::lock_guard lock(q.mutex);
    q.openPorts += busy ? 1 : -1;
    q.changed.notify_all();
}

void SetTraceFull(bool full) {
    std::lock_guard lock(Reg().mutex);
    Reg().full = full;
}

void SetTraceDecoder(TraceDecoder decoder) {
    std::lock_guard lock(Reg().mutex);
    Reg().decoder = std::move(decoder);
}

TraceNote::TraceNote(std::string meaning) : previous_(std::move(threadNote)) {
    threadNote = std::move(meaning);
}

TraceNote::~TraceNote() {
    threadNote = std::move(previous_);
}

void TraceBytes(const std::string& transport, const std::string& endpoint, TraceKind kind,
                TraceDirection direction, const uint8_t* data, size_t length) {
    Waiting w;
    TraceEvent& e = w.event;
    e = MakeEvent(transport, endpoint, kind);
    e.direction = direction;
    e.length = length;
    bool full = false;
    TraceDecoder decoder;
    {
        std::lock_guard lock(Reg().mutex);
        full = Reg().full;
        decoder = Reg().decoder;
    }
    // The meaning is decided here: notes and the decoder's pending request
    // belong to the reporting thread.
    if (direction == TraceDirection::Out && !threadNote.empty())
        e.meaning = threadNote;
    else if (decoder)
        e.meaning = decoder(direction, data, length);
    // Replies are always kept whole: a replay must answer with them, and
    // what printers send back is small. Only what we send (files, firmware
    // blocks) may be reduced to its digest.
    const bool keepBytes = full || direction == TraceDirection::In;
    if (length >= TRACE_AHEAD_MIN && data != nullptr) {
        // Copying is many times faster than hashing: the sender goes on.
        e.bytes.assign(data, data + length);
        w.digest = true;
        w.keepBytes = keepBytes;
    } else {
        if (length <= TRACE_INLINE_MAX || keepBytes)
            e.bytes.assign(data, data + length);
        if (length > TRACE_INLINE_MAX)
            e.sha256 = Sha256Hex(data, length);
    }
    Post(std::move(w));
}

void TraceState(const std::string& transport, const std::string& endpoint, TraceKind kind,
                int sysErrno, int code) {
    if (kind == TraceKind::Open) {
        lastTransport = transport;
        lastEndpoint = endpoint;
    }
    TraceEvent e = MakeEvent(transport, endpoint, kind);
    e.sysErrno = sysErrno;
    e.code = code;
    if (sysErrno != 0)
        e.meaning = std::strerror(sysErrno);
    Post(Waiting{std::move(e)});
}

void TraceTimeout(int waitedMs) {
    TraceEvent e = MakeEvent(lastTransport, lastEndpoint, TraceKind::Timeout);
    e.direction = TraceDirection::In;
    e.meaning = "no reply within " + std::to_string(waitedMs) + " ms";
    Post(Waiting{std::move(e)});
}

const char* TraceKindName(TraceKind kind) {
    return KIND_NAMES[static_cast<int>(kind)];
}

const char* TraceDirectionName(TraceDirection direction) {
    return DIRECTION_NAMES[static_cast<int>(direction)];
}

std::string TraceEventJson(const TraceEvent& e) {
    nlohmann::ordered_json j;
    j["t"] = e.timeUs;
    j["transport"] = e.transport;
    j["endpoint"] = e.endpoint;
    j["event"] = TraceKindName(e.kind);
    if (e.direction != TraceDirection::None)
        j["dir"] = TraceDirectionName(e.direction);
    if (e.kind == TraceKind::Write || e.kind == TraceKind::Read) {
        j["len"] = e.length;
        if (!e.bytes.empty() || e.length == 0)
            j["hex"] = LowerHex(e.bytes.data(), e.bytes.size());
        if (!e.sha256.empty())
            j["sha256"] = e.sha256;
    }
    if (e.sysErrno != 0)
        j["errno"] = e.sysErrno;
    if (e.code != 0)
        j["code"] = e.code;
    if (!e.meaning.empty())
        j["meaning"] = e.meaning;
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

namespace {

// A whole-number member within T's range (absent: `fallback`). A fraction,
// an exponent form out of range or a negative length is no trace event;
// converting it would be undefined or give a length no replay can meet.
template <typename T>
bool IntegerMember(const nlohmann::json& j, const char* key, T fallback, T& out) {
    const auto it = j.find(key);
    if (it == j.end()) {
        out = fallback;
        return true;
    }
    if (it->is_number_unsigned()) {
        const uint64_t v = it->get<uint64_t>();
        if (v > static_cast<uint64_t>(std::numeric_limits<T>::max()))
            return false;
        out = static_cast<T>(v);
        return true;
    }
    if (!it->is_number_integer())
        return false;
    const int64_t v = it->get<int64_t>();
    if constexpr (std::is_unsigned_v<T>) {
        if (v < 0)
            return false;
    } else if (v < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
               v > static_cast<int64_t>(std::numeric_limits<T>::max())) {
        return false;
    }
    out = static_cast<T>(v);
    return true;
}

} // namespace

bool ParseTraceEvent(const std::string& line, TraceEvent& e) {
    const auto j = nlohmann::json::parse(line, nullptr, false);
    if (!j.is_object() || !j.contains("event") || !j["event"].is_string())
        return false;
    e = TraceEvent{};
    const std::string kind = j["event"].get<std::string>();
    bool known = false;
    for (int k = 0; k < 6; ++k)
        if (kind == KIND_NAMES[k]) {
            e.kind = static_cast<TraceKind>(k);
            known = true;
        }
    if (!known)
        return false;
    try {
        if (!IntegerMember(j, "t", int64_t{0}, e.timeUs))
            return false;
        e.transport = j.value("transport", std::string());
        e.endpoint = j.value("endpoint", std::string());
        const std::string dir = j.value("dir", std::string());
        e.direction = dir == "out"  ? TraceDirection::Out
                      : dir == "in" ? TraceDirection::In
                                    : TraceDirection::None;
        const std::string hex = j.value("hex", std::string());
        if (hex.size() % 2 != 0 || ParseHexText(hex, e.bytes) < 0)
            return false;
        e.sha256 = j.value("sha256", std::string());
        if (!IntegerMember(j, "len", e.bytes.size(), e.length) ||
            !IntegerMember(j, "errno", 0, e.sysErrno) || !IntegerMember(j, "code", 0, e.code))
            return false;
        e.meaning = j.value("meaning", std::string());
    } catch (const nlohmann::json::exception&) {
        return false; // a member of the wrong type
    }
    return true;
}

TraceFile::TraceFile(const std::string& path, bool full) {
    file_ = std::fopen(path.c_str(), "we");
    if (!file_)
        throw std::runtime_error(path + ": " + std::strerror(errno));
    SetTraceFull(full);
    std::FILE* f = file_;
    // Flushed per event: a trace is wanted most when the run dies.
    sink_ = AddTraceSink([f](const TraceEvent& e) {
        const std::string line = TraceEventJson(e) + "\n";
        std::fwrite(line.data(), 1, line.size(), f);
        std::fflush(f);
    });
}

TraceFile::~TraceFile() {
    RemoveTraceSink(sink_);
    std::fclose(file_);
}

} // namespace printune
