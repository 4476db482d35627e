// The firmware page's rules as the page and the command line share them:
// buttons per interface and model, the instruction note, the file filter,
// the image kinds a model takes, and the rate and time-left estimate.
#include <gtest/gtest.h>

#include "base/language.h"
#include "firmware/firmware_rules.h"
#include "firmware/firmware_texts.h"
#include "firmware/firmware_update.h"
#include "port/port_settings.h"

using namespace printune;

namespace {

TEST(FirmwareRules, ButtonsForEveryInterfaceAndModel) {
    for (int port : {PORT_COM, PORT_LPT}) {
        for (const char* model : {"KP-520", "KP-740", "KP-500"}) {
            const FirmwareButtonState s = FirmwareButtons(port, model, LANG_ENGLISH, false, false);
            EXPECT_FALSE(s.updateEnabled);
            EXPECT_TRUE(s.downloadShown);
            EXPECT_EQ(s.downloadEnabled, std::optional<bool>(false));
        }
        const FirmwareButtonState r = FirmwareButtons(port, "HT-740", LANG_ENGLISH, false, false);
        EXPECT_FALSE(r.updateEnabled);
        EXPECT_FALSE(r.downloadShown);
    }
    const FirmwareButtonState usb = FirmwareButtons(PORT_USB, "KP-520", LANG_ENGLISH, false, false);
    EXPECT_TRUE(usb.updateEnabled);
    EXPECT_EQ(usb.downloadEnabled, std::optional<bool>(true));
    // Busy or after the download-mode command: Download Mode is left as it is.
    EXPECT_FALSE(FirmwareButtons(PORT_USB, "KP-520", LANG_ENGLISH, false, true).downloadEnabled);
    const FirmwareButtonState busy = FirmwareButtons(PORT_LAN, "KP-740", LANG_ENGLISH, true, false);
    EXPECT_FALSE(busy.updateEnabled);
    EXPECT_FALSE(busy.downloadEnabled);

    const FirmwareButtonState lanReceipt =
        FirmwareButtons(PORT_LAN, "HT-750", LANG_ENGLISH, false, false);
    EXPECT_FALSE(lanReceipt.updateEnabled);
    EXPECT_FALSE(lanReceipt.downloadShown);
    EXPECT_TRUE(FirmwareButtons(PORT_USB, "HT-760", LANG_ENGLISH, false, false).updateEnabled);

    // Model names compare against the language's own: the Chinese label names.
    EXPECT_TRUE(HasDownloadCommand("Label Printer(200DPI)", LANG_CHINESE));
    EXPECT_FALSE(HasDownloadCommand("KP-520", LANG_CHINESE));
    EXPECT_TRUE(UpdateAvailable(PORT_LAN, "Label Printer(300DPI)", LANG_CHINESE));
    EXPECT_FALSE(DownloadCommandAvailable(PORT_COM, "KP-520", LANG_ENGLISH));
    EXPECT_TRUE(DownloadCommandAvailable(PORT_USB, "KP-500", LANG_ENGLISH));
}

TEST(FirmwareRules, NoteAndFilterFollowTheReceiptPrinters) {
    EXPECT_EQ(InstructionNoteFor("3D71"), InstructionNote::ManualMode);
    EXPECT_EQ(InstructionNoteFor("3D72"), InstructionNote::ManualMode);
    EXPECT_EQ(InstructionNoteFor(""), InstructionNote::DownloadMode);
    EXPECT_EQ(InstructionNoteFor("5C19"), InstructionNote::DownloadMode);
    EXPECT_EQ(InstructionNoteFor("3d71"), InstructionNote::DownloadMode);
    EXPECT_EQ(BrowseFilterFor("HT-760"), BrowseFilter::ReceiptFiles);
    EXPECT_EQ(BrowseFilterFor("KP-520"), BrowseFilter::LabelFiles);
    EXPECT_EQ(BrowseFilterFor(""), BrowseFilter::LabelFiles);
}

TEST(FirmwareRules, AModelRefusesTheOtherFamilysFirmware) {
    EXPECT_FALSE(CheckImageForModel(ImageKind::LabelFile, "a.bin", "KP-520", LANG_ENGLISH));
    EXPECT_FALSE(CheckImageForModel(ImageKind::CharacterGenerator, "a.cg", "KP-520", LANG_ENGLISH));
    EXPECT_FALSE(CheckImageForModel(ImageKind::ReceiptFirmware, "a.fw", "HT-740", LANG_ENGLISH));
    EXPECT_FALSE(CheckImageForModel(ImageKind::CharacterGenerator, "a.CG", "HT-750", LANG_ENGLISH));

    const auto fwOnLabel =
        CheckImageForModel(ImageKind::ReceiptFirmware, "/x/p.fw", "KP-740", LANG_ENGLISH);
    ASSERT_TRUE(fwOnLabel);
    EXPECT_EQ(fwOnLabel->severity, Severity::Warning);
    EXPECT_NE(fwOnLabel->text.find("\"/x/p.fw\""), std::string::npos);
    EXPECT_NE(fwOnLabel->text.find("KP-740"), std::string::npos);
    EXPECT_NE(fwOnLabel->text.find(".bin"), std::string::npos);
    const auto binOnReceipt =
        CheckImageForModel(ImageKind::LabelFile, "k.BIN", "HT-740", LANG_CHINESE);
    ASSERT_TRUE(binOnReceipt);
    EXPECT_NE(binOnReceipt->text.find("HT-740"), std::string::npos);
    EXPECT_NE(binOnReceipt->text.find(".fw"), std::string::npos);
}

TEST(FirmwareRules, RateAndTimeLeftOnlyOnceAFewBlocksWent) {
    EXPECT_EQ(EstimateTransfer(1000, 100000, 1000, 2).secondsLeft, -1);
    EXPECT_EQ(EstimateTransfer(1000, 100000, 10, 5).secondsLeft, -1);
    const TransferEstimate e = EstimateTransfer(25000, 100000, 2500, 5);
    EXPECT_DOUBLE_EQ(e.bytesPerSecond, 10000.0);
    EXPECT_EQ(e.secondsLeft, 8); // 75000 bytes at 10000 B/s, rounded
    EXPECT_EQ(TransferDetail(25000, 100000, 10000.0, 8, LANG_ENGLISH),
              "24.4 KB of 97.7 KB, 9.8 KB/s, 0:08 left");
    EXPECT_EQ(TransferDetail(500, 1000, 0, -1, LANG_ENGLISH), "500 B of 1000 B");
    EXPECT_EQ(TransferDetail(500, 1000, 0, 3725, LANG_CHINESE), "500 B / 1000 B，剩余 1:02:05");
}

TEST(FirmwareRules, VersionRequestIsTheLabelPrintersTextRequest) {
    EXPECT_EQ(FirmwareVersionRequest(),
              (std::vector<uint8_t>{0x1B, 0x0D, 0x53, 0x1B, 0x1A, 0x01, 0x1B, 0x10, 0x45}));
    EXPECT_EQ(FormatFirmwareText(FirmwareText::VersionChange, LANG_ENGLISH, "1.20", "1.24"),
              "Firmware 1.20 → 1.24");
}

} // namespace
