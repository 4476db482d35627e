#pragma once
// What a printer sends back after a data send, and how a console shows it:
// time-stamped lines with the bytes as hex and as text side by side.
#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "port/port_link.h"

namespace printune {

inline constexpr int REPLY_WINDOW_MS = 500;
inline constexpr size_t CONSOLE_BYTES_PER_LINE = 16;

struct ReplyRead {
    std::vector<uint8_t> bytes;
    int readError = 0; // the code Read raised; reading ended there
};

// Collects what arrives within windowMs after a write; stop ends it early.
// A serial read waits out the line's own time-outs, so there the window is
// a lower bound.
ReplyRead ReadReply(PortLink& link, int windowMs, std::stop_token stop);

// What a data send does with replies: read for windowMs after every write
// (0: read nothing) and hand each reply, empty ones too, to onReply.
struct ReplyWatch {
    int windowMs = 0;
    std::function<void(int write, const ReplyRead& reply)> onReply;
};

// "1B 40 41" and ".@A": printable ASCII as itself, every other byte a dot.
std::string HexColumn(const uint8_t* data, size_t size);
std::string TextColumn(const uint8_t* data, size_t size);

// The console's lines for one reply, bytesPerLine bytes a line:
// "<stamp>  1B 40 ...  |.@|", the hex column padded so the text lines up;
// the stamp's width in spaces on the lines after the first.
std::vector<std::string> ConsoleLines(const std::vector<uint8_t>& bytes, const std::string& stamp,
                                      size_t bytesPerLine = CONSOLE_BYTES_PER_LINE);

// Local time as HH:MM:SS.mmm.
std::string TimeStamp(std::chrono::system_clock::time_point when);

} // namespace printune
