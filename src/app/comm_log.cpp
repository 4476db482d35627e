#include "app/comm_log.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

namespace printune {

CommLog::CommLog(size_t capacity) : ring_(std::max<size_t>(capacity, 1)) {}

void CommLog::Add(TraceEvent event) {
    if (originUs_ < 0)
        originUs_ = event.timeUs;
    if (size_ == ring_.size()) {
        ring_[head_] = std::move(event);
        head_ = (head_ + 1) % ring_.size();
        ++dropped_;
        return;
    }
    ring_[(head_ + size_) % ring_.size()] = std::move(event);
    ++size_;
}

void CommLog::Clear() {
    for (size_t i = 0; i < size_; ++i)
        ring_[(head_ + i) % ring_.size()] = TraceEvent{};
    head_ = 0;
    size_ = 0;
    dropped_ = 0;
    originUs_ = -1;
}

const TraceEvent& CommLog::At(size_t index) const {
    return ring_[(head_ + index) % ring_.size()];
}

std::vector<size_t> CommLog::Matching(const std::string& transport) const {
    std::vector<size_t> indexes;
    for (size_t i = 0; i < size_; ++i)
        if (CommLogPasses(At(i), transport))
            indexes.push_back(i);
    return indexes;
}

bool CommLog::Save(const std::string& path, const std::vector<size_t>& indexes) const {
    std::FILE* f = std::fopen(path.c_str(), "we");
    if (!f)
        return false;
    int error = 0;
    for (size_t index : indexes) {
        if (index >= size_)
            continue;
        const std::string line = TraceEventJson(At(index)) + "\n";
        if (std::fwrite(line.data(), 1, line.size(), f) != line.size()) {
            error = errno != 0 ? errno : EIO;
            break;
        }
    }
    if (std::fclose(f) != 0 && error == 0)
        error = errno != 0 ? errno : EIO;
    errno = error;
    const bool ok = error == 0;
    return ok;
}

bool CommLogPasses(const TraceEvent& event, const std::string& transport) {
    if (transport.empty())
        return true;
    std::string key = transport;
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key == "all" || key == event.transport;
}

namespace {

std::string HexOf(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    const size_t shown = std::min(bytes.size(), COMM_LOG_HEX_SHOWN);
    std::string text;
    text.reserve(shown * 3 + 4);
    for (size_t i = 0; i < shown; ++i) {
        if (i)
            text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    if (bytes.size() > shown)
        text += " …";
    return text;
}

} // namespace

CommLogRow CommLogRowOf(const TraceEvent& e, int64_t originUs) {
    CommLogRow row;
    char time[32];
    const int64_t us = originUs < 0 ? 0 : e.timeUs - originUs;
    std::snprintf(time, sizeof time, "%.6f", static_cast<double>(us) / 1e6);
    row.time = time;
    row.transport = e.transport;
    row.endpoint = e.endpoint;
    const bool moved = e.kind == TraceKind::Write || e.kind == TraceKind::Read;
    row.direction = moved && e.direction != TraceDirection::None ? TraceDirectionName(e.direction)
                                                                 : TraceKindName(e.kind);
    if (moved) {
        row.length = std::to_string(e.length);
        if (!e.bytes.empty())
            row.bytes = HexOf(e.bytes);
        else if (!e.sha256.empty())
            row.bytes = "SHA-256 " + e.sha256.substr(0, 16) + " …";
    }
    row.meaning = e.meaning;
    if (e.code != 0)
        row.meaning += (row.meaning.empty() ? "[" : " [") + std::to_string(e.code) + "]";
    return row;
}

std::string CommLogRowText(const CommLogRow& row) {
    return row.time + '\t' + row.transport + '\t' + row.endpoint + '\t' + row.direction + '\t' +
           row.length + '\t' + row.bytes + '\t' + row.meaning;
}

} // namespace printune
