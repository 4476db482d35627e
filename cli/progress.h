#pragma once
// Progress of a long transfer on standard error: a bar that redraws itself
// on a terminal, plain percentage lines otherwise (one per new percent).
#include <cstdint>

namespace printune::cli {

class Progress {
public:
    explicit Progress(bool enabled);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // sent of total bytes; percent = sent * 100 / total (integer), as the
    // pages' captions show it. Passes after the first keep counting up.
    void Update(int64_t sent, int64_t total);
    // Ends the bar's line.
    void Finish();

private:
    bool enabled_;
    bool terminal_;
    bool drawn_ = false;
    long long lastPercent_ = -1;
};

} // namespace printune::cli
