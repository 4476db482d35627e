#include "diagnostics/reply_console.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "port/port_errors.h"
#include "port/port_settings.h"

namespace printune {

ReplyRead ReadReply(PortLink& link, int windowMs, std::stop_token stop) {
    ReplyRead reply;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(windowMs, 0));
    // Small serial reads keep the line's per-byte time-out near the window.
    const int chunk = link.PortType() == PORT_COM ? 64 : 4096;
    std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
    while (!stop.stop_requested() && Clock::now() < deadline) {
        int n = 0;
        try {
            n = link.Read(buffer.data(), chunk);
        } catch (const PortError& error) {
            reply.readError = error.Code();
            break;
        }
        if (n > 0)
            reply.bytes.insert(reply.bytes.end(), buffer.begin(), buffer.begin() + n);
    }
    return reply;
}

std::string HexColumn(const uint8_t* data, size_t size) {
    std::string out;
    char byte[4];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", data[i]);
        out += byte;
    }
    return out;
}

std::string TextColumn(const uint8_t* data, size_t size) {
    std::string out;
    for (size_t i = 0; i < size; ++i)
        out += data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '.';
    return out;
}

std::vector<std::string> ConsoleLines(const std::vector<uint8_t>& bytes, const std::string& stamp,
                                      size_t bytesPerLine) {
    std::vector<std::string> lines;
    bytesPerLine = std::max<size_t>(bytesPerLine, 1);
    const size_t hexWidth = bytesPerLine * 3 - 1;
    for (size_t at = 0; at < bytes.size(); at += bytesPerLine) {
        const size_t n = std::min(bytesPerLine, bytes.size() - at);
        std::string hex = HexColumn(bytes.data() + at, n);
        hex.resize(hexWidth, ' ');
        const std::string lead = at == 0 ? stamp : std::string(stamp.size(), ' ');
        lines.push_back(lead + "  " + hex + "  |" + TextColumn(bytes.data() + at, n) + "|");
    }
    return lines;
}

std::string TimeStamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms));
    return text;
}

} // namespace printune
