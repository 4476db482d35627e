#include "diagnostics/input_history.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "base/file_bytes.h"

namespace printune {

std::string EncodeHistory(const std::vector<std::string>& entries) {
    std::string out;
    for (const std::string& entry : entries) {
        for (char c : entry) {
            if (c == '\\')
                out += "\\\\";
            else if (c == '\n')
                out += "\\n";
            else if (c == '\r')
                out += "\\r";
            else
                out += c;
        }
        out += '\n';
    }
    return out;
}

std::vector<std::string> DecodeHistory(const std::string& text) {
    std::vector<std::string> entries;
    std::string entry;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            if (!entry.empty())
                entries.push_back(entry);
            entry.clear();
        } else if (c == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            entry += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else if (c != '\r') {
            entry += c;
        }
    }
    if (!entry.empty())
        entries.push_back(entry);
    return entries;
}

bool InputHistory::Load(const std::string& path) {
    std::vector<uint8_t> raw;
    int err = 0;
    if (!ReadFileBytes(path, raw, &err)) {
        entries_.clear();
        TrimAndRestart();
        return err == ENOENT;
    }
    entries_ = DecodeHistory(std::string(raw.begin(), raw.end()));
    TrimAndRestart();
    return true;
}

bool InputHistory::Save(const std::string& path) const {
    const std::string text = EncodeHistory(entries_);
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

void InputHistory::Add(const std::string& entry) {
    if (!entry.empty()) {
        entries_.erase(std::remove(entries_.begin(), entries_.end(), entry), entries_.end());
        entries_.push_back(entry);
    }
    TrimAndRestart();
}

void InputHistory::TrimAndRestart() {
    if (entries_.size() > limit_)
        entries_.erase(entries_.begin(),
                       entries_.begin() + static_cast<std::ptrdiff_t>(entries_.size() - limit_));
    cursor_ = entries_.size();
    walking_ = false;
    draft_.clear();
}

bool InputHistory::Older(const std::string& current, std::string& out) {
    if (cursor_ == 0)
        return false;
    if (!walking_) {
        draft_ = current;
        walking_ = true;
    }
    out = entries_[--cursor_];
    return true;
}

bool InputHistory::Newer(std::string& out) {
    if (!walking_)
        return false;
    if (++cursor_ >= entries_.size()) {
        out = draft_;
        TrimAndRestart();
        return true;
    }
    out = entries_[cursor_];
    return true;
}

} // namespace printune
