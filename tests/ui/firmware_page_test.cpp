// The firmware update page against printune-sim: the button rules for each
// interface and model, the instruction notes, Browse and Update, where each
// image goes and with which USB filter, failures that leave a usable page,
// and the version before and after an update.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <fstream>

#include "base/language.h"
#include "firmware/ui/firmware_page.h"
#include "gui_test_support.h"
#include "port/usb_filter.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

struct FwWorld {
    explicit FwWorld(std::vector<std::string> simArgs, IniValues ini, int ui = LANG_ENGLISH)
        : sim(std::move(simArgs)) {
        sim.ExportEnvironment();
        if (ini.portType == PORT_LAN) {
            ini.ip = sim.TcpAddress();
            ini.listenPort = sim.TcpPort();
        }
        world.WriteIni(ini);
        window = world.OpenMainWindow(ui);
        ChooseFunction(*window, 2);
        page = window->FirmwarePage();
        page->SetReturnWaitMs(15000);
        CUpgradeFW::SetFileChooser([this](QWidget*, const QString& filter) {
            filters.push_back(filter);
            return chosen;
        });
    }
    ~FwWorld() {
        CUpgradeFW::SetFileChooser({});
        window.reset();
    }

    template <class T>
    T* Get(const char* name) {
        return Find<T>(page, name);
    }
    QPushButton* Update() { return Get<QPushButton>("updateButton"); }
    QPushButton* Download() { return Get<QPushButton>("downloadModeButton"); }
    QPushButton* Browse() { return Get<QPushButton>("browseButton"); }
    bool DownloadShown() { return Download()->isVisibleTo(page); }

    // Writes a file in the test's folder and chooses it with Browse.
    std::string Choose(const std::string& name, const std::string& bytes) {
        const std::string path = world.Path(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        chosen = QString::fromStdString(path);
        Browse()->click();
        return path;
    }
    bool RunUpdate(int timeoutMs = 30000) {
        Update()->click();
        return QTest::qWaitFor([&] { return !page->Busy(); }, timeoutMs);
    }
    bool RunDownloadMode() {
        Download()->click();
        if (!Update()->isEnabled() && page->DownloadCommandRunning() && !Download()->isEnabled())
            return QTest::qWaitFor([&] { return !page->DownloadCommandRunning(); }, 10000);
        return false;
    }
    QString LastMessage() const {
        return world.messages.empty() ? QString() : world.messages.back().text;
    }

    SimProcess sim;
    GuiWorld world;
    std::unique_ptr<CPrintuneDlg> window;
    CUpgradeFW* page = nullptr;
    std::optional<QString> chosen;
    std::vector<QString> filters;
};

IniValues Ini(const std::string& model, int portType) {
    IniValues ini;
    ini.model = model;
    ini.portType = portType;
    return ini;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

const char* const kManualNote = "Enter Firmware / CG Update mode manually.";
const char* const kDownloadNote = "by Clicking \"Download Mode\"";

} // namespace

class FirmwarePageTest : public QObject {
    Q_OBJECT

private slots:
    void comAndLptNeverEnableUpdate() {
        for (int port : {PORT_COM, PORT_LPT}) {
            FwWorld label({"--no-tcp"}, Ini("KP-520", port));
            label.Choose("kp.bin", "x");
            QVERIFY(!label.Update()->isEnabled());
            QVERIFY(label.DownloadShown());
            QVERIFY(!label.Download()->isEnabled());
            FwWorld receipt({"--no-tcp"}, Ini("HT-740", port));
            receipt.Choose("p.fw", "x");
            QVERIFY(!receipt.Update()->isEnabled());
            QVERIFY(!receipt.DownloadShown());
        }
    }

    void networkReceiptModelHasNoUpdate() {
        FwWorld w({}, Ini("HT-740", PORT_LAN));
        QVERIFY(!w.DownloadShown());
        QVERIFY(!w.Update()->isEnabled());
    }

    void notesFollowTheUsbFilter() {
        FwWorld w({"--no-tcp"}, Ini("KP-520", PORT_USB));
        auto* note = w.Get<QLabel>("instructionLabel");
        QVERIFY(note->text().contains(QLatin1String(kDownloadNote)));
        QVERIFY(w.Update()->isEnabled());
        QVERIFY(w.DownloadShown());
        QVERIFY(w.Download()->isEnabled());
        PickModel(*w.window, 3); // HT-740: filter 3D71
        QVERIFY(note->text().contains(QLatin1String(kManualNote)));
        QVERIFY(!w.DownloadShown());
        PickModel(*w.window, 4); // HT-750: 3D72
        QVERIFY(note->text().contains(QLatin1String(kManualNote)));
        SetUsbFilter(UsbFilter{});
        w.page->SetSettings(w.page->Settings());
        QVERIFY(note->text().contains(QLatin1String(kDownloadNote)));
    }

    void browseFiltersAndUpdateWithoutAFile() {
        FwWorld w({"--no-tcp", "--usb", "7A3E:3D71"}, Ini("HT-740", PORT_USB));
        QCOMPARE(w.page->BrowseFilterText(),
                 QStringLiteral("Firmware File(*.fw);;Character Library(*.cg)"));
        QVERIFY(w.Update()->isEnabled());
        QVERIFY(w.Browse()->isEnabled());
        w.Update()->click();
        QCOMPARE(w.world.messages.size(), size_t{1});
        QCOMPARE(w.LastMessage(), QStringLiteral("Select a file please."));
        QCOMPARE(w.world.messages.back().icon, MessageIcon::Warning);
        QVERIFY(w.Update()->isEnabled());
        QVERIFY(w.Browse()->isEnabled());
        QVERIFY(!w.page->Busy());
        // A cancelled dialog asks again, though the box keeps the old path.
        w.Choose("p.fw", "abc");
        w.chosen.reset();
        w.Browse()->click();
        QVERIFY(w.Get<QLineEdit>("pathEdit")->text().endsWith(QLatin1String("p.fw")));
        w.Update()->click();
        QCOMPARE(w.LastMessage(), QStringLiteral("Select a file please."));
        QCOMPARE(w.filters.back(), w.page->BrowseFilterText());
        QVERIFY(w.sim.Received("usb0").empty());
    }

    void receiptFirmwareIsTaggedAndTheFilterRestored() {
        FwWorld w({"--no-tcp", "--usb", "7A3E:3D71", "--usb", "7A3E:5C19"},
                  Ini("HT-740", PORT_USB));
        const UsbFilter before = CurrentUsbFilter();
        std::string file(1055, '\0');
        for (size_t i = 0; i < file.size(); ++i)
            file[i] = static_cast<char>(i * 7);
        w.Choose("printer.FW", file);
        w.Update()->click();
        QVERIFY(w.page->Busy());
        QVERIFY(!w.Update()->isEnabled());
        QVERIFY(!w.Browse()->isEnabled());
        QVERIFY(QTest::qWaitFor([&] { return !w.page->Busy(); }, 30000));
        QCOMPARE(w.LastMessage(), QStringLiteral("File sent successfully."));
        QCOMPARE(w.world.messages.back().icon, MessageIcon::Information);
        QCOMPARE(w.Update()->text(), QStringLiteral("Update"));
        QVERIFY(w.Update()->isEnabled());
        QVERIFY(!w.Get<QProgressBar>("progressBar")->isVisibleTo(w.page));
        QCOMPARE(CurrentUsbFilter(), before);
        std::vector<uint8_t> want = Bytes("UDFW");
        want.insert(want.end(), file.begin(), file.end());
        QVERIFY(w.sim.WaitReceived("usb0", want.size()));
        QCOMPARE(w.sim.Received("usb0"), want);
        QVERIFY(w.sim.Received("usb1").empty());
    }

    void anImageOfTheOtherFamilyIsRefused() {
        FwWorld w({"--no-tcp", "--usb", "7A3E:5C19", "--usb", "7A3E:3D71"},
                  Ini("KP-520", PORT_USB));
        const UsbFilter before = CurrentUsbFilter();
        w.Choose("receipt.fw", "firmware");
        w.Update()->click();
        QCOMPARE(w.world.messages.size(), size_t{1});
        QVERIFY(w.LastMessage().contains(QLatin1String("KP-520")));
        QVERIFY(w.LastMessage().contains(QLatin1String(".bin")));
        QVERIFY(!w.page->Busy());
        QVERIFY(w.Update()->isEnabled());
        QCOMPARE(CurrentUsbFilter(), before);
        QTest::qWait(200);
        QVERIFY(w.sim.Received("usb0").empty());
        QVERIFY(w.sim.Received("usb1").empty());
    }

    // usb0: the printer (7A3E:5C19), usb1: its loader (6B2D:4E08), usb2: a
    // receipt printer that must never get a label image.
    void labelImageGoesToTheDownloadModePrinterOrTheLoader() {
        FwWorld w(
            {"--no-tcp", "--usb", "7A3E:5C19", "--usb", "6B2D:4E08=KP-520", "--usb", "7A3E:3D71"},
            Ini("KP-520", PORT_USB));
        const UsbFilter before = CurrentUsbFilter();
        const std::string image(2000, 'L');
        w.Choose("kp.BIN", image);
        QVERIFY(w.RunUpdate());
        QCOMPARE(CurrentUsbFilter(), before);
        QVERIFY(w.sim.WaitReceived("usb1", image.size()));
        QCOMPARE(w.sim.Received("usb1"), Bytes(image));

        QVERIFY(w.RunDownloadMode());
        QVERIFY(w.page->DownloadModeFlag());
        QVERIFY(!w.Download()->isEnabled());
        w.page->SetSettings(w.page->Settings()); // a repaint keeps it disabled
        QVERIFY(!w.Download()->isEnabled());
        w.Update()->click();
        QVERIFY(w.Get<QLabel>("waitLabel")->isVisibleTo(w.page));
        QVERIFY(QTest::qWaitFor([&] { return !w.page->Busy(); }, 30000));
        QVERIFY(w.Download()->isEnabled());
        QVERIFY(!w.page->DownloadModeFlag());
        QCOMPARE(CurrentUsbFilter(), before);
        // usb0: the version after the first update, before the command, the
        // command, the image, the version after.
        const std::vector<uint8_t> ask = HexBytes("1B 0D 53 1B 1A 01 1B 10 45");
        std::vector<uint8_t> want = ask;
        want.insert(want.end(), ask.begin(), ask.end());
        const std::vector<uint8_t> command = HexBytes("1B 0D 53 1B 90 46 57");
        want.insert(want.end(), command.begin(), command.end());
        want.insert(want.end(), image.begin(), image.end());
        want.insert(want.end(), ask.begin(), ask.end());
        QVERIFY(w.sim.WaitReceived("usb0", want.size()));
        QCOMPARE(w.sim.Received("usb0"), want);
        QCOMPARE(w.sim.Received("usb1").size(), image.size());
        QVERIFY(w.sim.Received("usb2").empty());
    }

    void aDroppedConnectionEndsWithTheSendFailureAndAUsablePage() {
        FwWorld w({"--close-after", "3000"}, Ini("KP-520", PORT_LAN));
        const UsbFilter before = CurrentUsbFilter();
        w.Choose("kp.bin", std::string(400000, 'D'));
        QVERIFY(w.RunUpdate());
        QCOMPARE(w.LastMessage(), QStringLiteral("Unable to send file to port."));
        QCOMPARE(CurrentUsbFilter(), before);
        QVERIFY(w.Browse()->isEnabled());
        QVERIFY(w.Update()->isEnabled()); // the repaint rules: idle over the network
        QVERIFY(w.Download()->isEnabled());
        QCOMPARE(w.Update()->text(), QStringLiteral("Update"));
        QVERIFY(!w.Get<QProgressBar>("progressBar")->isVisibleTo(w.page));
    }

    void versionBeforeAndAfterAnUpdate() {
        FwWorld w({"--fw-version-after", "KP520 V2.24 2026-12-01"}, Ini("KP-520", PORT_LAN));
        w.Choose("kp.bin", std::string(6000, 'V'));
        QVERIFY(w.RunDownloadMode());
        QVERIFY(w.world.messages.empty());
        QVERIFY(w.RunUpdate());
        const QString line =
            QStringLiteral("Firmware KP520 V2.16 2026-05-12 → KP520 V2.24 2026-12-01");
        QCOMPARE(w.Get<QLabel>("versionLabel")->text(), line);
        QVERIFY(w.Get<QLabel>("versionLabel")->isVisibleTo(w.page));
        QCOMPARE(w.LastMessage(), QStringLiteral("File sent successfully.\n\n") + line);
        QCOMPARE(w.world.messages.back().icon, MessageIcon::Information);
    }

    // The simulator starts new firmware from its factory settings; with the
    // box ticked the page reads them first, Update sends the download-mode
    // command itself, and the two that differ afterwards are written back.
    void keepingThePrintersSettingsAcrossAnUpdate() {
        QTemporaryDir state;
        std::ofstream(state.filePath(QStringLiteral("KP-520.state")).toStdString())
            << "print-speed=3\ncut-mode=1\n";
        FwWorld w({"--state-dir", state.path().toStdString(), "--fw-version-after",
                   "KP520 V2.24 2026-12-01"},
                  Ini("KP-520", PORT_LAN));
        auto* keep = w.Get<QCheckBox>("keepSettingsCheck");
        QVERIFY(!keep->isEnabled()); // no image yet
        w.Choose("kp.mot", "M");
        QVERIFY(!keep->isEnabled()); // not a .bin image
        w.Choose("kp.bin", std::string(3000, 'K'));
        QVERIFY(keep->isEnabled());
        keep->setChecked(true);
        QVERIFY(w.RunUpdate());
        const QString restored =
            QStringLiteral("The printer's settings were restored (2 sent and verified).");
        QCOMPARE(w.Get<QLabel>("settingsLabel")->text(), restored);
        QVERIFY(w.Get<QLabel>("settingsLabel")->isVisibleTo(w.page));
        QCOMPARE(w.LastMessage(),
                 QStringLiteral("File sent successfully.\n\nFirmware KP520 V2.16 2026-05-12 → "
                                "KP520 V2.24 2026-12-01\n\n") +
                     restored);
        QCOMPARE(w.world.messages.back().icon, MessageIcon::Information);
        std::ifstream in(state.filePath(QStringLiteral("KP-520.state")).toStdString());
        const std::string kept((std::istreambuf_iterator<char>(in)), {});
        QVERIFY2(kept.find("print-speed=3\n") != std::string::npos, kept.c_str());
        QVERIFY2(kept.find("cut-mode=1\n") != std::string::npos, kept.c_str());
        // The download-mode command went out within the update.
        const auto command = HexBytes("1B 0D 53 1B 90 46 57");
        const auto rx = w.sim.Received("tcp");
        QVERIFY(std::search(rx.begin(), rx.end(), command.begin(), command.end()) != rx.end());

        // Once the printer is in download mode its settings cannot be read.
        QVERIFY(keep->isEnabled());
        QVERIFY(w.RunDownloadMode());
        QVERIFY(!keep->isEnabled());
    }

    void aPrinterThatDoesNotComeBackGetsTheRecoveryMessage() {
        FwWorld w({"--gone-after-update"}, Ini("KP-520", PORT_LAN));
        w.page->SetReturnWaitMs(3000);
        w.Choose("kp.bin", std::string(3000, 'G'));
        QVERIFY(w.RunDownloadMode());
        QVERIFY(w.RunUpdate());
        QVERIFY(w.LastMessage().startsWith(QStringLiteral("File sent successfully.\n\n")));
        QVERIFY(w.LastMessage().contains(QLatin1String("did not answer within 3 seconds")));
        QVERIFY(w.LastMessage().contains(QLatin1String("manual update mode")));
        QCOMPARE(w.world.messages.back().icon, MessageIcon::Warning);
        QVERIFY(!w.Get<QLabel>("versionLabel")->isVisibleTo(w.page));
        QVERIFY(w.Update()->isEnabled());
    }

    // A slow printer: the caption and the line under the bar while it sends;
    // closing the window mid-transfer stops the worker and puts the filter back.
    void progressWhileSendingAndClosingMidTransfer() {
        FwWorld w({"--no-tcp", "--usb", "7A3E:3D71", "--read-rate", "400000"},
                  Ini("HT-740", PORT_USB));
        const UsbFilter before = CurrentUsbFilter();
        w.Choose("big.fw", std::string(4 << 20, 'S'));
        w.Update()->click();
        auto* detail = w.Get<QLabel>("detailLabel");
        QVERIFY(
            QTest::qWaitFor([&] { return detail->text().contains(QLatin1String("left")); }, 30000));
        QVERIFY(w.Update()->text().endsWith(QLatin1Char('%')));
        QVERIFY(detail->text().contains(QLatin1String(" of 4.0 MB")));
        QVERIFY(detail->text().contains(QLatin1String("/s")));
        QVERIFY(w.Get<QProgressBar>("progressBar")->isVisibleTo(w.page));
        QCOMPARE(CurrentUsbFilter().UsbPidFilter, std::string("3D71"));
        QElapsedTimer closing;
        closing.start();
        w.window.reset();
        QVERIFY(closing.elapsed() < 1000);
        QVERIFY(QTest::qWaitFor([] { return AsyncTask::LiveWorkers() == 0; }, 20000));
        QCOMPARE(CurrentUsbFilter(), before);
        QVERIFY(w.world.messages.empty());
    }

    void enterAndEscapeNeverCloseThePage() {
        FwWorld w({"--no-tcp"}, Ini("KP-520", PORT_USB));
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(w.Get<QLineEdit>("pathEdit"), key);
        QVERIFY(w.window->isVisible());
        QVERIFY(w.page->isVisible());
    }

    void chineseFilterOffersBinOnly() {
        IniValues ini = Ini("Label Printer(200DPI)", PORT_USB);
        ini.language = "Chinese";
        FwWorld w({"--no-tcp"}, ini, LANG_CHINESE);
        QVERIFY(!w.page->BrowseFilterText().contains(QLatin1String("*.cg")));
        QVERIFY(!w.page->BrowseFilterText().contains(QLatin1String("*.mot")));
        QVERIFY(w.DownloadShown());
        QVERIFY(w.Update()->isEnabled());
    }
};

QTEST_MAIN(FirmwarePageTest)
#include "firmware_page_test.moc"
