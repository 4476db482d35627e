// The simulated receipt printers' real-time status: the option that sets
// the faults and the bytes answered, also to a request split across chunks.
#include <gtest/gtest.h>

#include "receipt_status_handler.h"
#include "sim_options.h"

using namespace printune_sim;

namespace {

std::vector<uint8_t> Answer(CommandHandler& handler, std::vector<uint8_t> request) {
    size_t consumed = 0;
    Reply reply;
    if (handler.Handle(request.data(), request.size(), consumed, reply) !=
        CommandHandler::Result::Handled)
        return {};
    EXPECT_EQ(consumed, 3u);
    return reply.bytes;
}

} // namespace

TEST(ReceiptStatusSim, FaultsSetTheirBitsOnly) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"--status-fault", "paper-end,cutter-error"}, o, error)) << error;
    EXPECT_TRUE(o.statusFaults.paperEnd);
    EXPECT_TRUE(o.statusFaults.cutterError);
    EXPECT_FALSE(o.statusFaults.coverOpen);
    EXPECT_FALSE(ParseSimOptions({"--status-fault", "jammed"}, o, error));

    SetReceiptStatusFaults(o.statusFaults);
    ReceiptStatusHandler handler;
    EXPECT_EQ(Answer(handler, {0x10, 0x04, 0x01}), (std::vector<uint8_t>{0x12}));
    EXPECT_EQ(Answer(handler, {0x10, 0x04, 0x02}), (std::vector<uint8_t>{0x32}));
    EXPECT_EQ(Answer(handler, {0x10, 0x04, 0x03}), (std::vector<uint8_t>{0x1A}));
    EXPECT_EQ(Answer(handler, {0x10, 0x04, 0x04}), (std::vector<uint8_t>{0x72}));
    SetReceiptStatusFaults({});
    EXPECT_EQ(Answer(handler, {0x10, 0x04, 0x04}), (std::vector<uint8_t>{0x12}));
}

TEST(ReceiptStatusSim, PartialAndForeignRequests) {
    ReceiptStatusHandler handler;
    const uint8_t partial[] = {0x10, 0x04};
    size_t consumed = 0;
    Reply reply;
    EXPECT_EQ(handler.Handle(partial, 2, consumed, reply), CommandHandler::Result::NeedMore);
    const uint8_t other[] = {0x10, 0x04, 0x05};
    EXPECT_EQ(handler.Handle(other, 3, consumed, reply), CommandHandler::Result::NotMine);
    const uint8_t text[] = {'A'};
    EXPECT_EQ(handler.Handle(text, 1, consumed, reply), CommandHandler::Result::NotMine);
    EXPECT_TRUE(reply.bytes.empty());
}
