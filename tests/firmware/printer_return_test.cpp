// After the download-mode command the printer leaves the bus and comes back;
// the update waits for it instead of a fixed pause.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "firmware/firmware_transfer.h"
#include "port/port_test_util.h"
#include "port/usb_printers.h"
#include "port/usb_tree.h"

using namespace printune;
using namespace printune_test;
using Clock = std::chrono::steady_clock;

namespace {

const UsbFilter kLabelFilter{"7A3E", "5C19", 1};

TEST(PrinterReturn, PrinterAwayLongerThanTheOldPauseIsAwaited) {
    ScopedPortState state;
    UsbTree tree(std::vector<FakeUsbPrinter>{{"7a3e", "5c19"}});
    tree.Export();
    const std::string link = tree.Sys() + "/class/usbmisc/lp0";
    const std::filesystem::path target = std::filesystem::read_symlink(link);
    std::filesystem::remove(link); // the printer restarts

    std::atomic<bool> seenGone{false};
    const auto started = Clock::now();
    std::thread back([&] {
        while (!seenGone)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        std::filesystem::create_symlink(target, link);
    });
    const PrinterReturn r =
        WaitForPrinterReturn(kLabelFilter, 1000, PRINTER_RETURN_MAX_MS, {}, [&](bool present) {
            if (!present)
                seenGone = true;
        });
    back.join();
    EXPECT_EQ(r, PrinterReturn::Back);
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(1500));
    EXPECT_EQ(CountUsbPrinters(kLabelFilter), 1);
}

TEST(PrinterReturn, PrinterNeverSeenGoneCountsAsBackAfterTheSettleTime) {
    ScopedPortState state;
    UsbTree tree(std::vector<FakeUsbPrinter>{{"7a3e", "5c19"}});
    tree.Export();
    const auto started = Clock::now();
    EXPECT_EQ(WaitForPrinterReturn(kLabelFilter, 300, PRINTER_RETURN_MAX_MS, {}),
              PrinterReturn::Back);
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(300));
}

TEST(PrinterReturn, PrinterThatStaysAwayEndsTheWaitAndAStopEndsItEarlier) {
    ScopedPortState state;
    UsbTree tree(std::vector<FakeUsbPrinter>{{"04b8", "0202"}});
    tree.Export();
    EXPECT_EQ(WaitForPrinterReturn(kLabelFilter, 100, 400, {}), PrinterReturn::NotBack);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(WaitForPrinterReturn(kLabelFilter, 100, PRINTER_RETURN_MAX_MS, stop.get_token()),
              PrinterReturn::Stopped);
}

} // namespace
