#pragma once
// The command test's two sends: typed data (text or hex) once or at an
// interval, and a file once or in passes, block by block with progress.
// Both run on the caller's thread (a worker) and end early when stop is
// requested.
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "port/port_link.h"
#include "diagnostics/reply_console.h"

namespace printune {

// The decimal value of an interval box (0 when empty or not a number).
int IntervalFromText(const std::string& text);

struct DataBytes {
    bool ok = false;
    std::vector<uint8_t> bytes;
    std::optional<Notice> notice; // why nothing is sent
};

// The bytes a data send writes: the input as hex text, or as text in the
// narrow code page (see CommandTextBytes).
DataBytes BuildDataBytes(const std::string& input, bool hex, const std::string& codePage,
                         int languageId);

struct DataSendResult {
    bool ok = false; // every write took every byte
    int writes = 0;
    int64_t bytesSent = 0;
    std::optional<Notice> notice; // a failure; a normal end says nothing
};

// Open, then write the bytes and pause intervalMs, again while loop is set,
// the last write took every byte and stop is not requested; close. A single
// send pauses once before closing too. onWrite runs after every write; with
// a reply window the reply is read after every complete write, before the
// pause.
DataSendResult RunDataSend(PortLink& link, const std::vector<uint8_t>& bytes, bool loop,
                           int intervalMs, std::stop_token stop, int languageId,
                           const std::function<void(int writes, int64_t bytesSent)>& onWrite = {},
                           const ReplyWatch& replies = {});

struct FileProgress {
    int64_t sent = 0;     // every byte written so far, over all passes
    int64_t total = 0;    // the file's length
    int64_t position = 0; // bytes of the current pass
    int pass = 1;
    std::string caption; // "%d%%" of sent * 100 / total
};

struct FileSendResult {
    bool ok = false; // a single send that wrote every byte
    int64_t sent = 0;
    int passes = 0;
    bool inputRefused = false;    // no file, or one that cannot be read: nothing opened
    std::optional<Notice> notice; // success message or failure
};

// The blocks of a file send: the whole file under 100 bytes, else
// total / 100, the last block shorter.
int64_t FileBlockSize(int64_t total);

// Sends file in blocks; in looping mode pass after pass with intervalMs
// between passes until stop. A write that takes 0 bytes or fails ends the
// send with "Unable to send file to port.". "File sent successfully." only
// for a complete single send.
FileSendResult RunFileSend(PortLink& link, const std::vector<uint8_t>& file, bool loop,
                           int intervalMs, std::stop_token stop, int languageId,
                           const std::function<void(const FileProgress&)>& onProgress = {});

// Reads the chosen file and sends it (see above). An empty path gives
// "Select a file please.", an unreadable file its own message; nothing is
// sent then.
FileSendResult SendFile(PortLink& link, const std::string& path, bool loop, int intervalMs,
                        std::stop_token stop, int languageId,
                        const std::function<void(const FileProgress&)>& onProgress = {});

} // namespace printune
