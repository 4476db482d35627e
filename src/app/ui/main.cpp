// printune: the desktop program. main() plays the application object's
// start-up: decide the language before any window exists, run the main
// window, end when it closes.
//
// A Windows start-up would also initialise Windows Sockets and the common
// controls; Linux needs neither (sockets are always there, Qt brings its own
// controls), so nothing stands in for them here.
#include <QApplication>
#include <QProxyStyle>

#include <cstdlib>

#include "app/startup_language.h"
#include "app/ui/async_task.h"
#include "app/ui/printune_dlg.h"
#include "app/ui/text_service.h"

namespace {

// Tooltips appear after 500 ms.
class PrintuneStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay)
            return 500;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The profile name the program registers; nothing is stored under it.
    QCoreApplication::setOrganizationName(QStringLiteral("VORTAN"));
    QCoreApplication::setApplicationName(QStringLiteral("Printune"));
    QApplication::setStyle(new PrintuneStyle);

    // "English" or "Chinese" in the settings file, else the system default;
    // any other text leaves the system's own UI language.
    printune::ApplyUiLanguage(
        printune::SelectStartupLanguage(std::string(), printune::SystemDefaultLanguageId())
            .value_or(0));

    printune::CPrintuneDlg dialog;
    dialog.show();
    dialog.exec();
    // Workers of closed pages were asked to stop; give them a moment to
    // close their ports, then leave without waiting on a stuck printer.
    if (!printune::AsyncTask::WaitForAbandoned(std::chrono::seconds(2)))
        std::quick_exit(0);
    return 0;
}
