// The label-printer settings page against printune-sim over TCP: what each
// button puts on the wire, how replies fill the page, the change marks, the
// edit checks, the failures and the buttons around every operation.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/language.h"
#include "gui_test_support.h"
#include "port/models.h"
#include "port/printer_port.h"
#include "settings/label_commands.h"
#include "settings/ui/label_setup_page.h"
#include "support/free_port.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

const char* const kButtons[] = {"getSerialButton", "getVersionButton",  "statisticsButton",
                                "calibrateButton", "getSettingsButton", "selfTestButton",
                                "resetButton",     "sendButton"};

// A settings reply of 49 bytes, all zero except the given offsets.
std::string Reply(std::initializer_list<std::pair<int, int>> bytes) {
    std::vector<int> reply(49, 0);
    for (const auto& [offset, value] : bytes)
        reply[static_cast<size_t>(offset)] = value;
    std::string hex;
    char two[3];
    for (int b : reply) {
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
    }
    return "1B0D531B33001B1045=" + hex;
}

struct PageWorld {
    explicit PageWorld(std::vector<std::string> simArgs, int uiLanguage = LANG_ENGLISH,
                       IniValues ini = {})
        : sim(std::move(simArgs)) {
        ini.portType = PORT_LAN;
        ini.ip = sim.TcpAddress();
        ini.listenPort = sim.TcpPort();
        world.WriteIni(ini);
        window = world.OpenMainWindow(uiLanguage);
        ChooseFunction(*window, 1);
        page = window->LabelPage();
    }

    template <class T>
    T* Get(const char* name) {
        return Find<T>(page, name);
    }
    bool AllButtons(bool enabled) {
        for (const char* name : kButtons)
            if (Get<QPushButton>(name)->isEnabled() != enabled)
                return false;
        return true;
    }
    // Clicks a button and waits until the operation and its completion
    // step have ended.
    bool Run(const char* button, int timeoutMs = 10000) {
        Get<QPushButton>(button)->click();
        return Wait(timeoutMs);
    }
    bool Wait(int timeoutMs = 10000) {
        const bool ended =
            QTest::qWaitFor([&] { return !page->Busy() && AllButtons(true); }, timeoutMs);
        QTest::qWait(150); // the 100 ms completion step
        return ended;
    }
    void Choose(const char* list, int position) {
        auto* combo = Get<QComboBox>(list);
        combo->setCurrentIndex(position);
        emit combo->activated(position);
    }
    // Writes a file in the test's folder and answers the next file dialog
    // with it.
    QString OfferFile(const QString& name, const std::string& text) {
        const QString path = world.Path(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text.data(), static_cast<qint64>(text.size()));
        world.fileAnswer = path;
        return path;
    }
    bool Bold(const char* label) { return Get<QLabel>(label)->font().bold(); }
    std::vector<int> Marked() {
        std::vector<int> out;
        for (int s = 0; s < LABEL_SETTING_COUNT; ++s)
            if (page->ChangeMarked(s))
                out.push_back(s);
        return out;
    }
    std::vector<uint8_t> Wire(size_t count) {
        (void)sim.WaitReceived("tcp", count);
        return sim.Received("tcp");
    }

    SimProcess sim;
    GuiWorld world;
    std::unique_ptr<CPrintuneDlg> window;
    CPrintingSetupKP520_1* page = nullptr;
};

} // namespace

class LabelPageTest : public QObject {
    Q_OBJECT

private slots:
    void changesAccumulateAndAreSentInThePrintersOrder() {
        PageWorld w({"--model", "KP-520"});
        QVERIFY(!w.Get<QLabel>("printWidthLabel")->isVisibleTo(w.page));
        QVERIFY(!w.Get<QLineEdit>("printWidthEdit")->isVisibleTo(w.page));
        QVERIFY(w.Run("sendButton"));
        QCOMPARE(w.Wire(6), HexBytes("1B 0D 53 1B 10 45"));

        w.Choose("pageModeCombo", 1);
        QVERIFY(w.Get<QLabel>("pageModeLabel")->font().bold());
        QVERIFY(w.Run("sendButton"));
        QVERIFY(!w.Get<QLabel>("pageModeLabel")->font().bold());
        QVERIFY(w.page->ChangeMarked(LS_PAGE_MODE));
        w.Choose("speedCombo", 2);
        QVERIFY(w.Run("sendButton"));
        QCOMPARE(w.Wire(6 + 9 + 12), HexBytes("1B 0D 53 1B 10 45"
                                              " 1B 0D 53 1B 27 01 1B 10 45"
                                              " 1B 0D 53 1B 27 01 1B 30 03 1B 10 45"));
        // The question after each send that carried a value; answered Ok here.
        QCOMPARE(int(w.world.messages.size()), 2);
        QCOMPARE(w.world.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    }

    void getFillsThePageAndResetReadsBackWithMarksCleared() {
        PageWorld w({"--model", "KP-520"});
        w.Choose("peelerCombo", 1);
        w.Choose("speedCombo", 3);
        QTest::keyClicks(w.Get<QLineEdit>("homeOffsetEdit"), "12.5");
        QVERIFY(w.Run("sendButton"));
        QVERIFY(w.Run("getSettingsButton"));
        QCOMPARE(w.Get<QComboBox>("peelerCombo")->currentIndex(), 1);
        QCOMPARE(w.Get<QComboBox>("speedCombo")->currentIndex(), 3);
        QCOMPARE(w.Get<QLineEdit>("homeOffsetEdit")->text(), QStringLiteral("12.50"));
        QCOMPARE(w.Get<QComboBox>("emulationCombo")->count(), 3);

        QElapsedTimer timer;
        timer.start();
        QVERIFY(w.Run("resetButton"));
        QVERIFY(timer.elapsed() >= 1000);
        QCOMPARE(w.Get<QComboBox>("peelerCombo")->currentIndex(), 0);
        for (int s = 0; s < LABEL_SETTING_COUNT; ++s)
            QVERIFY(!w.page->ChangeMarked(s));
        QCOMPARE(w.window->Master().flowControl, std::string("DTR"));
        QVERIFY(IniHas(w.world.ReadIni(), "COM", "Baudrate", "9600"));
        const size_t before = w.Wire(1).size();
        QVERIFY(w.Run("sendButton"));
        const auto wire = w.Wire(before + 6);
        QCOMPARE(std::vector<uint8_t>(wire.end() - 6, wire.end()), HexBytes("1B 0D 53 1B 10 45"));
        QCOMPARE(int(w.world.messages.size()), 1); // the read-back question only
    }

    void editChecksCorrectTypedAndPastedValues() {
        PageWorld w({"--model", "KP-520"});
        auto* home = w.Get<QLineEdit>("homeOffsetEdit");
        QTest::keyClicks(home, "5000");
        QCOMPARE(home->text(), QStringLiteral("4095"));
        QCOMPARE(int(w.world.messages.size()), 1);
        QCOMPARE(w.world.messages[0].text, QStringLiteral("The value is too large!"));
        QCOMPARE(w.world.messages[0].icon, MessageIcon::Warning);
        QTest::keyClick(home, Qt::Key_Return);
        QTest::keyClick(home, Qt::Key_Escape);
        QVERIFY(w.window->isVisible());
        home->clear();
        QTest::keyClicks(home, "4095.9");
        QCOMPARE(int(w.world.messages.size()), 1);

        // The keyboard gives Black Mark AD digits only; a paste is checked.
        auto* mark = w.Get<QLineEdit>("blackMarkEdit");
        QTest::keyClicks(mark, "-1a2");
        QCOMPARE(mark->text(), QStringLiteral("12"));
        mark->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("-5000"));
        mark->paste();
        QCOMPARE(mark->text(), QStringLiteral("-4095"));
        QCOMPARE(int(w.world.messages.size()), 2);
        QCOMPARE(w.Get<QLineEdit>("cutOffsetEdit")->text(), QString());
        QCOMPARE(w.Get<QLineEdit>("leftOffsetEdit")->text(), QString());

        QVERIFY(w.Run("sendButton"));
        QCOMPARE(w.Wire(14), HexBytes("1B 0D 53 1B 2C FF 7F 1B 28 01 F0 1B 10 45"));
    }

    void emulationListFollowsLanguageAndModel() {
        {
            PageWorld w({"--model", "KP-520"});
            auto* list = w.Get<QComboBox>("emulationCombo");
            QCOMPARE(list->count(), 3);
            QCOMPARE(list->itemText(0), QStringLiteral("ZPL"));
            QCOMPARE(list->itemText(2), QStringLiteral("TSPL"));
            w.Choose("emulationCombo", 0);
            QVERIFY(w.Run("sendButton"));
            QCOMPARE(w.Wire(9), HexBytes("1B 0D 53 1B 24 01 1B 10 45"));
        }
        IniValues chinese;
        chinese.language = "Chinese";
        chinese.model = ModelName(1, LANG_CHINESE);
        PageWorld w({"--model", "KP-520"}, LANG_CHINESE, chinese);
        auto* list = w.Get<QComboBox>("emulationCombo");
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->itemText(0), QStringLiteral("ESC/POS"));
        w.Choose("emulationCombo", 0);
        QVERIFY(w.Run("sendButton"));
        QCOMPARE(w.Wire(9), HexBytes("1B 0D 53 1B 24 00 1B 10 45"));
        ChooseFunction(*w.window, 0);
        PickModel(*w.window, 2);
        ChooseFunction(*w.window, 1);
        QCOMPARE(list->count(), 3);
    }

    void replyValuesOutsideTheListsLeaveNoSelection() {
        // Speed byte 0, emulation code 0 for the three-entry list, 19200 baud.
        PageWorld w({"--model", "KP-520", "--reply", Reply({{7, 0x04}, {37, 1}, {48, 0xA0}})});
        w.Choose("speedCombo", 1);
        w.Choose("emulationCombo", 1);
        QVERIFY(w.Run("getSettingsButton"));
        QCOMPARE(w.Get<QComboBox>("speedCombo")->currentIndex(), -1);
        QCOMPARE(w.Get<QComboBox>("emulationCombo")->currentIndex(), 1);
        QCOMPARE(w.Get<QComboBox>("peelerCombo")->currentIndex(), 1);
        QCOMPARE(w.Get<QLineEdit>("leftOffsetEdit")->text(), QStringLiteral("-80"));
        // The serial line went to the main window, the file and every port.
        QCOMPARE(w.window->Master().baudrate, std::string("19200"));
        QCOMPARE(CurrentPortSettings().baudrate, std::string("19200"));
        QVERIFY(IniHas(w.world.ReadIni(), "COM", "Baudrate", "19200"));
        // A list whose selection the read-back cleared is left out of the
        // request rather than sent with an invented value.
        QVERIFY(w.Run("sendButton"));
        QCOMPARE(w.Wire(9 + 9), HexBytes("1B 0D 53 1B 33 00 1B 10 45"
                                         " 1B 0D 53 1B 24 02 1B 10 45"));
    }

    void silentPrinterTimesOutAndTheCompletionStillRuns() {
        PageWorld w({"--model", "silent"});
        QFile::remove(w.world.Path(QStringLiteral("printune.ini")));
        QElapsedTimer timer;
        timer.start();
        w.Get<QPushButton>("getSettingsButton")->click();
        QVERIFY(w.AllButtons(false));
        QVERIFY(w.Wait(15000));
        QVERIFY(timer.elapsed() >= 2900);
        QCOMPARE(int(w.world.messages.size()), 1);
        QCOMPARE(w.world.messages[0].text, QStringLiteral("Communication is time out!"));
        QCOMPARE(w.world.messages[0].icon, MessageIcon::Error);
        // The completion step sent message 6: the main window saved its file.
        QVERIFY(!w.world.ReadIni().empty());
    }

    void failuresReEnableTheButtons() {
        PageWorld w({"--model", "KP-520"});
        const int closed = FreeLoopbackPort();
        PortSettings nowhere = w.window->Master();
        nowhere.listenPort = closed;
        w.window->OnSerialValuesChanged(nowhere);
        for (const char* button : {"getSettingsButton", "resetButton", "calibrateButton",
                                   "getSerialButton", "sendButton", "selfTestButton"}) {
            w.world.messages.clear();
            QVERIFY2(w.Run(button), button);
            QCOMPARE(int(w.world.messages.size()), 1);
            QCOMPARE(w.world.messages[0].icon, MessageIcon::Warning);
        }
    }

    void aDroppedConnectionIsAReadFailure() {
        PageWorld w({"--model", "KP-520", "--close-after", "4"});
        QVERIFY(w.Run("getSettingsButton"));
        QCOMPARE(int(w.world.messages.size()), 1);
        QVERIFY(w.world.messages[0].text.startsWith(
            QStringLiteral("Unable to get printer's setting!")));
        QCOMPARE(w.world.messages[0].icon, MessageIcon::Error);
    }

    void textRepliesFillTheInformationFields() {
        PageWorld w({"--model", "KP-520"});
        QVERIFY(w.Run("getSerialButton"));
        QVERIFY(w.Run("getVersionButton"));
        QVERIFY(w.Run("statisticsButton"));
        QCOMPARE(w.Get<QLineEdit>("serialNumberEdit")->text(), QStringLiteral("KP520A2601234"));
        QVERIFY(!w.Get<QLineEdit>("firmwareVersionEdit")->text().isEmpty());
        QVERIFY(!w.Get<QLineEdit>("mileageEdit")->text().isEmpty());
        QVERIFY(w.Run("selfTestButton"));
        QVERIFY(w.Run("calibrateButton"));
        const auto wire = w.Wire(27 + 12);
        QCOMPARE(std::vector<uint8_t>(wire.end() - 12, wire.end()),
                 HexBytes("1B 0D 4C 1B 0D 53 1B 3D 01 1B 10 45"));
        QVERIFY(w.world.messages.empty());
    }

    void readBackAfterSendShowsWhatThePrinterDidNotTake() {
        PageWorld w({"--model", "KP-520", "--reply", Reply({})});
        MessageService::SetAnswerer([&w](const MessageRecord& record) {
            w.world.messages.push_back(record);
            return record.buttons & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok;
        });
        w.Choose("pageModeCombo", 1);
        w.Choose("cutModeCombo", 0);
        QVERIFY(w.Run("sendButton"));
        QVERIFY(QTest::qWaitFor([&] { return w.world.messages.size() == 2; }, 10000));
        QVERIFY(w.AllButtons(true));
        QCOMPARE(w.world.messages[1].icon, MessageIcon::Warning);
        QVERIFY(w.world.messages[1].text.contains(QStringLiteral("Page Mode")));
        QVERIFY(!w.world.messages[1].text.contains(QStringLiteral("Cut Mode")));
        QVERIFY(w.Get<QLabel>("pageModeLabel")->styleSheet().contains(QStringLiteral("c00000")));
        QCOMPARE(w.Get<QComboBox>("pageModeCombo")->currentIndex(), 0);
    }

    // After a read the page shows the printer's values; a profile that
    // differs in two of them (and agrees on others, one written with fewer
    // decimals) marks those two, and Send Settings sends exactly them.
    void aLoadedProfileMarksAndSendsExactlyWhatDiffers() {
        PageWorld w({"--model", "KP-520"});
        QVERIFY(w.Run("getSettingsButton"));
        w.OfferFile(QStringLiteral("shop.profile"),
                    "printune-profile family=label; model=KP-520; version=1\n"
                    "print-speed = 4\n"
                    "cut-mode = On\n"
                    "home-offset = 0\n"
                    "peeler = Off\n"
                    "print-width = 72\n");
        w.Get<QPushButton>("loadFileButton")->click();
        QVERIFY(w.world.messages.empty());
        QCOMPARE(int(w.world.fileRequests.size()), 1);
        QCOMPARE(w.world.fileRequests[0].mode, FileDialogRequest::Mode::Open);
        QCOMPARE(w.Marked(), (std::vector<int>{LS_PRINT_SPEED, LS_CUT_MODE}));
        QVERIFY(w.Bold("speedLabel"));
        QVERIFY(w.Bold("cutModeLabel"));
        QVERIFY(!w.Bold("homeOffsetLabel"));
        QVERIFY(!w.Bold("peelerLabel"));
        QCOMPARE(w.Get<QComboBox>("speedCombo")->currentText(), QStringLiteral("4"));
        QCOMPARE(w.Get<QComboBox>("cutModeCombo")->currentText(), QStringLiteral("On"));
        QCOMPARE(w.Get<QLineEdit>("homeOffsetEdit")->text(), QStringLiteral("0.00"));

        const size_t before = w.Wire(9).size();
        QVERIFY(w.Run("sendButton"));
        const auto wire = w.Wire(before + 12);
        QCOMPARE(std::vector<uint8_t>(wire.begin() + static_cast<long>(before), wire.end()),
                 HexBytes("1B 0D 53 1B 30 04 1B 34 01 1B 10 45"));
    }

    // What the page saves comes back when loaded onto changed controls; a
    // page without values, or with a field a file cannot take, saves nothing.
    void saveThenLoadRestoresThePage() {
        PageWorld w({"--model", "KP-520"});
        w.Get<QPushButton>("saveFileButton")->click();
        QCOMPARE(int(w.world.messages.size()), 1);
        QVERIFY(w.world.messages[0].text.startsWith(QStringLiteral("The page holds no settings")));
        QVERIFY(w.world.fileRequests.empty());

        QVERIFY(w.Run("getSettingsButton"));
        const QString path = w.world.Path(QStringLiteral("saved.profile"));
        w.world.fileAnswer = path;
        w.Get<QPushButton>("saveFileButton")->click();
        QCOMPARE(int(w.world.messages.size()), 1);
        QCOMPARE(w.world.fileRequests.back().mode, FileDialogRequest::Mode::Save);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(saved.readAll());
        QVERIFY2(text.startsWith(QStringLiteral("printune-profile family=label; model=KP-520;")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\nprint-speed = 2\n")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\nprint-width = 104")), qPrintable(text));

        w.Choose("speedCombo", 3);
        w.Choose("densityCombo", 5);
        auto* home = w.Get<QLineEdit>("homeOffsetEdit");
        home->clear();
        QTest::keyClicks(home, "3.5");
        w.Get<QPushButton>("loadFileButton")->click();
        QCOMPARE(int(w.world.messages.size()), 1);
        QCOMPARE(w.Get<QComboBox>("speedCombo")->currentIndex(), 1);
        QCOMPARE(w.Get<QComboBox>("densityCombo")->currentIndex(), 2);
        QCOMPARE(home->text(), QStringLiteral("0.00"));
        QCOMPARE(w.Marked(), (std::vector<int>{LS_PRINT_DENSITY, LS_PRINT_SPEED, LS_HOME_OFFSET}));

        // Loading it again finds nothing to change, and says so.
        w.Get<QPushButton>("loadFileButton")->click();
        QCOMPARE(int(w.world.messages.size()), 2);
        QCOMPARE(w.world.messages[1].icon, MessageIcon::Information);

        // A lone minus sign is not a value a file can hold.
        w.Get<QLineEdit>("cutOffsetEdit")->setText(QStringLiteral("-"));
        w.Get<QPushButton>("saveFileButton")->click();
        QCOMPARE(int(w.world.messages.size()), 3);
        QVERIFY(w.world.messages[2].text.contains(QStringLiteral("Cutting Position Offset")));
        QCOMPARE(int(w.world.fileRequests.size()), 3);
    }

    // A receipt profile, and a profile with a bad line, change nothing; the
    // message names the line, in the page's language.
    void wrongFamilyAndBadLinesAreRefused() {
        {
            PageWorld w({"--model", "KP-520"});
            w.OfferFile(QStringLiteral("r.profile"),
                        "printune-profile family=receipt; model=HT-740; version=1\n"
                        "paper-wide = 57mm\n");
            w.Get<QPushButton>("loadFileButton")->click();
            QCOMPARE(int(w.world.messages.size()), 1);
            QCOMPARE(w.world.messages[0].text,
                     QStringLiteral("This profile is for receipt printers; this page sets label "
                                    "printers."));
            w.OfferFile(QStringLiteral("bad.profile"),
                        "printune-profile family=label; model=KP-520; version=1\n"
                        "print-speed = 3\n"
                        "print-sped = 2\n");
            w.Get<QPushButton>("loadFileButton")->click();
            QCOMPARE(int(w.world.messages.size()), 2);
            QVERIFY2(w.world.messages[1].text.endsWith(
                         QStringLiteral("Line 3: unknown setting 'print-sped'")),
                     qPrintable(w.world.messages[1].text));
            QCOMPARE(w.world.messages[1].icon, MessageIcon::Warning);
            QVERIFY(w.Marked().empty());
            QCOMPARE(w.Get<QComboBox>("speedCombo")->currentIndex(), -1);
        }
        IniValues chinese;
        chinese.language = "Chinese";
        chinese.model = ModelName(1, LANG_CHINESE);
        PageWorld w({"--model", "KP-520"}, LANG_CHINESE, chinese);
        QCOMPARE(w.Get<QPushButton>("loadFileButton")->text(), QStringLiteral("从文件载入…"));
        w.OfferFile(QStringLiteral("bad.profile"),
                    "printune-profile family=label; model=KP-520; version=1\n"
                    "print-sped = 2\n");
        w.Get<QPushButton>("loadFileButton")->click();
        QCOMPARE(int(w.world.messages.size()), 1);
        QVERIFY2(w.world.messages[0].text.contains(QStringLiteral("未知设置 'print-sped'")),
                 qPrintable(w.world.messages[0].text));
        QVERIFY2(w.world.messages[0].text.contains(QStringLiteral("第 2 行")),
                 qPrintable(w.world.messages[0].text));
    }
};

QTEST_MAIN(LabelPageTest)
#include "label_page_test.moc"
