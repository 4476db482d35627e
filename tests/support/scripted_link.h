#pragma once
// A PortLink whose port behaves as a test scripts it: open failures, write
// counts or failures per write, replies per read. Records what was written.
#include <deque>
#include <functional>
#include <vector>

#include "port/port_link.h"
#include "port/port_settings.h"

namespace printune_test {

class ScriptedLink : public printune::PortLink {
public:
    int openResult = 1; // returned by Open when openError is 0
    int openError = 0;  // raised by Open when non-zero
    int32_t portType = printune::PORT_LAN;
    // Decides what write number i (0-based) of length bytes reports; may
    // throw a PortError. Default: everything taken.
    std::function<int(int index, int32_t length)> onWrite;
    std::deque<std::vector<uint8_t>> replies; // one per Read; empty: 0 bytes
    int readError = 0;                        // raised by Read when non-zero

    std::vector<std::vector<uint8_t>> writes; // bytes actually taken, per write
    int opens = 0;
    int closes = 0;
    bool open = false;

    int Open() override {
        ++opens;
        open = true;
        if (openError != 0)
            throw printune::PortError(openError, portType, LastErrno());
        return openResult;
    }
    int Write(const uint8_t* data, int32_t length) override {
        int n = onWrite ? onWrite(static_cast<int>(writes.size()), length) : length;
        writes.emplace_back(data, data + (n > 0 ? n : 0));
        return n;
    }
    int Read(uint8_t* buffer, int size) override {
        if (readError != 0)
            throw printune::PortError(readError, portType, LastErrno());
        if (replies.empty())
            return 0;
        std::vector<uint8_t> r = replies.front();
        replies.pop_front();
        int n = static_cast<int>(r.size()) < size ? static_cast<int>(r.size()) : size;
        std::copy(r.begin(), r.begin() + n, buffer);
        return n;
    }
    int Close() override {
        if (open)
            ++closes;
        open = false;
        return 1;
    }
    int32_t PortType() const override { return portType; }

    std::vector<uint8_t> AllWritten() const {
        std::vector<uint8_t> all;
        for (auto& w : writes)
            all.insert(all.end(), w.begin(), w.end());
        return all;
    }
};

// Hex text to bytes for expectations: "1B 0D 53".
inline std::vector<uint8_t> Hex(const char* text) {
    std::vector<uint8_t> out;
    int high = -1;
    for (const char* p = text; *p; ++p) {
        int v = *p >= '0' && *p <= '9'   ? *p - '0'
                : *p >= 'A' && *p <= 'F' ? *p - 'A' + 10
                : *p >= 'a' && *p <= 'f' ? *p - 'a' + 10
                                         : -1;
        if (v < 0)
            continue;
        if (high < 0)
            high = v;
        else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

inline std::vector<uint8_t> Ascii(const char* text) {
    return std::vector<uint8_t>(text, text + std::char_traits<char>::length(text));
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace printune_test
