// printune: the desktop program. main() plays the application object's
// start-up: decide the language before any window exists, run the main
// window, end when it closes.
//
// A Windows start-up would also initialise Windows Sockets and the common
// controls; Linux needs neither (sockets are always there, Qt brings its own
// controls), so nothing stands in for them here.
#include <QApplication>
#include <QProxyStyle>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "app/data_folder.h"
#include "app/startup_language.h"
#include "app/ui/keeping_update.h"
#include "app/ui/printune_dlg.h"
#include "base/ui/async_task.h"
#include "base/ui/text_service.h"
#include "printune_version.h"

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

const char* const USAGE = "Usage: printune [--data-folder]\n"
                          "  --data-folder  run in $XDG_DATA_HOME/printune (the menu entry's way)\n"
                          "  --version      print the version\n"
                          "  --help         print this text\n";

std::string OwnExecutable(const char* argv0) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return argv0;
    path[n] = '\0';
    return path;
}

// The menu entry starts Printune in the user's data folder with the help
// documents linked there. A failure keeps the current directory.
void EnterDataFolder(const char* argv0) {
    const std::string folder = printune::UserDataFolder();
    if (!printune::PrepareDataFolder(folder, printune::InstalledHelpFolder(OwnExecutable(argv0))) ||
        chdir(folder.c_str()) != 0)
        std::fprintf(stderr, "printune: cannot use the data folder %s: %s\n", folder.c_str(),
                     std::strerror(errno));
}

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--version") {
            std::printf("printune %s\n", PRINTUNE_VERSION);
            return 0;
        }
        if (arg == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (arg == "--data-folder")
            EnterDataFolder(argv[0]);
    }
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

    printune::InstallKeepingUpdate();
    printune::CPrintuneDlg dialog;
    dialog.show();
    dialog.exec();
    // Workers of closed pages were asked to stop; give them a moment to
    // close their ports, then leave without waiting on a stuck printer.
    if (!printune::AsyncTask::WaitForAbandoned(std::chrono::seconds(2)))
        std::quick_exit(0);
    return 0;
}
