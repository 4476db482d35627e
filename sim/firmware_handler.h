#pragma once
// Firmware and font updates on a simulated printer. A label printer enters
// download mode on 1B 0D 53 1B 90 46 57 and then takes everything that
// follows as the image; a receipt printer takes a stream that starts with
// "UDFW" (firmware) or "UDCG" (character generator) as an image. The image
// ends when the connection that carried it closes; it is then checked and
// reported. Goes first in a printer's chain: an image may contain anything.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim_printer.h"

namespace printune_sim {

// What a printer does once an image was accepted (the same for every
// simulated printer of the run).
struct AfterImage {
    std::string labelVersion; // non-empty: the label printers' new version text
    bool gone = false;        // the printer never answers again
};
void SetAfterImage(const AfterImage& after);
const AfterImage& CurrentAfterImage();
// The event a printer reports when it takes the download-mode command.
inline constexpr const char* DOWNLOAD_MODE_EVENT = "firmware: download mode";

class FirmwareHandler : public CommandHandler {
public:
    enum class Family { Label, Receipt };
    // onAccepted runs after each accepted image (the printer restarts).
    explicit FirmwareHandler(Family family, std::function<void()> onAccepted = {})
        : family_(family), onAccepted_(std::move(onAccepted)) {}

    Result Handle(const uint8_t* data, size_t length, size_t& consumed, Reply& reply) override;
    void Reset() override; // the connection ended: an image in progress is complete
    std::vector<std::string> TakeEvents() override;

    struct Image {
        std::string kind;           // "label", "UDFW", "UDCG"
        std::vector<uint8_t> bytes; // as received, tag included
        uint32_t crc32 = 0;
        bool valid = false;
    };

    bool InDownloadMode() const { return downloadMode_; }
    bool Receiving() const { return receiving_; }
    // Completed images, oldest first (the last few only).
    static constexpr size_t MAX_KEPT_IMAGES = 4;
    const std::vector<Image>& Images() const { return images_; }
    // Ends an image in progress as a disconnect would (for endpoints that
    // have no connection to close).
    void FinishImage();

    static uint32_t Crc32(const uint8_t* data, size_t length);

private:
    Family family_;
    std::function<void()> onAccepted_;
    bool gone_ = false; // restarted into nothing: takes every byte, answers none
    bool downloadMode_ = false;
    bool receiving_ = false;
    Image current_;
    std::vector<Image> images_;
    std::vector<std::string> events_;
};

} // namespace printune_sim
