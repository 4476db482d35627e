#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/language.h"
#include "firmware/firmware_image.h"
#include "firmware/firmware_transfer.h"
#include "support/scripted_link.h"

using namespace printune;
using printune_test::Ascii;
using printune_test::Concat;
using printune_test::Hex;
using printune_test::ScriptedLink;

namespace {

TEST(ImageKindTest, ByExactEnding) {
    struct {
        const char* path;
        ImageKind kind;
    } cases[] = {
        {"/a/ht740.FW", ImageKind::ReceiptFirmware},
        {"x.fw", ImageKind::ReceiptFirmware},
        {"x.Fw", ImageKind::Unknown},
        {"font.cg", ImageKind::CharacterGenerator},
        {"FONT.CG", ImageKind::CharacterGenerator},
        {"x.cG", ImageKind::Unknown},
        {"kp520.bin", ImageKind::LabelFile},
        {"KP520.BIN", ImageKind::LabelFile},
        {"x.Bin", ImageKind::Unknown},
        {"x.mot", ImageKind::Unknown},
        {"fw", ImageKind::Unknown},
        {"", ImageKind::Unknown},
    };
    for (auto& c : cases)
        EXPECT_EQ(ImageKindFromPath(c.path), c.kind) << c.path;
}

TEST(ImageKindTest, TaggedImagesAndFilters) {
    auto file = Hex("01 02 03");
    EXPECT_EQ(BuildImage(ImageKind::ReceiptFirmware, file).bytes, Hex("55 44 46 57 01 02 03"));
    EXPECT_EQ(BuildImage(ImageKind::CharacterGenerator, file).bytes, Hex("55 44 43 47 01 02 03"));
    EXPECT_EQ(BuildImage(ImageKind::LabelFile, file).bytes, file);

    UsbFilter vendorOnly{"7A3E", "5C19", 1};
    auto f = UpdateUsbFilter(ImageKind::ReceiptFirmware, false, vendorOnly);
    EXPECT_EQ(f, (UsbFilter{"7A3E", "3D71", 1})); // the mode flag is kept
    EXPECT_EQ(UpdateUsbFilter(ImageKind::CharacterGenerator, true, {}),
              (UsbFilter{"7A3E", "3D71", 0}));
    EXPECT_EQ(UpdateUsbFilter(ImageKind::LabelFile, true, {}), (UsbFilter{"7A3E", "5C19", 0}));
    EXPECT_EQ(UpdateUsbFilter(ImageKind::LabelFile, false, {}), (UsbFilter{"6B2D", "4E08", 0}));
    EXPECT_EQ(DownloadModeCommand(), Hex("1B 0D 53 1B 90 46 57"));
}

TEST(BlockPlanTest, Sizes) {
    struct {
        int64_t total, block, writes, last;
    } cases[] = {{1000, 10, 100, 10}, {1055, 10, 106, 5},
                 {100, 1, 100, 1},    {199, 1, 199, 1},
                 {99, 99, 1, 99},     {1, 1, 1, 1},
                 {0, 0, 0, 0},        {8 << 20, 83886, 101, (8 << 20) - 83886 * 100}};
    for (auto& c : cases) {
        BlockPlan p = PlanBlocks(c.total);
        EXPECT_EQ(p.block, c.block) << c.total;
        EXPECT_EQ(p.writes, c.writes) << c.total;
        EXPECT_EQ(p.lastBlock, c.last) << c.total;
    }
}

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        SetUsbFilter(before_);
        dir_ =
            std::filesystem::temp_directory_path() / ("printune-fw-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        // Whatever happened, the filter is the one from before the update.
        EXPECT_EQ(CurrentUsbFilter(), before_);
        std::filesystem::remove_all(dir_);
        SetUsbFilter({});
    }
    std::string File(const std::string& name, size_t size) {
        std::string path = (dir_ / name).string();
        std::ofstream out(path, std::ios::binary);
        for (size_t i = 0; i < size; ++i)
            out.put(static_cast<char>(i * 13));
        return path;
    }
    std::vector<uint8_t> Content(size_t size) {
        std::vector<uint8_t> c(size);
        for (size_t i = 0; i < size; ++i)
            c[i] = static_cast<uint8_t>(i * 13);
        return c;
    }

    const UsbFilter before_{"7A3E", "5C19", 1};
    std::filesystem::path dir_;
    std::stop_source stop_;
};

TEST_F(Transfer, TaggedImageInBlocksWithSwitchedFilter) {
    ScriptedLink link;
    std::vector<UsbFilter> seen;
    link.onWrite = [&](int, int32_t n) {
        seen.push_back(CurrentUsbFilter());
        return n;
    };
    std::vector<std::string> captions;
    TransferResult r =
        UpdateFirmware(link, File("ht.fw", 1051), false, stop_.get_token(), LANG_ENGLISH,
                       [&](const TransferProgress& p) { captions.push_back(p.caption); });
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(link.AllWritten(), Concat({Ascii("UDFW"), Content(1051)}));
    ASSERT_EQ(link.writes.size(), 106u); // 1055 bytes: 105 x 10 and 5
    EXPECT_EQ(link.writes.back().size(), 5u);
    EXPECT_EQ(captions.back(), "100%");
    EXPECT_EQ(captions.front(), "0%");
    EXPECT_EQ(seen.front(), (UsbFilter{"7A3E", "3D71", 1}));
    EXPECT_EQ(r.notice->text, "File sent successfully.");
    EXPECT_EQ(r.notice->severity, Severity::Information);
    EXPECT_EQ(link.closes, 1);
}

TEST_F(Transfer, SmallImageGoesAsOneBlock) {
    ScriptedLink link;
    TransferResult r =
        UpdateFirmware(link, File("kp.bin", 40), true, stop_.get_token(), LANG_ENGLISH);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(link.writes[0], Content(40));
}

TEST_F(Transfer, ZeroWritesAreRetriedThenGivenUp) {
    ScriptedLink link;
    link.onWrite = [](int i, int32_t n) { return i == 3 || i == 4 ? 0 : n; };
    EXPECT_TRUE(
        UpdateFirmware(link, File("kp.bin", 1000), false, stop_.get_token(), LANG_ENGLISH).ok);
    EXPECT_EQ(link.AllWritten(), Content(1000));

    ScriptedLink nobody; // a USB open that opened no printer
    nobody.onWrite = [](int, int32_t) { return 0; };
    TransferResult r =
        UpdateFirmware(nobody, File("kp.bin", 1000), false, stop_.get_token(), LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(nobody.writes.size(), static_cast<size_t>(MAX_ZERO_WRITES));
    EXPECT_EQ(r.notice->text, "Unable to send file to port.");
    EXPECT_EQ(r.notice->severity, Severity::Error);
}

TEST_F(Transfer, ShortWriteStopsBeforeTheImageGetsAHole) {
    ScriptedLink link;
    link.onWrite = [](int i, int32_t n) { return i == 7 ? n - 3 : n; };
    TransferResult r =
        UpdateFirmware(link, File("kp.bin", 1000), false, stop_.get_token(), LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(link.writes.size(), 8u);
    EXPECT_EQ(r.sent, 77);
    EXPECT_EQ(r.notice->severity, Severity::Error);
}

TEST_F(Transfer, PortFailures) {
    ScriptedLink refused;
    refused.portType = PORT_USB;
    refused.openError = 8006;
    TransferResult r =
        UpdateFirmware(refused, File("a.cg", 500), false, stop_.get_token(), LANG_ENGLISH);
    EXPECT_EQ(r.portError, 8006);
    EXPECT_EQ(r.notice->severity, Severity::Error);
    EXPECT_EQ(refused.closes, 1);

    ScriptedLink failing;
    failing.onWrite = [](int i, int32_t n) -> int {
        if (i == 50)
            throw PortError(PORT_ERR_WRITE, PORT_USB);
        return n;
    };
    r = UpdateFirmware(failing, File("a.cg", 500), false, stop_.get_token(), LANG_CHINESE);
    EXPECT_EQ(r.notice->text, "无法发送文件到端口。");
    EXPECT_EQ(r.notice->severity, Severity::Warning);
    EXPECT_EQ(failing.writes.size(), 50u);
    EXPECT_EQ(failing.closes, 1);
}

TEST_F(Transfer, UnreadableEmptyOrUnknownFilesSwitchNothing) {
    ScriptedLink link;
    link.onWrite = [](int, int32_t) -> int {
        ADD_FAILURE() << "nothing may be sent";
        return 0;
    };
    for (std::string path : {(dir_ / "missing.bin").string(), File("empty.bin", 0),
                             File("image.mot", 10), dir_.string() + "/"}) {
        TransferResult r = UpdateFirmware(link, path, false, stop_.get_token(), LANG_ENGLISH);
        EXPECT_FALSE(r.ok) << path;
        ASSERT_TRUE(r.notice) << path;
        EXPECT_EQ(CurrentUsbFilter(), before_);
    }
    EXPECT_EQ(link.opens, 0);
}

TEST_F(Transfer, SpecialOrOversizedFilesAreRefusedWithoutBlocking) {
    ScriptedLink link;
    // A FIFO without a writer: the open must not wait for one.
    const std::string fifo = (dir_ / "pipe.fw").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TransferResult r = UpdateFirmware(link, fifo, false, stop_.get_token(), LANG_ENGLISH);
    ASSERT_TRUE(r.notice);
    EXPECT_EQ(r.notice->text, "\"" + fifo + "\" is not a regular file.");

    // Above the bound (a sparse file costs no disk): refused before reading.
    const std::string huge = (dir_ / "huge.bin").string();
    std::filesystem::resize_file(File("huge.bin", 0), FIRMWARE_IMAGE_MAX_BYTES + 1);
    r = UpdateFirmware(link, huge, false, stop_.get_token(), LANG_ENGLISH);
    ASSERT_TRUE(r.notice);
    EXPECT_EQ(r.notice->text,
              "The file \"" + huge + "\" is larger than any firmware image (32 MiB at most).");
    EXPECT_EQ(link.opens, 0);

    // The bound itself is taken.
    std::filesystem::resize_file(huge, FIRMWARE_IMAGE_MAX_BYTES);
    PreparedImage image = PrepareImage(huge, LANG_ENGLISH);
    EXPECT_TRUE(image.ok);
    EXPECT_EQ(image.image.fileLength, FIRMWARE_IMAGE_MAX_BYTES);
}

TEST_F(Transfer, StopRequestEndsTheUpdate) {
    ScriptedLink link;
    link.onWrite = [&](int i, int32_t n) {
        if (i == 10)
            stop_.request_stop();
        return n;
    };
    TransferResult r =
        UpdateFirmware(link, File("kp.bin", 1000), false, stop_.get_token(), LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(link.writes.size(), 11u);
}

TEST(DownloadCommandTest, UpdateButtonAfterAnUpdate) {
    EXPECT_TRUE(UpdateEnabledAfterUpdate(true, "KP-520", LANG_ENGLISH));
    EXPECT_FALSE(UpdateEnabledAfterUpdate(false, "KP-520", LANG_ENGLISH));
    EXPECT_FALSE(UpdateEnabledAfterUpdate(false, "KP-500", LANG_ENGLISH));
    EXPECT_TRUE(UpdateEnabledAfterUpdate(false, "HT-740", LANG_ENGLISH));
}

TEST(DownloadCommandTest, OneWriteAndTheResult) {
    ScriptedLink link;
    EXPECT_TRUE(SendDownloadCommand(link, LANG_ENGLISH).ok);
    ASSERT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(link.writes[0], Hex("1B 0D 53 1B 90 46 57"));
    ScriptedLink refused;
    refused.openError = 8000;
    SendOutcome r = SendDownloadCommand(refused, LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.notice->severity, Severity::Warning);
}

} // namespace
