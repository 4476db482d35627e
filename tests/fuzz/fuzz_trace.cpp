// The trace file's lines, as "trace show" and the simulator's replay read
// them: an event that parses is written again and parses to the same event.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "port/comm_trace.h"

using namespace printune;

namespace {

void Check(bool ok) {
    if (!ok)
        abort();
}

bool Same(const TraceEvent& a, const TraceEvent& b) {
    return a.timeUs == b.timeUs && a.transport == b.transport && a.endpoint == b.endpoint &&
           a.kind == b.kind && a.direction == b.direction && a.length == b.length &&
           a.bytes == b.bytes && a.sha256 == b.sha256 && a.meaning == b.meaning &&
           a.sysErrno == b.sysErrno && a.code == b.code;
}

void OneLine(const std::string& line) {
    TraceEvent first;
    if (!ParseTraceEvent(line, first))
        return;
    // Writing keeps what the file format has a place for (no bytes for an
    // open or close); from then on a line reads and writes unchanged.
    const std::string json = TraceEventJson(first);
    TraceEvent second;
    Check(ParseTraceEvent(json, second));
    Check(second.kind == first.kind && second.timeUs == first.timeUs &&
          second.sysErrno == first.sysErrno && second.code == first.code);
    const std::string again = TraceEventJson(second);
    TraceEvent third;
    Check(again == json && ParseTraceEvent(again, third) && Same(second, third));
    if (first.kind == TraceKind::Write || first.kind == TraceKind::Read)
        Check(second.bytes == first.bytes && second.length == first.length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // A file is read line by line.
    while (!text.empty()) {
        const size_t end = text.find('\n');
        OneLine(std::string(text.substr(0, end)));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return 0;
}
