// The simulated label and receipt printers, driven with the tool's own
// requests and read back with its decoders.
#include <gtest/gtest.h>

#include "base/language.h"
#include "label_printer.h"
#include "port/interface_commands.h"
#include "receipt_printer.h"
#include "reply_faults.h"
#include "settings/label_commands.h"
#include "settings/receipt_commands.h"
#include "sim_factory.h"
#include "state_file.h"

#include <filesystem>
#include <stdlib.h>

using namespace printune;
using printune_sim::Reply;
using printune_sim::SimDevice;

namespace {

Bytes Send(SimDevice& device, const Bytes& bytes) {
    Reply reply;
    device.OnBytes(bytes.data(), bytes.size(), reply);
    return reply.bytes;
}

// Delivers the bytes one at a time, as a slow serial line would.
Bytes SendByteByByte(SimDevice& device, const Bytes& bytes) {
    Bytes all;
    for (uint8_t b : bytes) {
        Reply reply;
        device.OnBytes(&b, 1, reply);
        all.insert(all.end(), reply.bytes.begin(), reply.bytes.end());
    }
    return all;
}

} // namespace

TEST(SimLabelPrinter, SettingsReadModifyWrite) {
    auto printer = printune_sim::MakeSimPrinter("KP-520");
    Bytes reply = Send(*printer, BuildLabelRequest(LabelRequest::GetSettings));
    ASSERT_GE(reply.size(), static_cast<size_t>(LABEL_REPLY_MIN));
    LabelSettings before = DecodeLabelSettingsReply(reply);
    EXPECT_EQ(before.values[LS_EMULATION].choice, 3);
    EXPECT_EQ(before.values[LS_PRINT_WIDTH].text, "104");
    EXPECT_EQ(before.serial, (SerialLine{"9600", "None", "1", "8", ""}));

    Bytes set = BuildSetSettingsRequest({{LS_PAGE_MODE, LabelValue::Choice(1)},
                                         {LS_PRINT_SPEED, LabelValue::Choice(3)},
                                         {LS_HOME_OFFSET, LabelValue::Text("-12.5")},
                                         {LS_BLACK_MARK_AD, LabelValue::Text("4660")},
                                         {LS_LEFT_OFFSET, LabelValue::Text("-80")}});
    EXPECT_TRUE(Send(*printer, set).empty()); // set requests are not answered

    LabelSettings after = DecodeLabelSettingsReply(
        SendByteByByte(*printer, BuildLabelRequest(LabelRequest::GetSettings)));
    EXPECT_EQ(after.values[LS_PAGE_MODE].choice, 1);
    EXPECT_EQ(after.values[LS_PRINT_SPEED].choice, 3);
    EXPECT_EQ(after.values[LS_HOME_OFFSET].text, "-12.50");
    EXPECT_EQ(after.values[LS_BLACK_MARK_AD].text, "4660");
    EXPECT_EQ(after.values[LS_LEFT_OFFSET].text, "-80");
    EXPECT_EQ(after.values[LS_PRINT_DENSITY].choice, before.values[LS_PRINT_DENSITY].choice);

    // Factory reset brings the defaults back, serial line included.
    PortSettings faster;
    faster.baudrate = "19200";
    Send(*printer, BuildSerialConfigCommand(faster, 1));
    EXPECT_EQ(DecodeLabelSettingsReply(Send(*printer, BuildLabelRequest(LabelRequest::GetSettings)))
                  .serial.baudrate,
              "19200");
    Send(*printer, BuildLabelRequest(LabelRequest::FactoryReset));
    LabelSettings reset =
        DecodeLabelSettingsReply(Send(*printer, BuildLabelRequest(LabelRequest::GetSettings)));
    EXPECT_EQ(reset.values, before.values);
    EXPECT_EQ(reset.serial, before.serial);
}

TEST(SimLabelPrinter, TextRepliesSelfTestCalibrateAndEvents) {
    auto state = std::make_shared<printune_sim::LabelPrinterState>(
        printune_sim::LabelPrinterState::Factory("KP-740"));
    printune_sim::SimPrinter printer;
    printune_sim::AddLabelHandlers(printer, state);

    EXPECT_EQ(DecodeTextReply(Send(printer, BuildLabelRequest(LabelRequest::GetSerialNumber)),
                              LANG_ENGLISH),
              "KP740A2600417");
    EXPECT_EQ(DecodeTextReply(Send(printer, BuildLabelRequest(LabelRequest::GetFirmwareVersion)),
                              LANG_ENGLISH),
              "KP740 V3.02 2026-04-20");
    EXPECT_EQ(DecodeTextReply(Send(printer, BuildLabelRequest(LabelRequest::GetStatistics)),
                              LANG_ENGLISH),
              "8766 m");
    EXPECT_TRUE(Send(printer, BuildLabelRequest(LabelRequest::SelfTest)).empty());
    EXPECT_TRUE(Send(printer, BuildLabelRequest(LabelRequest::Calibrate)).empty());
    EXPECT_EQ(state->selfTests, 1);
    EXPECT_EQ(state->calibrations, 1);
    EXPECT_TRUE(printer.PlainData().empty());

    Send(printer, BuildSetSettingsRequest({}));
    Send(printer, BuildSetSettingsRequest({{LS_CUT_MODE, LabelValue::Choice(1)}}));
    std::vector<std::string> events = printer.TakeEvents();
    EXPECT_NE(std::find(events.begin(), events.end(), "settings: set cut-mode=1"), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "settings: empty set request"), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "self-test page printed"), events.end());
}

TEST(SimLabelPrinter, SerialConfigAndForeignBytes) {
    auto state = std::make_shared<printune_sim::LabelPrinterState>(
        printune_sim::LabelPrinterState::Factory("KP-520"));
    printune_sim::SimPrinter printer;
    printune_sim::AddLabelHandlers(printer, state);
    PortSettings pending;
    pending.baudrate = "9600";
    pending.paritySetup = "Odd";
    pending.dataBit = "7";
    pending.stopBit = "2";
    pending.flowControl = "Xon/Xoff";
    Send(printer, BuildSerialConfigCommand(pending, 1));
    EXPECT_EQ(state->serialByte, 0xDB);
    EXPECT_EQ(DecodeLabelSerialByte(state->serialByte), (SerialLine{"9600", "Odd", "2", "7", ""}));

    // Text and a frame with an unknown command are plain data, not settings.
    Bytes odd = {'H', 'i', 0x1B, 0x0D, 0x53, 0x1B, 0x77, 0x01, 0x1B, 0x10, 0x45};
    Send(printer, odd);
    EXPECT_EQ(printer.PlainData(), odd);
}

TEST(SimReceiptPrinter, ReplyLayoutSetAndRestore) {
    auto printer = printune_sim::MakeSimPrinter("HT-750");
    Bytes reply = Send(*printer, BuildReceiptGetRequest());
    ASSERT_EQ(reply.size(), 100u);
    ReceiptSettings s = DecodeReceiptSettingsReply(reply);
    EXPECT_EQ(s.values[RS_CUTTER_SWITCH].choice, 1);
    EXPECT_EQ(s.values[RS_MARK_TO_HOME].text, "0.0");
    EXPECT_EQ(s.serial, (SerialLine{"9600", "None", "1", "8", "DTR"}));

    Send(*printer, BuildReceiptSetRequest({{RS_PAPER_WIDE, ReceiptValue::Choice(2)},
                                           {RS_MARK_TO_HOME, ReceiptValue::Text("1")},
                                           {RS_MARK_TO_CUTTER, ReceiptValue::Text("-35")},
                                           {RS_PRINTER_LANGUAGE, ReceiptValue::Choice(1)}}));
    s = DecodeReceiptSettingsReply(Send(*printer, BuildReceiptGetRequest()));
    EXPECT_EQ(s.values[RS_PAPER_WIDE].choice, 2);
    EXPECT_EQ(s.values[RS_MARK_TO_HOME].text, "1.1");
    EXPECT_EQ(s.values[RS_MARK_TO_CUTTER].text, "-34.9");

    // Restore with the language English: defaults, language from the frame.
    SendByteByByte(*printer, BuildReceiptRestoreRequest("English"));
    s = DecodeReceiptSettingsReply(Send(*printer, BuildReceiptGetRequest()));
    EXPECT_EQ(s.values[RS_PAPER_WIDE].choice, 0);
    EXPECT_EQ(s.values[RS_PRINTER_LANGUAGE].choice, 0);
    Send(*printer, BuildReceiptRestoreRequest("Chinese"));
    s = DecodeReceiptSettingsReply(Send(*printer, BuildReceiptGetRequest()));
    EXPECT_EQ(s.values[RS_PRINTER_LANGUAGE].choice, 1);

    // The receipt byte's parity codes: "Even" from the HT-740 position.
    PortSettings pending;
    pending.paritySetup = "Even";
    pending.baudrate = "1200";
    pending.flowControl = "Xon/Xoff";
    Send(*printer, BuildSerialConfigCommand(pending, 3));
    s = DecodeReceiptSettingsReply(Send(*printer, BuildReceiptGetRequest()));
    EXPECT_EQ(s.serial, (SerialLine{"1200", "Even", "1", "8", "Xon/Xoff"}));
}

TEST(SimReplyFaults, ParsedAndApplied) {
    printune_sim::ReplyFaults f;
    std::string error;
    ASSERT_TRUE(printune_sim::ParseReplyFaults("delay:250,short:10", f, error));
    EXPECT_EQ(f.delayMs, 250);
    EXPECT_EQ(f.shortTo, 10);
    EXPECT_FALSE(printune_sim::ParseReplyFaults("short:-1", f, error));
    EXPECT_EQ(f.shortTo, 10); // a rejected list changes nothing
    EXPECT_FALSE(printune_sim::ParseReplyFaults("loud", f, error));
    EXPECT_FALSE(error.empty());

    auto device = printune_sim::WithReplyFaults(printune_sim::MakeSimPrinter("KP-520"), f);
    Reply reply;
    Bytes get = BuildLabelRequest(LabelRequest::GetSettings);
    device->OnBytes(get.data(), get.size(), reply);
    EXPECT_EQ(reply.bytes.size(), 10u);
    EXPECT_EQ(reply.delayMs, 250);

    printune_sim::ReplyFaults silent;
    silent.silent = true;
    device = printune_sim::WithReplyFaults(printune_sim::MakeSimPrinter("KP-520"), silent);
    EXPECT_TRUE(Send(*device, get).empty());

    printune_sim::ReplyFaults garbage;
    garbage.garbage = true;
    device = printune_sim::WithReplyFaults(printune_sim::MakeSimPrinter("KP-520"), garbage);
    Bytes g = Send(*device, get);
    EXPECT_EQ(g.size(), printune_sim::LABEL_SIM_REPLY_SIZE);
    EXPECT_NE(g, printune_sim::LabelPrinterState::Factory("KP-520").SettingsReply());
}

TEST(SimStateFile, SettingsSurviveARestart) {
    char dir[] = "/tmp/printune-state-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    printune_sim::SetStateDirectory(dir);
    {
        auto printer = printune_sim::MakeSimPrinter("KP-740");
        Send(*printer, BuildSetSettingsRequest({{LS_PAGE_MODE, LabelValue::Choice(1)},
                                                {LS_BLACK_MARK_AD, LabelValue::Text("4660")}}));
        auto receipt = printune_sim::MakeSimPrinter("HT-740");
        Send(*receipt, BuildReceiptSetRequest({{RS_PAPER_WIDE, ReceiptValue::Choice(2)}}));
    }
    auto printer = printune_sim::MakeSimPrinter("KP-740");
    LabelSettings s =
        DecodeLabelSettingsReply(Send(*printer, BuildLabelRequest(LabelRequest::GetSettings)));
    EXPECT_EQ(s.values[LS_PAGE_MODE].choice, 1);
    EXPECT_EQ(s.values[LS_BLACK_MARK_AD].text, "4660");
    EXPECT_EQ(s.values[LS_PRINT_WIDTH].text, "106");
    auto receipt = printune_sim::MakeSimPrinter("HT-740");
    EXPECT_EQ(DecodeReceiptSettingsReply(Send(*receipt, BuildReceiptGetRequest()))
                  .values[RS_PAPER_WIDE]
                  .choice,
              2);
    // Another model keeps its own file.
    auto other = printune_sim::MakeSimPrinter("KP-520");
    EXPECT_EQ(DecodeLabelSettingsReply(Send(*other, BuildLabelRequest(LabelRequest::GetSettings)))
                  .values[LS_PAGE_MODE]
                  .choice,
              0);

    printune_sim::SetStateDirectory("");
    std::filesystem::remove_all(dir);
}
