// The settings-file reader, round trip through the writer's text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/profile_reader.h"
#include "app/settings_file.h"

using namespace printune;

namespace {

bool Same(const PortSettings& a, const PortSettings& b) {
    return a.printerModel == b.printerModel && a.portType == b.portType &&
           a.comPortName == b.comPortName && a.baudrate == b.baudrate &&
           a.paritySetup == b.paritySetup && a.dataBit == b.dataBit && a.stopBit == b.stopBit &&
           a.flowControl == b.flowControl && a.lptPortName == b.lptPortName &&
           a.language == b.language && a.ipAddr == b.ipAddr && a.listenPort == b.listenPort;
}

bool HasBreak(const std::string& s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const PortSettings first = SettingsFromProfile(PrivateProfile::Parse(text));
    // No field read from a file holds a line break or a NUL: the saver
    // refuses such a record, and the settings could never be saved again.
    for (const std::string* f :
         {&first.printerModel, &first.comPortName, &first.baudrate, &first.paritySetup,
          &first.dataBit, &first.stopBit, &first.flowControl, &first.lptPortName, &first.language,
          &first.ipAddr}) {
        if (HasBreak(*f))
            abort();
    }
    // Reading applies the per-key rules once (cuts, missing values); from
    // then on what is saved reads back unchanged.
    const PortSettings second =
        SettingsFromProfile(PrivateProfile::Parse(FormatSettingsText(first)));
    const PortSettings third =
        SettingsFromProfile(PrivateProfile::Parse(FormatSettingsText(second)));
    if (!Same(second, third))
        abort();
    return 0;
}
