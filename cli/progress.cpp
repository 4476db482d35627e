#include "progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace printune::cli {

Progress::Progress(bool enabled) : enabled_(enabled), terminal_(isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
    Finish();
}

void Progress::Update(int64_t sent, int64_t total) {
    if (!enabled_ || total <= 0)
        return;
    const long long percent = static_cast<long long>(sent * 100 / total);
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    if (!terminal_) {
        std::fprintf(stderr, "%lld%%\n", percent);
        return;
    }
    constexpr int width = 40;
    const long long shown = percent > 100 ? 100 : percent;
    const int filled = static_cast<int>(shown * width / 100);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), '.');
    std::fprintf(stderr, "\r[%s] %lld%%", bar.c_str(), percent);
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::Finish() {
    if (drawn_) {
        std::fputc('\n', stderr);
        drawn_ = false;
    }
}

} // namespace printune::cli
