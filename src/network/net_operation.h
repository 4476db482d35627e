#pragma once
// What every network operation shares: the progress it reports and the
// pause that a stop request ends at once.
#include <chrono>
#include <functional>
#include <stop_token>
#include <string>

namespace printune {

enum class NetStep {
    Searching, // a search went out; `count` rows so far
    Found,     // a new row (or another answer of a known one)
    SetSent,   // a set request or set block went out
    Applied,   // an apply request went out
    Waiting,   // pausing while the printer restarts
    Querying,  // a query went out; `count` is the attempt
    Restoring, // writing back block 1 after a failed DHCP
    Done,
};

struct NetProgress {
    NetStep step = NetStep::Searching;
    int count = 0;
    std::chrono::milliseconds elapsed{0};
    std::string detail; // the block or request concerned ("block1", "apply")
};

using NetProgressFn = std::function<void(const NetProgress&)>;

// Sleeps `duration` or until `stop` is requested; false when stopped.
bool NetPause(std::chrono::milliseconds duration, std::stop_token stop);

} // namespace printune
