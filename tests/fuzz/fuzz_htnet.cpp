// The HT-740 protocol's received bytes: the 36-byte announcement, the
// 256-byte configuration image, the device list made from announcements,
// and the configuration dialog's fields written back into the image.
//
// Input: a record, a configuration image, then further records.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/utf8.h"
#include "network/htnet_codec.h"
#include "network/htnet_setup.h"
#include "network/net_fields.h"

#include "fuzz_support.h"

using namespace printune;

namespace {

void Check(bool ok) {
    if (!ok)
        abort();
}

// What a request block carries: its header, the block of the image, the
// checksum over everything after the first byte.
void CheckBlock(const HtNetConfig& config, int block) {
    const std::vector<uint8_t> bytes = HtBuildSetBlock(block, config);
    const size_t offset = HtNetConfig::BlockOffset(block);
    const size_t length = HtNetConfig::BlockLength(block);
    Check(bytes.size() == HT_HEADER_SIZE + length + 1 && bytes[0] == 0xFF &&
          bytes[2] == HT_FN_BLOCK1 + block - 1 &&
          std::equal(config.bytes.begin() + 53, config.bytes.begin() + 59, bytes.begin() + 3) &&
          std::equal(config.bytes.begin() + static_cast<long>(offset),
                     config.bytes.begin() + static_cast<long>(offset + length),
                     bytes.begin() + HT_HEADER_SIZE));
    uint8_t sum = 0;
    for (size_t i = 1; i + 1 < bytes.size(); ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    Check(bytes.back() == sum && HtChecksum(bytes.data(), bytes.size()) == sum);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    printune_fuzz::KeepCodePagesLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < HT_RECORD_SIZE + HT_CONFIG_SIZE)
        return 0;
    HtDeviceRecord record;
    std::memcpy(record.bytes.data(), data, HT_RECORD_SIZE);
    HtNetConfig config;
    std::memcpy(config.bytes.data(), data + HT_RECORD_SIZE, HT_CONFIG_SIZE);

    // The record's fields set into a blank record give the same fields;
    // the name comes back cut of its trailing spaces and NULs.
    HtDeviceRecord copy = record;
    copy.SetIpAddress(record.IpAddress());
    copy.SetMac(record.Mac());
    copy.SetFirmwareVersion(record.FirmwareVersion());
    Check(copy.bytes == record.bytes);
    const std::string name = record.DeviceName();
    Check(name.size() <= 17 && (name.empty() || name.back() != ' ') &&
          name.find('\0') == std::string::npos);
    copy.SetDeviceName(name);
    Check(copy.DeviceName() == name);

    // The image's fields, read and written back, leave it as it was.
    HtNetConfig image = config;
    image.SetStaticIp(config.StaticIp());
    image.SetGateway(config.Gateway());
    image.SetSubnetMask(config.SubnetMask());
    image.SetMac(config.Mac());
    image.SetPrintPort(config.PrintPort());
    Check(image.bytes == config.bytes);
    for (int block = 1; block <= 4; ++block)
        CheckBlock(config, block);
    Check(HtBuildSetBlock(0, config).empty() && HtBuildSetBlock(5, config).empty());

    // The dialog's fields from the announcement and the image: taken as
    // they are (when they pass the dialog's check), they change the image
    // only in the address (the printer's current one) and the DHCP byte
    // (00 or FF).
    for (const char* page : {"WINDOWS-1252", "GBK"}) {
        const NetConfigFields fields = NetConfigFields::FromHt(record, config, page);
        Check(IsValidUtf8(fields.deviceName) && !fields.timeoutEditable);
        const bool portInRange =
            config.PrintPort() >= NET_PRINT_PORT_MIN && config.PrintPort() <= NET_PRINT_PORT_MAX;
        Check(fields.Check(LANG_ENGLISH).has_value() != portInRange);
        if (!portInRange)
            continue;
        HtNetConfig expected = config;
        expected.SetStaticIp(record.IpAddress());
        expected.SetDhcp(config.DhcpOn());
        Check(HtConfigWithFields(config, fields).bytes == expected.bytes);
    }

    // The device list: one row per MAC in order of first answer, each with
    // its latest announcement, the answers adding up.
    std::vector<HtDeviceRecord> announcements{record};
    for (size_t at = HT_RECORD_SIZE + HT_CONFIG_SIZE; at + HT_RECORD_SIZE <= size;
         at += HT_RECORD_SIZE) {
        HtDeviceRecord r;
        std::memcpy(r.bytes.data(), data + at, HT_RECORD_SIZE);
        announcements.push_back(r);
    }
    const std::vector<HtRow> rows = HtRowsByMac(announcements, "GBK");
    std::set<HtMac> macs;
    for (const HtDeviceRecord& r : announcements)
        macs.insert(r.Mac());
    Check(rows.size() == macs.size());
    unsigned answers = 0;
    for (const HtRow& row : rows) {
        answers += row.answers;
        const auto last =
            std::find_if(announcements.rbegin(), announcements.rend(),
                         [&](const HtDeviceRecord& r) { return r.Mac() == row.record.Mac(); });
        Check(last->bytes == row.record.bytes && row.mac == HtFormatMac(row.record.Mac()) &&
              row.ip == HtFormatIp(row.record.IpAddress()) && IsValidUtf8(row.name));
    }
    Check(answers == announcements.size());
    return 0;
}
