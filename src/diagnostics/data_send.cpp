#include "diagnostics/data_send.h"

#include <algorithm>
#include <cstdio>

#include <unistd.h>

#include "base/codepage.h"
#include "base/device_texts.h"
#include "base/file_bytes.h"
#include "base/hex_text.h"
#include "base/pause.h"
#include "port/port_errors.h"

namespace printune {

int IntervalFromText(const std::string& text) {
    long long v = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 24LL * 3600 * 1000) // a day is more than any pause needs
            return 24 * 3600 * 1000;
    }
    return static_cast<int>(v);
}

DataBytes BuildDataBytes(const std::string& input, bool hex, const std::string& codePage,
                         int languageId) {
    DataBytes r;
    if (input.empty()) {
        r.notice = Notice{Severity::Warning, DeviceTextString(DeviceText::InputEmpty, languageId)};
        return r;
    }
    if (hex) {
        if (ParseHexText(input, r.bytes) < 0) {
            r.notice = Notice{Severity::Error, DeviceTextString(DeviceText::NotHex, languageId)};
            return r;
        }
        // Separators only: nothing to send (a loop of empty writes would
        // only spin).
        if (r.bytes.empty()) {
            r.notice =
                Notice{Severity::Warning, DeviceTextString(DeviceText::InputEmpty, languageId)};
            return r;
        }
        r.ok = true;
        return r;
    }
    TextBytes t = CommandTextBytes(input, codePage, languageId);
    if (!t.ok) {
        r.notice = Notice{Severity::Error, t.error};
        return r;
    }
    r.bytes = std::move(t.bytes);
    r.ok = true;
    return r;
}

namespace {

// Open failures of the data send: an error icon when the device could not
// be opened, a warning when no USB printer was found.
Severity DataOpenSeverity(int code) {
    return code == 8005 || code == 8006 ? Severity::Warning : Severity::Error;
}

std::optional<Notice> OpenLink(PortLink& link, int languageId, bool fileSend) {
    try {
        if (link.Open() == 1)
            return std::nullopt;
        return OpenFailureNotice(link, 0, Severity::Error, languageId);
    } catch (const PortError& e) {
        return OpenFailureNotice(e, fileSend ? Severity::Error : DataOpenSeverity(e.Code()),
                                 languageId);
    }
}

Notice SendFailedNotice(int languageId) {
    return Notice{Severity::Warning, DeviceTextString(DeviceText::SendFailed, languageId)};
}

// Waits until the printer has taken what was written; false when it has not.
bool FlushLink(PortLink& link) {
    try {
        link.Flush();
        return true;
    } catch (const PortError&) {
        return false;
    }
}

} // namespace

DataSendResult RunDataSend(PortLink& link, const std::vector<uint8_t>& bytes, bool loop,
                           int intervalMs, std::stop_token stop, int languageId,
                           const std::function<void(int, int64_t)>& onWrite,
                           const ReplyWatch& replies) {
    DataSendResult r;
    LinkCloser closer(link);
    if (auto n = OpenLink(link, languageId, false)) {
        r.notice = n;
        return r;
    }
    const auto length = static_cast<int32_t>(bytes.size());
    r.ok = true;
    for (;;) {
        int written = -1;
        std::string hint; // the remedy for a raised failure's cause
        try {
            written = link.Write(bytes.data(), length);
        } catch (const PortError& e) {
            written = -1;
            hint = PortErrorHint(e, languageId);
        }
        if (written >= 0) {
            ++r.writes;
            r.bytesSent += written;
            if (onWrite)
                onWrite(r.writes, r.bytesSent);
        }
        // A failed or short write ends the repetition; a short write is as
        // much a failure as a refused one, so it is said as well.
        if (written != length) {
            r.ok = false;
            r.notice = SendFailedNotice(languageId);
            r.notice->hint = hint;
            loop = false;
        } else if (replies.windowMs > 0) {
            const ReplyRead reply = ReadReply(link, replies.windowMs, stop);
            if (replies.onReply)
                replies.onReply(r.writes, reply);
        }
        PauseFor(intervalMs, stop);
        if (!loop || stop.stop_requested())
            break;
    }
    if (r.ok && !FlushLink(link)) {
        r.ok = false;
        r.notice = SendFailedNotice(languageId);
    }
    return r;
}

int64_t FileBlockSize(int64_t total) {
    return total < 100 ? total : total / 100;
}

namespace {

// The bytes of one write of a file send: the block, up to this bound. Files
// up to 100 MiB go out block by block exactly; a larger file's blocks are
// written in pieces of this size, so memory stays independent of its size.
constexpr int64_t FILE_WRITE_MAX = 1 << 20;

// Copies n bytes at offset into out; false when they cannot be had.
using FileReader = std::function<bool(int64_t offset, uint8_t* out, size_t n)>;

FileSendResult SendBlocks(PortLink& link, int64_t total, const FileReader& read, bool loop,
                          int intervalMs, std::stop_token stop, int languageId,
                          const std::function<void(const FileProgress&)>& onProgress) {
    FileSendResult r;
    LinkCloser closer(link);
    if (auto n = OpenLink(link, languageId, true)) {
        r.notice = n;
        return r;
    }
    FileProgress progress;
    progress.total = total;
    std::vector<uint8_t> buffer(
        static_cast<size_t>(std::min(FileBlockSize(total), FILE_WRITE_MAX)));
    bool ended = false; // a zero write, a failure or a stop request
    for (;;) {
        const int64_t block = std::min(FileBlockSize(total), FILE_WRITE_MAX);
        int64_t remaining = total;
        progress.position = 0;
        ++r.passes;
        progress.pass = r.passes;
        while (remaining > 0 && !ended) {
            if (stop.stop_requested()) {
                ended = true;
                break;
            }
            const int64_t want = std::min(block, remaining);
            if (!read(total - remaining, buffer.data(), static_cast<size_t>(want))) {
                // The file shrank or went away under the send.
                r.notice = SendFailedNotice(languageId);
                ended = true;
                break;
            }
            int written = 0;
            try {
                written = link.Write(buffer.data(), static_cast<int32_t>(want));
            } catch (const PortError&) {
                r.notice = SendFailedNotice(languageId);
                ended = true;
                break;
            }
            if (written <= 0) {
                // The printer takes nothing more: end, and say so.
                r.notice = SendFailedNotice(languageId);
                ended = true;
                break;
            }
            remaining -= written;
            r.sent += written;
            progress.position += written;
            progress.sent = r.sent;
            progress.caption = PercentCaption(r.sent, total);
            if (onProgress)
                onProgress(progress);
        }
        PauseFor(intervalMs, stop);
        // An empty file has no passes to repeat.
        if (!loop || ended || total == 0 || stop.stop_requested())
            break;
    }
    // The file counts as sent only once the printer has taken its tail.
    if (!loop && !ended && r.sent == total && !FlushLink(link))
        r.notice = SendFailedNotice(languageId);
    else if (!loop && !ended && r.sent == total) {
        r.ok = true;
        r.notice =
            Notice{Severity::Information, DeviceTextString(DeviceText::FileSent, languageId)};
    }
    return r;
}

} // namespace

FileSendResult RunFileSend(PortLink& link, const std::vector<uint8_t>& file, bool loop,
                           int intervalMs, std::stop_token stop, int languageId,
                           const std::function<void(const FileProgress&)>& onProgress) {
    auto read = [&file](int64_t offset, uint8_t* out, size_t n) {
        std::copy_n(file.begin() + offset, n, out);
        return true;
    };
    return SendBlocks(link, static_cast<int64_t>(file.size()), read, loop, intervalMs, stop,
                      languageId, onProgress);
}

FileSendResult SendFile(PortLink& link, const std::string& path, bool loop, int intervalMs,
                        std::stop_token stop, int languageId,
                        const std::function<void(const FileProgress&)>& onProgress) {
    FileSendResult r;
    r.inputRefused = true;
    if (path.empty()) {
        r.notice = Notice{Severity::Warning, DeviceTextString(DeviceText::SelectFile, languageId)};
        return r;
    }
    // Streamed from the file, never loaded whole: a huge file costs no memory.
    int64_t size = 0;
    int err = 0;
    const int fd = OpenRegularFile(path, size, &err);
    if (fd < 0) {
        r.notice = Notice{Severity::Error,
                          FormatDeviceText(IsNotRegularFileError(err) ? DeviceText::FileNotRegular
                                                                      : DeviceText::FileUnreadable,
                                           languageId, path)};
        return r;
    }
    auto read = [fd](int64_t offset, uint8_t* out, size_t n) {
        return ReadFileAt(fd, offset, out, n);
    };
    r = SendBlocks(link, size, read, loop, intervalMs, stop, languageId, onProgress);
    ::close(fd);
    return r;
}

} // namespace printune
