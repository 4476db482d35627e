// Renders the main window with each page and each dialog, in English and in
// Simplified Chinese, to PNG files (run by scripts/screenshots, offscreen).
//   printune-screenshots OUTPUT_DIR
#include <cstdio>
#include <fstream>

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/language.h"
#include "app/ui/about_dlg.h"
#include "app/ui/printune_dlg.h"
#include "app/ui/text_service.h"
#include "gui_test_support.h"
#include "port/ui/page_port_set.h"
#include "port/ui/port_set_parallel.h"
#include "port/ui/port_set_serial.h"
#include "port/ui/working_copies.h"
#include "settings/ui/label_setup_page.h"
#include "support/sim_process.h"

using namespace printune;

namespace {

QString outputDir;
int written = 0;

void Save(QWidget* widget, const QString& name) {
    widget->show();
    (void)QTest::qWaitForWindowExposed(widget);
    QTest::qWait(20);
    const QString path = QDir(outputDir).filePath(name + QStringLiteral(".png"));
    if (widget->grab().save(path)) {
        std::printf("%s\n", qPrintable(path));
        ++written;
    }
}

// One language: the main window on every function, then the dialogs.
void Render(int language) {
    const QString suffix = language == LANG_CHINESE ? QStringLiteral("_zh") : QStringLiteral("_en");
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    printune_test::IniValues values;
    values.model = "HT-740";
    values.portType = PORT_COM;
    values.com = "COM3";
    values.baud = "19200";
    values.language = language == LANG_CHINESE ? "Chinese" : "English";
    std::ofstream("printune.ini", std::ios::binary) << printune_test::IniText(values);

    ApplyUiLanguage(language);
    {
        CPrintuneDlg window;
        const char* const names[] = {"interface", "receipt_setup", "firmware", "command_test",
                                     "test_items"};
        auto* list = window.findChild<QListWidget*>(QStringLiteral("functionList"));
        for (int row = 0; row < list->count() && row < 5; ++row) {
            list->setCurrentRow(row);
            Save(&window, QStringLiteral("main_%1%2").arg(QLatin1String(names[row]), suffix));
        }
        printune_test::PickModel(window, 1);
        list->setCurrentRow(1);
        Save(&window, QStringLiteral("main_label_setup%1").arg(suffix));
        list->setCurrentRow(0);
        Save(&window, QStringLiteral("main_interface_label%1").arg(suffix));

        SerialWorkingCopy() = window.Master();
        Save(window.PortPage()->SerialDialog(), QStringLiteral("dialog_serial%1").arg(suffix));
        window.PortPage()->SerialDialog()->hide();
        ParallelWorkingCopy() = window.Master();
        Save(window.PortPage()->ParallelDialog(), QStringLiteral("dialog_parallel%1").arg(suffix));
        window.PortPage()->ParallelDialog()->hide();
        CAboutDlg about(&window);
        Save(&about, QStringLiteral("dialog_about%1").arg(suffix));
    }
    QDir::setCurrent(previous);
}

// The label settings page filled from the simulated printer, then during a
// factory reset (its longest operation: buttons disabled until the read-back).
void RenderLabelPage(int language) {
    const QString suffix = language == LANG_CHINESE ? QStringLiteral("_zh") : QStringLiteral("_en");
    printune_test::SimProcess sim({"--model", "KP-520"});
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    printune_test::IniValues values;
    values.portType = PORT_LAN;
    values.ip = sim.TcpAddress();
    values.listenPort = sim.TcpPort();
    values.language = language == LANG_CHINESE ? "Chinese" : "English";
    std::ofstream("printune.ini", std::ios::binary) << printune_test::IniText(values);
    ApplyUiLanguage(language);
    {
        CPrintuneDlg window;
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        printune_test::ChooseFunction(window, 1);
        auto* page = window.LabelPage();
        for (const char* name :
             {"getSettingsButton", "getSerialButton", "getVersionButton", "statisticsButton"}) {
            page->findChild<QPushButton*>(QLatin1String(name))->click();
            (void)QTest::qWaitFor([page] { return !page->Busy(); }, 10000);
        }
        QTest::qWait(150);
        Save(&window, QStringLiteral("main_label_setup_read%1").arg(suffix));
        page->findChild<QPushButton*>(QStringLiteral("resetButton"))->click();
        QTest::qWait(300);
        Save(&window, QStringLiteral("main_label_setup_resetting%1").arg(suffix));
        (void)QTest::qWaitFor([page] { return !page->Busy(); }, 10000);
    }
    QDir::setCurrent(previous);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    outputDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(outputDir);
    // A fixed font with CJK glyphs, so the pictures do not depend on the
    // machine's font configuration.
    const int font = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"));
    if (font >= 0)
        QApplication::setFont(QFont(QFontDatabase::applicationFontFamilies(font).value(0), 9));
    Render(LANG_ENGLISH);
    Render(LANG_CHINESE);
    RenderLabelPage(LANG_ENGLISH);
    RenderLabelPage(LANG_CHINESE);
    return written > 0 ? 0 : 1;
}
