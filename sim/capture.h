#pragma once
// The capture file of one endpoint: every byte received ("rx") and sent
// ("tx") as hex with a time stamp, plus connection and device events.
//   0.012345 rx 1B 0D 53 1B 33 00 1B 10 45
//   0.013001 tx 06
//   0.020000 event settings read
#include <cstdint>
#include <cstdio>
#include <string>

namespace printune_sim {

class Capture {
public:
    explicit Capture(const std::string& path);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    bool Ok() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }

    void Bytes(const char* direction, const uint8_t* data, size_t length);
    void Note(const char* kind, const std::string& text = std::string());
    void Flush();

    static constexpr size_t BYTES_PER_LINE = 32;

private:
    void Stamp();
    std::string path_;
    FILE* file_ = nullptr;
};

// Seconds since the simulator started, for the time stamps.
double SecondsSinceStart();

} // namespace printune_sim
