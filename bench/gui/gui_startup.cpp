// Cold start of the GUI: from the moment the kernel started this process
// (dynamic loading of Qt included) until the main window is shown and
// exposed, then the resident memory. It runs the same start-up as printune
// (language decision, settings file, every page) in a scratch directory.
//   QT_QPA_PLATFORM=offscreen build/bin/printune-bench-gui
// Targets: start-up <= 400 ms, resident memory <= 80 MB.
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWindow>

#include "app/startup_language.h"
#include "app/ui/printune_dlg.h"
#include "base/ui/text_service.h"

namespace {

// Seconds since boot at which this process started (/proc/self/stat field 22).
double ProcessStartSeconds() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    return std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double NowSinceBoot() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

long ResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    QApplication app(argc, argv);
    printune::ApplyUiLanguage(
        printune::SelectStartupLanguage(std::string(), printune::SystemDefaultLanguageId())
            .value_or(0));
    printune::CPrintuneDlg window;
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
        if (waited.elapsed() > 5000)
            return 1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double startupMs = (NowSinceBoot() - ProcessStartSeconds()) * 1000.0;
    const long rssKb = ResidentKb();
    std::printf("cold start to main window shown: %.0f ms (target <= 400 ms)\n", startupMs);
    std::printf("resident memory after start: %.1f MB (target <= 80 MB)\n", rssKb / 1024.0);
    return startupMs <= 400.0 && rssKb <= 80 * 1024 ? 0 : 3;
}
