// Renders the main window with each page and each dialog, in English and in
// Simplified Chinese, to PNG files (run by scripts/screenshots, offscreen).
//   printune-screenshots OUTPUT_DIR
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "app/ui/about_dlg.h"
#include "app/ui/comm_log_dlg.h"
#include "app/ui/printune_dlg.h"
#include "base/language.h"
#include "base/narrow_text.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "diagnostics/ui/command_test_page.h"
#include "firmware/ui/firmware_page.h"
#include "gui_test_support.h"
#include "net_printers.h"
#include "network/netcfg.h"
#include "network/ui/bluetooth_setup_dlg.h"
#include "network/ui/edt_cfg_dlg.h"
#include "network/ui/edt_cfg_dlg_usb.h"
#include "network/ui/enternet_setting.h"
#include "network/ui/ht740_enthernet_dlg.h"
#include "network/ui/wifi_setup_dlg_kp520.h"
#include "port/ui/page_port_set.h"
#include "port/ui/port_set_parallel.h"
#include "port/ui/port_set_serial.h"
#include "port/ui/working_copies.h"
#include "settings/ui/label_setup_page.h"
#include "settings/ui/receipt_setup_page.h"
#include "support/sim_process.h"
#include <QTreeWidget>

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

// The main window on a simulated printer over TCP, in one language, for
// the pages that show values read from the printer.
void WithSimulatedPrinter(int language, std::vector<std::string> simArgs, const std::string& model,
                          const std::function<void(CPrintuneDlg&, const QString&)>& render) {
    const QString suffix = language == LANG_CHINESE ? QStringLiteral("_zh") : QStringLiteral("_en");
    printune_test::SimProcess sim(std::move(simArgs));
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    printune_test::IniValues values;
    values.model = model;
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
        render(window, suffix);
    }
    QDir::setCurrent(previous);
}

// The label settings page filled from the simulated printer, then during a
// factory reset (its longest operation: buttons disabled until the read-back).
void RenderLabelPage(int language) {
    WithSimulatedPrinter(
        language, {"--model", "KP-520"}, "KP-520", [](CPrintuneDlg& window, const QString& suffix) {
            printune_test::ChooseFunction(window, 1);
            // The communication log records the reads.
            window.findChild<QPushButton*>(QStringLiteral("commLogButton"))->click();
            auto* page = window.LabelPage();
            for (const char* name :
                 {"getSettingsButton", "getSerialButton", "getVersionButton", "statisticsButton"}) {
                page->findChild<QPushButton*>(QLatin1String(name))->click();
                (void)QTest::qWaitFor([page] { return !page->Busy(); }, 10000);
            }
            QTest::qWait(150);
            window.CommLogWindow()->TakeInbox();
            Save(window.CommLogWindow(), QStringLiteral("dialog_comm_log%1").arg(suffix));
            window.CommLogWindow()->close();
            Save(&window, QStringLiteral("main_label_setup_read%1").arg(suffix));
            page->findChild<QPushButton*>(QStringLiteral("resetButton"))->click();
            QTest::qWait(300);
            Save(&window, QStringLiteral("main_label_setup_resetting%1").arg(suffix));
            (void)QTest::qWaitFor([page] { return !page->Busy(); }, 10000);
        });
}

// The receipt page empty, filled from a simulated HT-750 (paper near end),
// and during a restore, its longest operation.
void RenderReceiptPage(int language) {
    WithSimulatedPrinter(
        language, {"--model", "HT-750", "--status-fault", "near-end"},
        language == LANG_CHINESE ? "HT-760" : "HT-750",
        [](CPrintuneDlg& window, const QString& suffix) {
            printune_test::ChooseFunction(window, 1);
            Save(&window, QStringLiteral("main_receipt_empty%1").arg(suffix));
            CInternalSetupHT740* page = window.ReceiptPage();
            auto settled = [page] { return !page->Busy() && !page->ReadPending(); };
            page->findChild<QPushButton*>(QStringLiteral("getButton"))->click();
            (void)QTest::qWaitFor(settled, 10000);
            QTest::qWait(200);
            Save(&window, QStringLiteral("main_receipt_values%1").arg(suffix));
            page->findChild<QPushButton*>(QStringLiteral("restoreButton"))->click();
            QTest::qWait(400);
            Save(&window, QStringLiteral("main_receipt_restoring%1").arg(suffix));
            (void)QTest::qWaitFor(settled, 10000);
        });
}

// The command test page against a simulated receipt printer: a reply in
// the console, then a file send held part-way by a printer that stops
// reading.
void RenderCommandTest(int language) {
    const QString suffix = language == LANG_CHINESE ? QStringLiteral("_zh") : QStringLiteral("_en");
    printune_test::SimProcess sim({"--model", "HT-750", "--read-limit", "400000"});
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    printune_test::IniValues values;
    values.model = "HT-750";
    values.portType = PORT_LAN;
    values.ip = "127.0.0.1";
    values.listenPort = sim.TcpPort();
    values.language = language == LANG_CHINESE ? "Chinese" : "English";
    std::ofstream("printune.ini", std::ios::binary) << printune_test::IniText(values);
    {
        std::ofstream big("firmware_image.hex", std::ios::binary);
        big << std::string(6 << 20, '\x55');
    }
    ApplyUiLanguage(language);
    // A message would block the run; the pictures show none.
    MessageService::SetAnswerer([](const MessageRecord& m) {
        std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
        return QMessageBox::Ok;
    });
    {
        CPrintuneDlg window;
        window.findChild<QListWidget*>(QStringLiteral("functionList"))->setCurrentRow(3);
        CCommandTest* page = window.CommandTestPage();
        auto* send = page->findChild<QPushButton*>(QStringLiteral("sendDataButton"));
        page->findChild<QPlainTextEdit*>(QStringLiteral("inputBox"))
            ->setPlainText(QStringLiteral("1B 0D 53 1B 33 00 1B 10 45"));
        page->findChild<QCheckBox*>(QStringLiteral("hexSendCheck"))->setChecked(true);
        page->findChild<QSpinBox*>(QStringLiteral("replyWindowSpin"))->setValue(800);
        window.show();
        send->click();
        (void)QTest::qWaitFor([&] { return send->isEnabled(); }, 15000);
        CCommandTest::SetFileChooser([](QWidget*, CCommandTest::FileChoice) {
            return QDir::current().filePath(QStringLiteral("firmware_image.hex"));
        });
        page->findChild<QPushButton*>(QStringLiteral("browseButton"))->click();
        CCommandTest::SetFileChooser({});
        Save(&window, QStringLiteral("main_command_test_reply%1").arg(suffix));
        page->findChild<QCheckBox*>(QStringLiteral("fileLoopCheck"))->setChecked(true);
        page->findChild<QLineEdit*>(QStringLiteral("fileIntervalEdit"))
            ->setText(QStringLiteral("500"));
        page->findChild<QPushButton*>(QStringLiteral("sendFileButton"))->click();
        auto* bar = page->findChild<QProgressBar*>(QStringLiteral("progressBar"));
        (void)QTest::qWaitFor([&] { return bar->value() > 0; }, 15000);
        QTest::qWait(300);
        Save(&window, QStringLiteral("main_command_test_sending%1").arg(suffix));
    }
    sim.Stop(); // ends the held write
    MessageService::SetAnswerer({});
    QDir::setCurrent(previous);
}

// The Wi-Fi dialog with values, then while it looks for the printer on the
// network (its longest operation; the search goes to a loopback address
// only), and the Bluetooth dialog filled from the simulated printer.
void RenderWirelessDialogs(int language) {
    const QString suffix = language == LANG_CHINESE ? QStringLiteral("_zh") : QStringLiteral("_en");
    printune_test::SimProcess sim({"--usb", "7A3E:5C19"});
    sim.ExportEnvironment();
    qputenv("PRINTUNE_NETCFG_DEST", "127.0.0.2:22094");
    qputenv("PRINTUNE_NETCFG_BIND", "127.0.0.1:0");
    qputenv("PRINTUNE_NETCFG_EVERY_INTERFACE", "0");
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    printune_test::IniValues values;
    values.language = language == LANG_CHINESE ? "Chinese" : "English";
    std::ofstream("printune.ini", std::ios::binary) << printune_test::IniText(values);
    ApplyUiLanguage(language);
    MessageService::SetAnswerer([](const MessageRecord& r) {
        return (r.buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
    {
        CPrintuneDlg window;
        auto* page = window.PortPage();
        auto* wifi = qobject_cast<CWifiSetupDlg_KP520*>(page->WifiDialog());
        wifi->Prepare(PortState::Of(page->Port()), window.Master());
        wifi->findChild<QComboBox*>(QStringLiteral("modeCombo"))->setCurrentIndex(1);
        wifi->findChild<QLineEdit*>(QStringLiteral("ssidEdit"))->setText(QStringLiteral("Shop-2G"));
        wifi->findChild<QComboBox*>(QStringLiteral("encryptionCombo"))->setCurrentIndex(6);
        wifi->findChild<QLineEdit*>(QStringLiteral("keyEdit"))
            ->setText(QStringLiteral("label-printer"));
        Save(wifi, QStringLiteral("dialog_wifi%1").arg(suffix));
        wifi->findChild<QPushButton*>(QStringLiteral("confirmButton"))->click();
        (void)QTest::qWaitFor(
            [wifi] {
                return !wifi->findChild<QPushButton*>(QStringLiteral("confirmButton"))->isEnabled();
            },
            5000);
        QTest::qWait(1200);
        Save(wifi, QStringLiteral("dialog_wifi_joining%1").arg(suffix));
        wifi->reject();

        auto* bt = qobject_cast<CBluetoothSetupDlg*>(page->BluetoothDialog());
        bt->Prepare(PortState::Of(page->Port()), window.Master());
        bt->show();
        bt->findChild<QPushButton*>(QStringLiteral("getButton"))->click();
        (void)QTest::qWaitFor([bt] { return !bt->Busy(); }, 10000);
        Save(bt, QStringLiteral("dialog_bluetooth%1").arg(suffix));
        bt->hide();
    }
    MessageService::SetAnswerer({});
    qunsetenv("PRINTUNE_NETCFG_DEST");
    qunsetenv("PRINTUNE_NETCFG_BIND");
    qunsetenv("PRINTUNE_NETCFG_EVERY_INTERFACE");
    QDir::setCurrent(previous);
}

// The firmware page against a simulated KP-520: after an update that took
// (versions before and after), then during a transfer to a slow printer.
void RenderFirmwarePage(int language) {
    const QString suffix = language == LANG_CHINESE ? QStringLiteral("_zh") : QStringLiteral("_en");
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        std::ofstream image("KP520_V2.24.bin", std::ios::binary);
        image << std::string(24 << 20, '\x5A');
    }
    const QString imagePath = QDir::current().filePath(QStringLiteral("KP520_V2.24.bin"));
    ApplyUiLanguage(language);
    MessageService::SetAnswerer([](const MessageRecord& m) {
        std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
        return QMessageBox::Ok;
    });
    CUpgradeFW::SetFileChooser([imagePath](QWidget*, const QString&) { return imagePath; });
    const auto open = [&](printune_test::SimProcess& sim, auto&& use) {
        printune_test::IniValues values;
        values.model = language == LANG_CHINESE ? "Label Printer(200DPI)" : "KP-520";
        values.portType = PORT_LAN;
        values.ip = "127.0.0.1";
        values.listenPort = sim.TcpPort();
        values.language = language == LANG_CHINESE ? "Chinese" : "English";
        std::ofstream("printune.ini", std::ios::binary) << printune_test::IniText(values);
        CPrintuneDlg window;
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        printune_test::ChooseFunction(window, 2);
        CUpgradeFW* page = window.FirmwarePage();
        page->findChild<QPushButton*>(QStringLiteral("browseButton"))->click();
        page->findChild<QPushButton*>(QStringLiteral("downloadModeButton"))->click();
        (void)QTest::qWaitFor([page] { return !page->DownloadCommandRunning(); }, 10000);
        page->findChild<QPushButton*>(QStringLiteral("updateButton"))->click();
        use(window, page);
    };
    {
        printune_test::SimProcess sim({"--fw-version-after", "KP520 V2.24 2026-12-01"});
        open(sim, [&](CPrintuneDlg& window, CUpgradeFW* page) {
            (void)QTest::qWaitFor([page] { return !page->Busy(); }, 30000);
            Save(&window, QStringLiteral("main_firmware_updated%1").arg(suffix));
        });
    }
    {
        printune_test::SimProcess sim({"--read-rate", "2000000"});
        open(sim, [&](CPrintuneDlg& window, CUpgradeFW* page) {
            auto* bar = page->findChild<QProgressBar*>(QStringLiteral("progressBar"));
            (void)QTest::qWaitFor([&] { return bar->value() >= 35; }, 30000);
            Save(&window, QStringLiteral("main_firmware_sending%1").arg(suffix));
            sim.Stop(); // ends the held write
            (void)QTest::qWaitFor([page] { return !page->Busy(); }, 30000);
        });
    }
    CUpgradeFW::SetFileChooser({});
    MessageService::SetAnswerer({});
    QDir::setCurrent(previous);
}

// The network search dialogs of both families with simulated printers on
// loopback (only): searching, then a row queried; the configuration
// dialogs in both modes and the USB one.
void RenderNetworkDialogs(int language) {
    const QString suffix = language == LANG_CHINESE ? QStringLiteral("_zh") : QStringLiteral("_en");
    // A free reply port on loopback for the label printers to answer to.
    uint16_t replyPort = 0;
    {
        NetCfgState probe;
        NetCfgAddresses addresses;
        addresses.bind = {0x7F000001, 0};
        addresses.everyInterface = false;
        if (probe.Open(addresses) != 0)
            return;
        replyPort = probe.ReceiveEndpoint()->port;
    }
    printune_sim::NetworkPrintersOptions options;
    options.netcfgPort = 0;
    options.netcfgReplyPort = replyPort;
    options.htPort = 0;
    for (int n = 1; n <= 3; ++n)
        options.label.push_back(printune_sim::DefaultLabelSetup(n));
    for (int n = 0; n < 3; ++n)
        options.ht.push_back(printune_sim::DefaultHtSetup(n));
    std::string error;
    auto printers = printune_sim::NetworkPrinters::Start(options, error);
    if (!printers)
        return;
    qputenv("PRINTUNE_NETCFG_DEST",
            QStringLiteral("127.0.0.2:%1").arg(printers->NetcfgEndpoint().port).toLatin1());
    qputenv("PRINTUNE_NETCFG_BIND", QStringLiteral("127.0.0.1:%1").arg(replyPort).toLatin1());
    qputenv("PRINTUNE_NETCFG_EVERY_INTERFACE", "0");
    qputenv("PRINTUNE_HTNET_DEST",
            QStringLiteral("127.0.0.2:%1").arg(printers->HtEndpoint().port).toLatin1());
    qputenv("PRINTUNE_HTNET_BIND", "127.0.0.1");
    qputenv("PRINTUNE_HTNET_EVERY_INTERFACE", "0");
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    printune_test::IniValues values;
    values.language = language == LANG_CHINESE ? "Chinese" : "English";
    values.portType = PORT_LAN;
    std::ofstream("printune.ini", std::ios::binary) << printune_test::IniText(values);
    ApplyUiLanguage(language);
    MessageService::SetAnswerer([](const MessageRecord&) { return QMessageBox::Ok; });
    {
        CPrintuneDlg window;
        auto* page = window.PortPage();
        auto* label = page->findChild<CEnternetSetting*>();
        label->Prepare(PortState::Of(page->Port()), window.Master());
        label->show();
        label->findChild<QPushButton*>(QStringLiteral("searchButton"))->click();
        QTest::qWait(1500);
        Save(label, QStringLiteral("dialog_network_searching%1").arg(suffix));
        (void)QTest::qWaitFor([label] { return !label->Busy(); }, 10000);
        auto* list = label->findChild<QTreeWidget*>(QStringLiteral("deviceList"));
        if (list->topLevelItemCount() > 1) {
            emit list->itemClicked(list->topLevelItem(1), 0);
            (void)QTest::qWaitFor([label] { return !label->Busy(); }, 10000);
        }
        Save(label, QStringLiteral("dialog_network%1").arg(suffix));
        {
            CEdtCfgDlg config(language, label);
            config.SetEntries(NetCfgProcessState().ReceivedEntries(), NarrowCodePage(language),
                              std::string());
            Save(&config, QStringLiteral("dialog_network_config%1").arg(suffix));
        }
        {
            CEdtCfgDlgUSB usb(language, label);
            Save(&usb, QStringLiteral("dialog_network_config_usb%1").arg(suffix));
        }
        label->reject();

        auto* ht = page->findChild<CHT740EnthernetDlg*>();
        ht->Prepare(PortState::Of(page->Port()), window.Master());
        ht->show();
        ht->findChild<QPushButton*>(QStringLiteral("searchButton"))->click();
        (void)QTest::qWaitFor([ht] { return !ht->Busy(); }, 10000);
        auto* htList = ht->findChild<QTreeWidget*>(QStringLiteral("deviceList"));
        if (htList->topLevelItemCount() > 0) {
            htList->setCurrentItem(htList->topLevelItem(0));
            emit htList->itemClicked(htList->topLevelItem(0), 0);
        }
        Save(ht, QStringLiteral("dialog_ht740_network%1").arg(suffix));
        {
            CEdtCfgDlg config(language, ht);
            config.SetHt(printers->HtRecord(2), "00:11:22:33:44:57", std::string(), "HT-740",
                         NarrowCodePage(language));
            (void)QTest::qWaitFor([&config] { return !config.Busy(); }, 10000);
            Save(&config, QStringLiteral("dialog_ht740_config%1").arg(suffix));
        }
        ht->reject();
    }
    MessageService::SetAnswerer({});
    for (const char* v :
         {"PRINTUNE_NETCFG_DEST", "PRINTUNE_NETCFG_BIND", "PRINTUNE_NETCFG_EVERY_INTERFACE",
          "PRINTUNE_HTNET_DEST", "PRINTUNE_HTNET_BIND", "PRINTUNE_HTNET_EVERY_INTERFACE"})
        qunsetenv(v);
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
    RenderReceiptPage(LANG_ENGLISH);
    RenderReceiptPage(LANG_CHINESE);
    RenderCommandTest(LANG_ENGLISH);
    RenderCommandTest(LANG_CHINESE);
    RenderWirelessDialogs(LANG_ENGLISH);
    RenderWirelessDialogs(LANG_CHINESE);
    RenderNetworkDialogs(LANG_ENGLISH);
    RenderNetworkDialogs(LANG_CHINESE);
    RenderFirmwarePage(LANG_ENGLISH);
    RenderFirmwarePage(LANG_CHINESE);
    return written > 0 ? 0 : 1;
}
