#include "capture.h"

#include <algorithm>

#include "port/fd_io.h"

namespace printune_sim {

namespace {
const int64_t g_startMs = printune::MonotonicMs();
}

double SecondsSinceStart() {
    return static_cast<double>(printune::MonotonicMs() - g_startMs) / 1000.0;
}

Capture::Capture(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "we")) {}

Capture::~Capture() {
    if (file_)
        std::fclose(file_);
}

void Capture::Stamp() {
    std::fprintf(file_, "%.6f ", SecondsSinceStart());
}

void Capture::Bytes(const char* direction, const uint8_t* data, size_t length) {
    if (!file_)
        return;
    static const char kHex[] = "0123456789ABCDEF";
    char line[BYTES_PER_LINE * 3 + 2];
    for (size_t off = 0; off < length; off += BYTES_PER_LINE) {
        size_t n = std::min(BYTES_PER_LINE, length - off);
        char* p = line;
        for (size_t i = 0; i < n; ++i) {
            *p++ = ' ';
            *p++ = kHex[data[off + i] >> 4];
            *p++ = kHex[data[off + i] & 15];
        }
        *p++ = '\n';
        Stamp();
        std::fputs(direction, file_);
        std::fwrite(line, 1, static_cast<size_t>(p - line), file_);
    }
}

void Capture::Note(const char* kind, const std::string& text) {
    if (!file_)
        return;
    Stamp();
    std::fprintf(file_, "%s%s%s\n", kind, text.empty() ? "" : " ", text.c_str());
}

void Capture::Flush() {
    if (file_)
        std::fflush(file_);
}

} // namespace printune_sim
