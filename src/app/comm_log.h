#pragma once
// The events the communication log window keeps: the last few thousand
// trace events in a ring, the transport filter, the text of a row and the
// JSON Lines file the window saves (the trace file's own format).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "port/comm_trace.h"

namespace printune {

inline constexpr size_t COMM_LOG_CAPACITY = 10000;
// Bytes shown in a row's hex column before it is elided.
inline constexpr size_t COMM_LOG_HEX_SHOWN = 32;

class CommLog {
public:
    explicit CommLog(size_t capacity = COMM_LOG_CAPACITY);

    // Keeps the event; when full, the oldest kept event is dropped.
    void Add(TraceEvent event);
    void Clear();

    size_t Size() const { return size_; }
    size_t Capacity() const { return ring_.size(); }
    // The kept events, oldest first (0 .. Size()-1).
    const TraceEvent& At(size_t index) const;
    // Events dropped to make room since the last Clear.
    uint64_t Dropped() const { return dropped_; }
    // Every event added since the last Clear has a sequence number, from 0;
    // the kept ones run from Dropped() to Dropped() + Size() - 1.
    bool Holds(uint64_t sequence) const {
        return sequence >= dropped_ && sequence - dropped_ < size_;
    }
    const TraceEvent& BySequence(uint64_t sequence) const {
        return At(static_cast<size_t>(sequence - dropped_));
    }
    // The time rows are shown relative to: the first event since Clear.
    int64_t OriginUs() const { return originUs_; }

    // The indexes of the kept events that pass the filter, oldest first.
    std::vector<size_t> Matching(const std::string& transport) const;
    // Writes the given kept events as JSON Lines; false with errno set when
    // the file cannot be written.
    bool Save(const std::string& path, const std::vector<size_t>& indexes) const;

private:
    std::vector<TraceEvent> ring_;
    size_t head_ = 0; // index of the oldest kept event
    size_t size_ = 0;
    uint64_t dropped_ = 0;
    int64_t originUs_ = -1;
};

// Whether an event passes the transport filter ("" or "all": every event;
// otherwise "com", "lpt", "usb", "lan" or "udp", case-insensitive).
bool CommLogPasses(const TraceEvent& event, const std::string& transport);

// The cells of one row. `direction` holds "out" or "in" for bytes and the
// event's kind for the rest ("open", "close", "timeout", "error"); the
// window shows its own words for them.
struct CommLogRow {
    std::string time; // seconds since the origin, "12.345678"
    std::string transport;
    std::string endpoint;
    std::string direction;
    std::string length; // empty for events that move no bytes
    std::string bytes;  // "1b 0d 53 ...", elided after COMM_LOG_HEX_SHOWN bytes
    std::string meaning;
};
CommLogRow CommLogRowOf(const TraceEvent& event, int64_t originUs);
// A row as one tab-separated line, without the line end.
std::string CommLogRowText(const CommLogRow& row);

} // namespace printune
