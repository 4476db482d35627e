#include "firmware/firmware_image.h"

#include <cerrno>

#include "base/device_texts.h"
#include "base/file_bytes.h"

namespace printune {

namespace {

bool EndsWith(const std::string& s, const char* suffix) {
    std::string_view tail(suffix);
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

ImageKind ImageKindFromPath(const std::string& path) {
    if (EndsWith(path, ".FW") || EndsWith(path, ".fw"))
        return ImageKind::ReceiptFirmware;
    if (EndsWith(path, ".cg") || EndsWith(path, ".CG"))
        return ImageKind::CharacterGenerator;
    if (EndsWith(path, ".bin") || EndsWith(path, ".BIN"))
        return ImageKind::LabelFile;
    return ImageKind::Unknown;
}

std::string ImageTag(ImageKind kind) {
    switch (kind) {
    case ImageKind::ReceiptFirmware:
        return "UDFW";
    case ImageKind::CharacterGenerator:
        return "UDCG";
    default:
        return "";
    }
}

UsbFilter UpdateUsbFilter(ImageKind kind, bool downloadMode, const UsbFilter& current) {
    UsbFilter f = current;
    if (kind == ImageKind::LabelFile && !downloadMode) {
        f.UsbVidFilter = "6B2D";
        f.UsbPidFilter = "4E08";
    } else {
        f.UsbVidFilter = "7A3E";
        f.UsbPidFilter = kind == ImageKind::LabelFile ? "5C19" : "3D71";
    }
    return f;
}

std::vector<uint8_t> DownloadModeCommand() {
    return {0x1B, 0x0D, 0x53, 0x1B, 0x90, 0x46, 0x57};
}

FirmwareImage BuildImage(ImageKind kind, const std::vector<uint8_t>& file) {
    FirmwareImage img;
    img.kind = kind;
    img.fileLength = static_cast<int64_t>(file.size());
    std::string tag = ImageTag(kind);
    img.bytes.reserve(tag.size() + file.size());
    img.bytes.insert(img.bytes.end(), tag.begin(), tag.end());
    img.bytes.insert(img.bytes.end(), file.begin(), file.end());
    return img;
}

PreparedImage PrepareImage(const std::string& path, int languageId) {
    PreparedImage r;
    ImageKind kind = ImageKindFromPath(path);
    if (kind == ImageKind::Unknown) {
        r.notice = Notice{Severity::Warning,
                          FormatDeviceText(DeviceText::ImageKindUnknown, languageId, path)};
        return r;
    }
    std::vector<uint8_t> file;
    int err = 0;
    if (!ReadFileBytes(path, file, &err, FIRMWARE_IMAGE_MAX_BYTES)) {
        const std::string text =
            err == EFBIG ? FormatDeviceText(DeviceText::ImageTooLarge, languageId, path,
                                            std::to_string(FIRMWARE_IMAGE_MAX_BYTES >> 20))
            : IsNotRegularFileError(err)
                ? FormatDeviceText(DeviceText::FileNotRegular, languageId, path)
                : FormatDeviceText(DeviceText::FileUnreadable, languageId, path);
        r.notice = Notice{Severity::Error, text};
        return r;
    }
    if (file.empty()) {
        r.notice =
            Notice{Severity::Error, FormatDeviceText(DeviceText::FileEmpty, languageId, path)};
        return r;
    }
    if (kind == ImageKind::LabelFile) {
        // Sent unchanged: keep the one buffer.
        r.image.kind = kind;
        r.image.fileLength = static_cast<int64_t>(file.size());
        r.image.bytes = std::move(file);
    } else {
        r.image = BuildImage(kind, file);
    }
    r.ok = true;
    return r;
}

BlockPlan PlanBlocks(int64_t total) {
    BlockPlan p;
    if (total <= 0)
        return p;
    p.block = total < 100 ? total : total / 100;
    p.writes = (total + p.block - 1) / p.block;
    p.lastBlock = total - (p.writes - 1) * p.block;
    return p;
}

} // namespace printune
