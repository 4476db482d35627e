#include "port/comm_trace.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include <nlohmann/json.hpp>

#include "base/hex_text.h"
#include "base/sha256.h"

namespace printune {

namespace {

struct Registry {
    std::mutex mutex;
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
    std::lock_guard lock(r.mutex);
    const int id = r.nextId++;
    r.sinks.emplace_back(id, std::move(sink));
    detail::traceOn.store(true, std::memory_order_relaxed);
    return id;
}

void RemoveTraceSink(int id) {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.sinks, [id](const auto& s) { return s.first == id; });
    detail::traceOn.store(!r.sinks.empty(), std::memory_order_relaxed);
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
    TraceEvent e = MakeEvent(transport, endpoint, kind);
    e.direction = direction;
    e.length = length;
    bool full = false;
    TraceDecoder decoder;
    {
        std::lock_guard lock(Reg().mutex);
        full = Reg().full;
        decoder = Reg().decoder;
    }
    if (length <= TRACE_INLINE_MAX || full)
        e.bytes.assign(data, data + length);
    if (length > TRACE_INLINE_MAX)
        e.sha256 = Sha256Hex(data, length);
    if (direction == TraceDirection::Out && !threadNote.empty())
        e.meaning = threadNote;
    else if (decoder)
        e.meaning = decoder(direction, data, length);
    Deliver(e);
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
    Deliver(e);
}

void TraceTimeout(int waitedMs) {
    TraceEvent e = MakeEvent(lastTransport, lastEndpoint, TraceKind::Timeout);
    e.direction = TraceDirection::In;
    e.meaning = "no reply within " + std::to_string(waitedMs) + " ms";
    Deliver(e);
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
