// Firmware images and the block plan of transfers and file sends.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "diagnostics/data_send.h"
#include "firmware/firmware_image.h"

using namespace printune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9)
        return 0;
    int64_t total = 0;
    std::memcpy(&total, data, sizeof total);
    total &= (int64_t{1} << 40) - 1; // up to a terabyte
    const BlockPlan p = PlanBlocks(total);
    if (total == 0) {
        if (p.block || p.writes || p.lastBlock)
            abort();
    } else {
        if (p.block < 1 || p.lastBlock < 1 || p.lastBlock > p.block ||
            (p.writes - 1) * p.block + p.lastBlock != total)
            abort();
        if (total >= 100 && (p.writes < 100 || p.writes > 199))
            abort();
        if (FileBlockSize(total) != p.block)
            abort();
    }

    // The image: the tag of the kind, then the file unchanged.
    const std::vector<uint8_t> file(data + 9, data + size);
    const ImageKind kinds[] = {ImageKind::ReceiptFirmware, ImageKind::CharacterGenerator,
                               ImageKind::LabelFile};
    const ImageKind kind = kinds[data[8] % 3];
    const FirmwareImage image = BuildImage(kind, file);
    const std::string tag = ImageTag(kind);
    if (image.bytes.size() != tag.size() + file.size() ||
        !std::equal(tag.begin(), tag.end(), image.bytes.begin()) ||
        !std::equal(file.begin(), file.end(), image.bytes.begin() + tag.size()))
        abort();
    return 0;
}
