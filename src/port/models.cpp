#include "port/models.h"

#include "base/language.h"

namespace printune {

namespace {
const char* const kEnglish[MODEL_COUNT] = {"KP-520", "KP-740", "HT-740", "HT-750", "KP-500"};
const char* const kChinese[MODEL_COUNT] = {"Label Printer(200DPI)", "Label Printer(300DPI)",
                                           "HT-740", "HT-760", "KP-500"};
} // namespace

std::string ModelName(int position, int languageId) {
    if (position < 1 || position > MODEL_COUNT)
        return {};
    return (languageId == LANG_CHINESE ? kChinese : kEnglish)[position - 1];
}

std::vector<std::string> ModelList(int languageId) {
    std::vector<std::string> list;
    int count = languageId == LANG_CHINESE ? 4 : 5;
    for (int i = 1; i <= count; ++i)
        list.push_back(ModelName(i, languageId));
    return list;
}

int ModelPosition(const std::string& name, int languageId) {
    std::vector<std::string> list = ModelList(languageId);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == name)
            return static_cast<int>(i) + 1;
    return 0;
}

bool IsReceiptPosition(int position) {
    return position == 3 || position == 4;
}

bool IsLabelPrinterName(const std::string& name, int languageId) {
    return name == ModelName(1, languageId) || name == ModelName(2, languageId) ||
           name == ModelName(5, languageId);
}

bool UsbFilterForPosition(int position, UsbFilter& filter) {
    switch (position) {
    case 1:
    case 2:
    case 5:
        filter = UsbFilter{"7A3E", "5C19", 1};
        return true;
    case 3:
        filter = UsbFilter{"7A3E", "3D71", 0};
        return true;
    case 4:
        filter = UsbFilter{"7A3E", "3D72", 0};
        return true;
    default:
        return false;
    }
}

} // namespace printune
