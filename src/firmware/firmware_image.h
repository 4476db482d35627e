#pragma once
// Firmware and font images: the kind by file name ending, the image sent
// (receipt-printer files carry a four-byte tag in front), the USB filter the
// printer answers with while it takes the image, and the command that puts a
// label printer into download mode.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "port/port_link.h"
#include "port/usb_filter.h"

namespace printune {

enum class ImageKind {
    Unknown,
    ReceiptFirmware,    // ".FW" / ".fw": "UDFW" + file
    CharacterGenerator, // ".cg" / ".CG": "UDCG" + file
    LabelFile,          // ".bin" / ".BIN": the file unchanged
};

// By the path's ending alone, compared exactly (".Fw" is no kind).
ImageKind ImageKindFromPath(const std::string& path);

// The four tag bytes of a kind; empty for a label file or an unknown kind.
std::string ImageTag(ImageKind kind);

// The USB filter texts while the image is sent, in the current filter's
// mode: 7A3E/3D71 for receipt files; for label files 7A3E/5C19 after a
// download-mode command, else 6B2D/4E08 (the printer's loader).
UsbFilter UpdateUsbFilter(ImageKind kind, bool downloadMode, const UsbFilter& current);

// ESC CR 'S' ESC 90 'F' 'W'.
std::vector<uint8_t> DownloadModeCommand();

struct FirmwareImage {
    ImageKind kind = ImageKind::Unknown;
    std::vector<uint8_t> bytes; // what goes to the printer
    int64_t fileLength = 0;
};

// The largest image file taken. The printers of the list hold a few
// megabytes of flash at most; 32 MiB leaves ample room and keeps a wrong
// file (a disk image, a video) from being loaded whole.
inline constexpr int64_t FIRMWARE_IMAGE_MAX_BYTES = 32LL << 20;

struct PreparedImage {
    bool ok = false;
    FirmwareImage image;
    std::optional<Notice> notice;
};

// Reads the file and builds its image. An unreadable file, one that is not a
// regular file or is above FIRMWARE_IMAGE_MAX_BYTES, or a name of no known
// kind gives a message and no image.
PreparedImage PrepareImage(const std::string& path, int languageId);

// The image from file bytes already in memory.
FirmwareImage BuildImage(ImageKind kind, const std::vector<uint8_t>& file);

// The block plan: total / 100 bytes per write (the whole image when it is
// under 100 bytes), the last write shorter.
struct BlockPlan {
    int64_t block = 0;
    int64_t writes = 0;
    int64_t lastBlock = 0;
};
BlockPlan PlanBlocks(int64_t total);

} // namespace printune
