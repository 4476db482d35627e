// The number parsers of the edit boxes: the label settings' edits and the
// interval box.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "diagnostics/data_send.h"
#include "settings/label_commands.h"

using namespace printune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const int interval = IntervalFromText(text);
    if (interval < 0 || interval > 24 * 3600 * 1000)
        abort();
    // The reference for plain digit strings: their value, capped at a day.
    if (!text.empty() && text.size() < 10 &&
        text.find_first_not_of("0123456789") == std::string::npos &&
        interval != std::min(std::atoi(text.c_str()), 24 * 3600 * 1000))
        abort();

    const int setting = data[0] % 64;
    if (IsLabelEditSetting(setting)) {
        const EditCheck check = CheckLabelEdit(setting, text);
        // What is kept passes the check unchanged.
        const EditCheck again = CheckLabelEdit(setting, check.text);
        if (again.text != check.text || again.corrected)
            abort();
    }
    return 0;
}
