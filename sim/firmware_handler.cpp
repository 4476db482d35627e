#include "firmware_handler.h"

#include <array>
#include <cstdio>

#include "handler_util.h"

namespace printune_sim {

namespace {

constexpr std::initializer_list<uint8_t> DOWNLOAD_MODE = {0x1B, 0x0D, 0x53, 0x1B, 0x90, 0x46, 0x57};

std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
    }
    return t;
}

AfterImage& AfterImageSetting() {
    static AfterImage after;
    return after;
}

} // namespace

void SetAfterImage(const AfterImage& after) {
    AfterImageSetting() = after;
}

const AfterImage& CurrentAfterImage() {
    return AfterImageSetting();
}

uint32_t FirmwareHandler::Crc32(const uint8_t* data, size_t length) {
    static const std::array<uint32_t, 256> table = MakeCrcTable();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

CommandHandler::Result FirmwareHandler::Handle(const uint8_t* data, size_t length, size_t& consumed,
                                               Reply&) {
    if (gone_) {
        consumed = length;
        return Result::Handled;
    }
    if (!receiving_ && family_ == Family::Label && downloadMode_) {
        receiving_ = true;
        current_ = Image{"label", {}, 0, false};
    }
    if (receiving_) {
        current_.bytes.insert(current_.bytes.end(), data, data + length);
        consumed = length;
        return Result::Handled;
    }
    if (family_ == Family::Label) {
        switch (MatchPrefix(data, length, DOWNLOAD_MODE)) {
        case Match::Partial:
            return Result::NeedMore;
        case Match::No:
            return Result::NotMine;
        case Match::Full:
            downloadMode_ = true;
            consumed = DOWNLOAD_MODE.size();
            events_.push_back(DOWNLOAD_MODE_EVENT);
            return Result::Handled;
        }
    }
    Match fw = MatchPrefix(data, length, {'U', 'D', 'F', 'W'});
    Match cg = MatchPrefix(data, length, {'U', 'D', 'C', 'G'});
    if (fw == Match::Full || cg == Match::Full) {
        receiving_ = true;
        current_ = Image{fw == Match::Full ? "UDFW" : "UDCG", {}, 0, false};
        current_.bytes.assign(data, data + length);
        consumed = length;
        return Result::Handled;
    }
    return fw == Match::Partial || cg == Match::Partial ? Result::NeedMore : Result::NotMine;
}

void FirmwareHandler::FinishImage() {
    if (!receiving_)
        return;
    receiving_ = false;
    Image img = std::move(current_);
    current_ = Image{};
    // What the simulated loader accepts: a non-empty image; a tagged image
    // must carry data behind its tag.
    const size_t tag = img.kind == "label" ? 0 : 4;
    img.valid = img.bytes.size() > tag;
    img.crc32 = Crc32(img.bytes.data(), img.bytes.size());
    char line[160];
    std::snprintf(line, sizeof line, "firmware: %s image %zu bytes crc32 %08X %s", img.kind.c_str(),
                  img.bytes.size(), img.crc32, img.valid ? "accepted" : "rejected");
    events_.push_back(line);
    const bool accepted = img.valid;
    images_.push_back(std::move(img));
    if (images_.size() > MAX_KEPT_IMAGES)
        images_.erase(images_.begin());
    // The printer restarts with its new firmware: download mode ends.
    downloadMode_ = false;
    if (!accepted)
        return;
    if (onAccepted_)
        onAccepted_();
    if (CurrentAfterImage().gone) {
        gone_ = true;
        events_.push_back("firmware: printer gone");
    }
}

void FirmwareHandler::Reset() {
    FinishImage();
}

std::vector<std::string> FirmwareHandler::TakeEvents() {
    std::vector<std::string> e;
    e.swap(events_);
    return e;
}

} // namespace printune_sim
