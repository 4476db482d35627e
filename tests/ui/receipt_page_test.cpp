// The receipt-printer settings page against printune-sim over TCP: the bytes
// of each button, the Cutter Switch rules of the two models, the distance
// validation, the decoding of a reply, failures and the live status.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <fstream>

#include "base/language.h"
#include "gui_test_support.h"
#include "settings/ui/receipt_setup_page.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

const char* const kGet = "1B 0D 53 1B 33 00 1B 10 45";

// The main window on the simulator's TCP endpoint with the model at the
// given position, showing "Printer Setup".
std::unique_ptr<CPrintuneDlg> OpenReceiptPage(GuiWorld& world, const SimProcess& sim,
                                              const std::string& model,
                                              const std::string& language = "English",
                                              const std::string& baud = "9600") {
    world.WriteIni({.model = model,
                    .portType = 4,
                    .baud = baud,
                    .ip = sim.TcpAddress(),
                    .listenPort = sim.TcpPort(),
                    .language = language});
    auto window = world.OpenMainWindow(language == "Chinese" ? LANG_CHINESE : LANG_ENGLISH);
    ChooseFunction(*window, 1);
    if (!window->ReceiptPage())
        QTest::qFail("no receipt page", __FILE__, __LINE__);
    return window;
}

// Clicks a button and waits until the page's worker (operation and the
// status inquiry after it) and the completion pause are over.
void ClickAndSettle(CInternalSetupHT740* page, const char* button) {
    Find<QPushButton>(page, button)->click();
    if (!QTest::qWaitFor([page] { return !page->Busy() && !page->ReadPending(); }, 15000))
        QTest::qFail("the operation did not end", __FILE__, __LINE__);
    QTest::qWait(CInternalSetupHT740::COMPLETION_MS * 2);
}

bool Contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

// Writes a profile in the test's folder and answers the next file dialog
// with it.
void OfferProfile(GuiWorld& world, const QString& name, const std::string& text) {
    const QString path = world.Path(name);
    std::ofstream(path.toStdString(), std::ios::binary) << text;
    world.fileAnswer = path;
}

std::vector<int> Marked(CInternalSetupHT740* page) {
    std::vector<int> out;
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s)
        if (page->Marks()[static_cast<size_t>(s)])
            out.push_back(s);
    return out;
}

QString StatusText(CInternalSetupHT740* page) {
    return Find<QLabel>(page, "statusValue")->text();
}

} // namespace

class ReceiptPageTest : public QObject {
    Q_OBJECT

private slots:
    void fourthModelRepeatsTheReadBackCutterInEverySend() {
        SimProcess sim({"--model", "HT-750"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-750");
        CInternalSetupHT740* page = window->ReceiptPage();
        auto* cutter = Find<QComboBox>(page, "cutterCombo");
        QVERIFY(cutter->isVisible());

        ClickAndSettle(page, "sendButton"); // nothing chosen yet: the bare frame
        QVERIFY(sim.WaitReceived("tcp", 6));
        QCOMPARE(sim.Received("tcp"), HexBytes("1B 0D 53 1B 10 45 10 04 01 10 04 02 10 04 03 "
                                               "10 04 04"));

        ClickAndSettle(page, "getButton");
        QCOMPARE(cutter->currentText(), QStringLiteral("On")); // the HT-750's factory value
        QTRY_VERIFY(page->Marks()[RS_CUTTER_SWITCH]);          // painted with a selection
        ClickAndSettle(page, "sendButton");
        ClickAndSettle(page, "sendButton");
        const auto rx = sim.Received("tcp");
        const auto send = HexBytes("1B 0D 53 1B 34 01 1B 10 45");
        QVERIFY(Contains(rx, send));
        // Twice: the mark is never cleared.
        const auto first = std::search(rx.begin(), rx.end(), send.begin(), send.end());
        QVERIFY(std::search(first + 1, rx.end(), send.begin(), send.end()) != rx.end());
        QVERIFY(world.messages.empty());
        QCOMPARE(StatusText(page), QStringLiteral("Ready"));
    }

    void ht740HidesAndNeverSendsTheCutter() {
        SimProcess sim({"--model", "HT-740"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-740");
        CInternalSetupHT740* page = window->ReceiptPage();
        QVERIFY(!Find<QComboBox>(page, "cutterCombo")->isVisible());
        QVERIFY(!Find<QLabel>(page, "cutterLabel")->isVisible());
        QVERIFY(!Find<QPushButton>(page, "selfTestButton")->isVisible());
        ClickAndSettle(page, "getButton");
        QCOMPARE(Find<QComboBox>(page, "cutterCombo")->currentIndex(), 0);
        auto* wide = Find<QComboBox>(page, "paperWideCombo");
        wide->setCurrentIndex(2);
        emit wide->activated(2);
        ClickAndSettle(page, "sendButton");
        const auto rx = sim.Received("tcp");
        QVERIFY(Contains(rx, HexBytes("1B 0D 53 1B 38 02 1B 10 45")));
        QVERIFY(!Contains(rx, HexBytes("1B 34")));
    }

    void restoreSetsTheLanguageAndAdoptsTheFactoryLine_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("English") << "English"
                                 << "1B 0D 53 1B 16 00 1B 10 45 1D 10 01";
        QTest::newRow("Chinese") << "Chinese"
                                 << "1B 0D 53 1B 16 01 1B 10 45 1D 10 01";
    }
    void restoreSetsTheLanguageAndAdoptsTheFactoryLine() {
        QFETCH(QString, language);
        QFETCH(QString, bytes);
        SimProcess sim({"--model", "HT-740"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-740", language.toStdString(), "115200");
        CInternalSetupHT740* page = window->ReceiptPage();
        QVERIFY(IniHas(world.ReadIni(), "COM", "Baudrate", "115200"));
        ClickAndSettle(page, "restoreButton");
        const auto expected = HexBytes(bytes.toStdString() + " " + kGet);
        QVERIFY(sim.WaitReceived("tcp", expected.size()));
        QVERIFY(Contains(sim.Received("tcp"), expected));
        QVERIFY(IniHas(world.ReadIni(), "COM", "Baudrate", "9600"));
        QVERIFY(IniHas(world.ReadIni(), "COM", "FlowControl", "DTR"));
        QCOMPARE(Find<QComboBox>(page, "languageCombo")->currentIndex(),
                 language == QLatin1String("Chinese") ? 1 : 0);
        QVERIFY(world.messages.empty());
    }

    void chineseEditsTakeAnyCharacterAndAreValidated() {
        SimProcess sim({"--model", "HT-750"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-750", "Chinese");
        CInternalSetupHT740* page = window->ReceiptPage();
        auto* home = Find<QLineEdit>(page, "markToHomeEdit");
        auto* cutter = Find<QLineEdit>(page, "markToCutterEdit");

        QTest::keyClicks(home, QStringLiteral("-"));
        QCOMPARE(home->text(), QStringLiteral("-"));
        QVERIFY(world.messages.empty());
        QVERIFY(page->Marks()[RS_MARK_TO_HOME]);

        QTest::keyClick(home, Qt::Key_Backspace); // empty: refused
        QCOMPARE(world.messages.size(), size_t(1));
        QCOMPARE(world.messages[0].text, QStringLiteral("请输入整数。"));
        QCOMPARE(world.messages[0].icon, MessageIcon::None);
        QCOMPARE(home->text(), QString());

        QTest::keyClicks(cutter, QStringLiteral("1-"));
        QCOMPARE(world.messages.size(), size_t(2));
        QCOMPARE(cutter->text(), QStringLiteral("1"));

        cutter->clear();
        QTest::keyClicks(cutter, QStringLiteral("6000"));
        QCOMPARE(cutter->text(), QStringLiteral("5766"));
        QCOMPARE(world.messages.back().icon, MessageIcon::Warning);
        QCOMPARE(world.messages.back().text, QStringLiteral("数值超出范围!"));

        // "-" sends 0, 5766 mm sends B1 7F.
        ClickAndSettle(page, "sendButton");
        QVERIFY(
            Contains(sim.Received("tcp"), HexBytes("1B 0D 53 1B 2C 00 00 1B 2D B1 7F 1B 10 45")));
    }

    void englishEditsTakeOnlyDigitsFromTheKeyboard() {
        SimProcess sim({"--model", "HT-750"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-750");
        auto* home = Find<QLineEdit>(window->ReceiptPage(), "markToHomeEdit");
        QTest::keyClicks(home, QStringLiteral("-1a2"));
        QCOMPARE(home->text(), QStringLiteral("12"));
        QVERIFY(world.messages.empty());
    }

    void replyDecodingLeavesInvalidListsAlone() {
        // 05 at offset 0, serial byte 18, FF FF at 5-6, 02 at 13.
        std::string reply = "05 00 18 00 00 FF FF 00 00 00 00 00 00 02";
        for (int i = 14; i < 100; ++i)
            reply += " 00";
        std::string canned = "1B0D531B33001B1045=" + reply;
        canned.erase(std::remove(canned.begin(), canned.end(), ' '), canned.end());
        SimProcess sim({"--model", "HT-750", "--reply", canned});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-750");
        CInternalSetupHT740* page = window->ReceiptPage();
        auto* language = Find<QComboBox>(page, "languageCombo");
        language->setCurrentIndex(1);
        ClickAndSettle(page, "getButton");
        QCOMPARE(language->currentIndex(), 1);
        QCOMPARE(Find<QComboBox>(page, "paperWideCombo")->currentText(), QStringLiteral("57mm"));
        QCOMPARE(Find<QLineEdit>(page, "markToHomeEdit")->text(), QStringLiteral("-0.2"));
        const std::string ini = world.ReadIni();
        QVERIFY(IniHas(ini, "COM", "Baudrate", "1200"));
        QVERIFY(IniHas(ini, "COM", "FlowControl", "Xon/Xoff"));
        QVERIFY(IniHas(ini, "COM", "ParitySetup", "Even"));
        QVERIFY(IniHas(ini, "COM", "StopBit", "1"));
        QVERIFY(IniHas(ini, "COM", "DataBit", "8"));
    }

    void silentPrinterTimesOutInThePagesLanguage() {
        SimProcess sim({"--model", "HT-750", "--reply-fault", "silent"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-750", "Chinese");
        CInternalSetupHT740* page = window->ReceiptPage();
        ClickAndSettle(page, "getButton");
        QCOMPARE(world.messages.size(), size_t(1));
        QCOMPARE(world.messages[0].icon, MessageIcon::Error);
        QCOMPARE(world.messages[0].text, QStringLiteral("通讯超时!"));
        for (const char* name : {"getButton", "restoreButton", "sendButton", "statusButton"})
            QVERIFY2(Find<QPushButton>(page, name)->isEnabled(), name);
        QCOMPARE(StatusText(page), QStringLiteral("未知"));
    }

    void worksOverASerialPortAtTheAdoptedLine() {
        SimProcess sim({"--no-tcp", "--com", "1=HT-740", "--status-fault", "offline"});
        sim.ExportEnvironment();
        GuiWorld world;
        world.WriteIni({.model = "HT-740", .portType = 1, .com = "COM1"});
        auto window = world.OpenMainWindow();
        ChooseFunction(*window, 1);
        CInternalSetupHT740* page = window->ReceiptPage();
        ClickAndSettle(page, "getButton");
        QVERIFY(world.messages.empty());
        QCOMPARE(Find<QComboBox>(page, "directionCombo")->currentIndex(), 1);
        QCOMPARE(StatusText(page), QStringLiteral("Off-line"));
        QVERIFY(Contains(sim.Received("COM1"), HexBytes(kGet)));
    }

    void closingWhileAReadWaitsNeitherBlocksNorReports() {
        SimProcess sim({"--model", "HT-750", "--reply-fault", "silent"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-750");
        Find<QPushButton>(window->ReceiptPage(), "getButton")->click();
        QVERIFY(sim.WaitReceived("tcp", 9));
        QElapsedTimer closing;
        closing.start();
        window.reset();
        // Well inside the 3000 ms the read would still wait.
        QVERIFY(closing.elapsed() < 2500);
        QTest::qWait(3500);
        QVERIFY(world.messages.empty());
    }

    void statusShowsEachStateOfTheSimulator_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("shown");
        QTest::newRow("near end") << "near-end"
                                  << "Paper near end";
        QTest::newRow("paper end") << "paper-end"
                                   << "Paper end";
        QTest::newRow("cover") << "cover-open"
                               << "Cover open";
        QTest::newRow("cutter") << "cutter-error"
                                << "Cutter error";
        QTest::newRow("offline") << "offline"
                                 << "Off-line";
        QTest::newRow("two") << "offline,cover-open"
                             << "Cover open, Off-line";
    }
    void statusShowsEachStateOfTheSimulator() {
        QFETCH(QString, fault);
        QFETCH(QString, shown);
        SimProcess sim({"--model", "HT-740", "--status-fault", fault.toStdString()});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-740");
        CInternalSetupHT740* page = window->ReceiptPage();
        QCOMPARE(StatusText(page), QStringLiteral("unknown")); // not asked yet
        ClickAndSettle(page, "statusButton");
        QCOMPARE(StatusText(page), shown);
        QCOMPARE(sim.Received("tcp"), HexBytes("10 04 01 10 04 02 10 04 03 10 04 04"));
    }

    void getWhileTheStatusIsAskedWaitsForIt() {
        SimProcess sim({"--model", "HT-740", "--reply-fault", "delay:300"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-740");
        CInternalSetupHT740* page = window->ReceiptPage();
        Find<QPushButton>(page, "statusButton")->click();
        QVERIFY(page->Busy());
        ClickAndSettle(page, "getButton");
        QVERIFY(Contains(sim.Received("tcp"), HexBytes(kGet)));
        QVERIFY(world.messages.empty());
        QCOMPARE(Find<QComboBox>(page, "directionCombo")->currentIndex(), 1);
    }

    // After a read, a profile differing in Paper Wide and Black Mark to Home
    // (and agreeing on Black Mark) marks those two, shown bold, and Send
    // Settings carries exactly them.
    void aLoadedProfileMarksAndSendsExactlyWhatDiffers() {
        SimProcess sim({"--model", "HT-740"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-740");
        CInternalSetupHT740* page = window->ReceiptPage();
        ClickAndSettle(page, "getButton");
        QVERIFY(Marked(page).empty());
        OfferProfile(world, QStringLiteral("r.profile"),
                     "printune-profile family=receipt; model=HT-740; version=1\n"
                     "paper-wide = 57mm\nblack-mark = Off\nmark-to-home = 1.1\n"
                     "mark-to-cutter = 0.0\n");
        Find<QPushButton>(page, "loadFileButton")->click();
        QVERIFY(world.messages.empty());
        QCOMPARE(Marked(page), (std::vector<int>{RS_PAPER_WIDE, RS_MARK_TO_HOME}));
        QVERIFY(Find<QLabel>(page, "paperWideLabel")->font().bold());
        QVERIFY(Find<QLabel>(page, "markToHomeLabel")->font().bold());
        QVERIFY(!Find<QLabel>(page, "blackMarkLabel")->font().bold());
        QCOMPARE(Find<QComboBox>(page, "paperWideCombo")->currentText(), QStringLiteral("57mm"));
        QCOMPARE(Find<QLineEdit>(page, "markToHomeEdit")->text(), QStringLiteral("1.1"));
        ClickAndSettle(page, "sendButton");
        QVERIFY(Contains(sim.Received("tcp"), HexBytes("1B 0D 53 1B 38 02 1B 2C 06 00 1B 10 45")));
        QVERIFY(world.messages.empty());
    }

    // Saved from one page and loaded onto changed controls, the values come
    // back; a label profile is refused.
    void saveThenLoadRestoresThePageAndALabelProfileIsRefused() {
        SimProcess sim({"--model", "HT-750"});
        GuiWorld world;
        auto window = OpenReceiptPage(world, sim, "HT-750");
        CInternalSetupHT740* page = window->ReceiptPage();
        ClickAndSettle(page, "getButton");
        world.fileAnswer = world.Path(QStringLiteral("saved.profile"));
        Find<QPushButton>(page, "saveFileButton")->click();
        QVERIFY(world.messages.empty());
        std::ifstream in(world.fileAnswer->toStdString());
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        QVERIFY2(text.rfind("printune-profile family=receipt; model=HT-750;", 0) == 0,
                 text.c_str());
        QVERIFY2(text.find("\ncutter-switch = On\n") != std::string::npos, text.c_str());

        auto* wide = Find<QComboBox>(page, "paperWideCombo");
        wide->setCurrentIndex(1);
        emit wide->activated(1);
        Find<QPushButton>(page, "loadFileButton")->click();
        QCOMPARE(wide->currentIndex(), 0);
        QVERIFY(world.messages.empty());

        OfferProfile(world, QStringLiteral("l.profile"),
                     "printune-profile family=label; model=KP-520; version=1\nprint-speed = 4\n");
        const std::vector<int> before = Marked(page);
        Find<QPushButton>(page, "loadFileButton")->click();
        QCOMPARE(int(world.messages.size()), 1);
        QCOMPARE(world.messages[0].text,
                 QStringLiteral("This profile is for label printers; this page sets receipt "
                                "printers."));
        QCOMPARE(Marked(page), before);
    }
};

QTEST_MAIN(ReceiptPageTest)
#include "receipt_page_test.moc"
