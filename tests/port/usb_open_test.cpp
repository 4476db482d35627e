// USB open: enumeration order, the filter in both modes, the codes of an
// empty or missing printer list, and the write fan-out.
#include <gtest/gtest.h>

#include <cstdlib>

#include "port/port_errors.h"
#include "port/usb_printers.h"
#include "port_test_util.h"
#include "usb_tree.h"

using namespace printune;
using namespace printune_test;

namespace {

class EnvGuard {
public:
    EnvGuard() {
        for (const char* k : {"PRINTUNE_SYSFS_ROOT", "PRINTUNE_DEV_ROOT"}) {
            const char* v = std::getenv(k);
            saved_.push_back({k, v ? v : "", v != nullptr});
        }
    }
    ~EnvGuard() {
        for (auto& s : saved_)
            s.set ? setenv(s.key, s.value.c_str(), 1) : unsetenv(s.key);
    }

private:
    struct Saved {
        const char* key;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved_;
};

struct FilterCase {
    const char* name;
    std::vector<FakeUsbPrinter> present;
    UsbFilter filter;
    int expectedCode;             // 0: Open returns 1
    std::vector<size_t> expected; // nodes that receive the write
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.name;
}

class UsbFilterOpen : public ::testing::TestWithParam<FilterCase> {};

TEST_P(UsbFilterOpen, OpensExactlyTheMatchingPrinters) {
    const FilterCase& c = GetParam();
    ScopedPortState state;
    EnvGuard env;
    UsbTree tree(c.present);
    tree.Export();
    SetUsbFilter(c.filter);

    const uint8_t bytes[] = {0x1B, 0x40, 0x0A};
    CPrinterPort port;
    port.portType = PORT_USB;
    port.data = bytes;
    port.length = sizeof bytes;
    int code = RaisedCode([&] { EXPECT_EQ(port.Open(), 1); });
    EXPECT_EQ(code, c.expectedCode);
    if (code == 0) {
        EXPECT_EQ(port.OpenHandleCount(), static_cast<int>(c.expected.size()));
        EXPECT_EQ(port.Write(), c.expected.empty() ? 0 : 3);
    }
    port.Close();
    for (size_t i = 0; i < c.present.size(); ++i) {
        bool wanted = std::find(c.expected.begin(), c.expected.end(), i) != c.expected.end();
        EXPECT_EQ(tree.NodeText(i).size(), wanted ? 3u : 0u) << "printer " << i;
    }
}

const FakeUsbPrinter kLabel{"7a3e", "5c19"};
const FakeUsbPrinter kHt740{"7a3e", "3d71"};
const FakeUsbPrinter kHt750{"7a3e", "3d72"};
const FakeUsbPrinter kLabelOtherProduct{"7a3e", "1234"};
const FakeUsbPrinter kOther{"04b8", "0202"};
const UsbFilter kLabelFilter{"7A3E", "5C19", 1};
const UsbFilter kHtFilter{"7A3E", "3D71", 0};

INSTANTIATE_TEST_SUITE_P(
    Cases, UsbFilterOpen,
    ::testing::Values(
        FilterCase{"NoFilterOpensEveryPrinter", {kLabel, kHt740, kOther}, {}, 0, {0, 1, 2}},
        FilterCase{"PairModeNeedsBothIds", {kLabel, kHt740, kOther}, kHtFilter, 0, {1}},
        FilterCase{"VendorOnlyTakesAnyProduct",
                   {kLabelOtherProduct, kOther, kLabel},
                   kLabelFilter,
                   0,
                   {0, 2}},
        FilterCase{
            "LabelFilterNeverOpensAReceiptModel", {kHt740, kLabel, kHt750}, kLabelFilter, 0, {1}},
        FilterCase{"VendorOnlyFilterNamingAReceiptProductTakesIt",
                   {kHt740, kLabel},
                   {"7A3E", "3D71", 1},
                   0,
                   {0, 1}},
        FilterCase{"VendorOnlyAlsoMatchesTheProductText",
                   {{"5c19", "0001"}, kOther},
                   kLabelFilter,
                   0,
                   {0}},
        FilterCase{"NoMatchRaises8006", {kOther, kOther, kOther}, kHtFilter, PORT_ERR_USB_NONE, {}},
        FilterCase{"EmptyListRaises8006", {}, {}, PORT_ERR_USB_NONE, {}},
        FilterCase{
            "TenNonMatchingOpenNothing", std::vector<FakeUsbPrinter>(10, kOther), kHtFilter, 0, {}},
        FilterCase{"OnlyTheFirstTenAreExamined",
                   [] {
                       std::vector<FakeUsbPrinter> v(10, kOther);
                       v.push_back(kHt740);
                       return v;
                   }(),
                   kHtFilter,
                   0,
                   {}},
        FilterCase{"VendorWithoutProductIsSkipped", {{"7a3e", ""}, kLabel}, kLabelFilter, 0, {1}},
        FilterCase{"NoIdsAtAllPassesWithoutFilter", {{"", ""}}, {}, 0, {0}},
        FilterCase{"FirstMatchMissingNodeRaises8000",
                   {{"7a3e", "5c19", false}, kLabel},
                   kLabelFilter,
                   PORT_ERR_OPEN,
                   {}},
        FilterCase{"LaterMissingNodeIsSkipped",
                   {kLabel, {"7a3e", "5c19", false}, kLabel},
                   kLabelFilter,
                   0,
                   {0, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UsbOpen, MissingUsbmiscClassRaises8005) {
    ScopedPortState state;
    EnvGuard env;
    UsbTree tree({kLabel}, /*withClass=*/false);
    tree.Export();
    CPrinterPort port;
    port.portType = PORT_USB;
    EXPECT_EQ(RaisedCode([&] { port.Open(); }), PORT_ERR_USB_LIST);
    EXPECT_EQ(port.LastErrno(), ENOENT);
    EXPECT_EQ(port.Close(), 1);
}

TEST(UsbOpen, ListIsInAscendingMinorOrderWithWindowsStyleMarks) {
    UsbTree tree({kLabel, kHt740, {"", "3d72"}});
    std::vector<UsbPrinterInterface> list;
    ASSERT_TRUE(ListUsbPrinters(tree.Sys(), tree.Dev(), list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].path, "usb#VID_7A3E&PID_5C19#lp0");
    EXPECT_EQ(list[1].path, "usb#VID_7A3E&PID_3D71#lp1");
    EXPECT_EQ(list[2].path, "usb#PID_3D72#lp2");
    EXPECT_EQ(list[1].node, tree.Dev() + "/usb/lp1");
}

TEST(UsbOpen, MinorsSortNumericallyNotAsText) {
    std::vector<FakeUsbPrinter> twelve(12, kLabel);
    UsbTree tree(twelve);
    std::vector<UsbPrinterInterface> list;
    ASSERT_TRUE(ListUsbPrinters(tree.Sys(), tree.Dev(), list));
    ASSERT_EQ(list.size(), 12u);
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].minor, static_cast<int>(i));
}

} // namespace
