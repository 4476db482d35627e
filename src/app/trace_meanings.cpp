#include "app/trace_meanings.h"

#include <algorithm>
#include <optional>

#include "firmware/firmware_image.h"
#include "settings/label_commands.h"

namespace printune {

namespace {

struct RequestName {
    LabelRequest kind;
    const char* name;
};
constexpr RequestName REQUEST_NAMES[] = {
    {LabelRequest::GetSettings, "get printer settings"},
    {LabelRequest::FactoryReset, "factory reset"},
    {LabelRequest::Calibrate, "calibrate"},
    {LabelRequest::GetSerialNumber, "get serial number"},
    {LabelRequest::GetFirmwareVersion, "get firmware version"},
    {LabelRequest::GetStatistics, "get statistics"},
    {LabelRequest::SelfTest, "self-test"},
};

// The request whose reply is awaited on this thread.
thread_local std::optional<LabelRequest> pending;

bool Equal(const Bytes& expected, const uint8_t* data, size_t length) {
    return expected.size() == length && std::equal(expected.begin(), expected.end(), data);
}

// "set: print-speed=3, cut-mode=1" from the commands inside a settings
// frame; empty when the body is not a run of known set commands.
std::string DescribeSet(const uint8_t* body, size_t length) {
    std::string text;
    size_t i = 0;
    while (i < length) {
        if (body[i] != 0x1B || i + 1 >= length)
            return {};
        int setting = -1;
        for (int s = 0; s < LABEL_SETTING_COUNT; ++s)
            if (LabelWire(s).command == body[i + 1])
                setting = s;
        if (setting < 0)
            return {};
        const size_t size = static_cast<size_t>(LabelWire(setting).valueSize);
        if (i + 2 + size > length)
            return {};
        int value = body[i + 2];
        if (size == 2)
            value = value << 8 | body[i + 3];
        text += (text.empty() ? "set: " : ", ") + LabelSettingKey(setting) + "=" +
                std::to_string(value);
        i += 2 + size;
    }
    return text.empty() ? "set: nothing" : text;
}

std::string DescribeSettingsReply(const uint8_t* data, size_t length) {
    const LabelSettings s = DecodeLabelSettingsReply(Bytes(data, data + length), "None");
    std::string text = "printer settings:";
    for (int i = 0; i < LABEL_SETTING_COUNT; ++i) {
        const LabelValue& v = s.values[static_cast<size_t>(i)];
        text += (i ? ", " : " ") + LabelSettingKey(i) + "=" +
                (IsLabelEditSetting(i) ? v.text : std::to_string(v.choice));
    }
    if (!s.serial.baudrate.empty())
        text += ", serial " + s.serial.baudrate;
    return text;
}

std::string DescribeOut(const uint8_t* data, size_t length) {
    pending.reset();
    for (const RequestName& r : REQUEST_NAMES)
        if (Equal(BuildLabelRequest(r.kind), data, length)) {
            if (LabelRequestHasReply(r.kind))
                pending = r.kind;
            return r.name;
        }
    if (Equal(DownloadModeCommand(), data, length))
        return "download mode";
    if (length >= 6 && std::equal(FRAME_OPEN, FRAME_OPEN + 3, data) &&
        std::equal(FRAME_CLOSE, FRAME_CLOSE + 3, data + length - 3))
        return DescribeSet(data + 3, length - 6);
    return {};
}

std::string DescribeIn(const uint8_t* data, size_t length) {
    if (!pending)
        return {};
    const LabelRequest kind = *pending;
    if (kind == LabelRequest::GetSettings)
        return length >= static_cast<size_t>(LABEL_REPLY_MIN)
                   ? DescribeSettingsReply(data, length)
                   : "part of the settings reply (" + std::to_string(length) + " bytes)";
    return "reply: \"" + DecodeTextReply(Bytes(data, data + length), 1033) + "\"";
}

} // namespace

std::string DescribeTraceBytes(TraceDirection direction, const uint8_t* data, size_t length) {
    return direction == TraceDirection::Out ? DescribeOut(data, length) : DescribeIn(data, length);
}

void InstallTraceMeanings() {
    SetTraceDecoder(DescribeTraceBytes);
}

} // namespace printune
