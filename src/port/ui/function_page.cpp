#include "port/ui/function_page.h"

#include "base/language.h"

namespace printune {

CFunctionPage::CFunctionPage(QWidget* parent) : QWidget(parent) {
    // Pages keep the system colours inside the main window's coloured frame.
    setAutoFillBackground(true);
}

void CFunctionPage::SetSettings(const PortSettings& settings) {
    settings_ = settings;
    OnSettingsChanged();
}

void CFunctionPage::TakePortState(const CPrinterPort& from) {
    port_.portType = from.portType;
    port_.comName = from.comName;
    port_.lptName = from.lptName;
}

int CFunctionPage::LanguageId() const {
    return LanguageIdFromSetting(settings_.language);
}

} // namespace printune
