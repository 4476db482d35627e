#pragma once
// Reply faults of a simulated printer, for the tool's error paths: the
// printer stays silent, answers late, answers with only the first bytes of
// its reply, answers with garbage of the same length, or sends
// its reply in two pieces MS apart.
//   --reply-fault none | silent | delay:MS | short:N | garbage | split:MS
//   (comma-separated)
#include <memory>
#include <string>

#include "sim_device.h"

namespace printune_sim {

struct ReplyFaults {
    bool silent = false;
    int delayMs = 0;
    int shortTo = -1; // keep at most this many bytes of each reply
    bool garbage = false;
    int splitGapMs = -1; // the second half of each reply this much later

    bool Any() const { return silent || delayMs > 0 || shortTo >= 0 || garbage || splitGapMs >= 0; }
};

// False with a reason on an unknown or malformed item.
bool ParseReplyFaults(const std::string& text, ReplyFaults& faults, std::string& error);

// Wraps a device so that its replies show the faults (no wrapper when none).
std::unique_ptr<SimDevice> WithReplyFaults(std::unique_ptr<SimDevice> device,
                                           const ReplyFaults& faults);

} // namespace printune_sim
