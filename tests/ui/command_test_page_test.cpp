// The command test page against the simulated receipt printer over TCP:
// the bytes each input sends, file sends with their progress, the stop
// buttons, the reply console and the input history.
#include <fstream>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "diagnostics/input_history.h"
#include "diagnostics/reply_console.h"
#include "diagnostics/ui/command_test_page.h"
#include "gui_test_support.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

// A main window on the command test page, pointed at a simulated HT-750.
struct Bench {
    explicit Bench(std::vector<std::string> simArgs = {"--model", "HT-750"})
        : sim(std::move(simArgs)) {
        world.WriteIni(
            {.model = "HT-750", .portType = 4, .ip = "127.0.0.1", .listenPort = sim.TcpPort()});
        window = world.OpenMainWindow();
        ChooseFunction(*window, 3);
        page = window->CommandTestPage();
        input = Find<QPlainTextEdit>(page, "inputBox");
        hex = Find<QCheckBox>(page, "hexSendCheck");
        sendData = Find<QPushButton>(page, "sendDataButton");
        sendFile = Find<QPushButton>(page, "sendFileButton");
        Find<QSpinBox>(page, "replyWindowSpin")->setValue(0);
    }

    // Types the input, clicks "Send Data" and waits for the send to end.
    void Send(const QString& text, bool asHex) {
        input->setPlainText(text);
        hex->setChecked(asHex);
        sendData->click();
        QTRY_VERIFY_WITH_TIMEOUT(sendData->isEnabled(), 15000);
    }

    // Chooses a file through "Browse" (empty: the dialog is cancelled).
    void Choose(const QString& path) {
        CCommandTest::SetFileChooser([path](QWidget*, CCommandTest::FileChoice) { return path; });
        Find<QPushButton>(page, "browseButton")->click();
        CCommandTest::SetFileChooser({});
    }

    void SendFileAndWait() {
        sendFile->click();
        QTRY_VERIFY_WITH_TIMEOUT(sendFile->isEnabled(), 15000);
    }

    std::vector<uint8_t> Rx(size_t count) {
        sim.WaitReceived("tcp", count);
        return sim.Received("tcp");
    }

    SimProcess sim;
    GuiWorld world;
    std::unique_ptr<CPrintuneDlg> window;
    CCommandTest* page = nullptr;
    QPlainTextEdit* input = nullptr;
    QCheckBox* hex = nullptr;
    QPushButton* sendData = nullptr;
    QPushButton* sendFile = nullptr;
};

std::string WriteBytes(GuiWorld& world, const char* name, size_t size) {
    const std::string path = world.Path(QString::fromLatin1(name)).toStdString();
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i)
        out.put(static_cast<char>(i % 251));
    return path;
}

} // namespace

class CommandTestPageTest : public QObject {
    Q_OBJECT

private slots:
    void inputsSendTheirBytes() {
        qputenv("PRINTUNE_CODEPAGE", "GBK");
        Bench b;
        b.Send(QStringLiteral("1B 40"), true);
        b.Send(QStringLiteral("1B4"), true);
        b.Send(QStringLiteral("ABC"), false);
        b.Send(QStringLiteral("中文"), false);
        QCOMPARE(b.Rx(2 + 1 + 3 + 5), HexBytes("1B 40 1B 41 42 43 D6 D0 CE C4 0A"));
        QVERIFY(b.world.messages.empty());

        b.Send(QStringLiteral("1G"), true);
        QCOMPARE(b.world.messages.size(), size_t(1));
        QCOMPARE(b.world.messages[0].icon, MessageIcon::Error);
        QCOMPARE(b.world.messages[0].text, QStringLiteral("Data entered is not hexadecimal data!"));
        b.Send(QString(), false);
        QCOMPARE(b.world.messages.size(), size_t(2));
        QCOMPARE(b.world.messages[1].icon, MessageIcon::Warning);
        QCOMPARE(b.world.messages[1].text, QStringLiteral("The input content can not empty!"));
        QCOMPARE(b.sim.Received("tcp").size(), size_t(11));
        qunsetenv("PRINTUNE_CODEPAGE");
    }

    void filesGoOutInBlocksWithTheirPercentage() {
        Bench b;
        b.sendFile->click(); // nothing chosen yet
        QCOMPARE(b.world.messages.size(), size_t(1));
        QCOMPARE(b.world.messages[0].text, QStringLiteral("Select a file please."));
        QCOMPARE(b.world.messages[0].icon, MessageIcon::Warning);

        // "Stop" with nothing running leaves the next send alone.
        Find<QPushButton>(b.page, "stopButton")->click();
        b.Choose(QString::fromStdString(WriteBytes(b.world, "small.hex", 50)));
        b.SendFileAndWait();
        QCOMPARE(b.Rx(50).size(), size_t(50));
        QCOMPARE(b.page->LastProgressCaption(), QStringLiteral("100%"));

        b.Choose(QString::fromStdString(WriteBytes(b.world, "big.txt", 1000)));
        b.SendFileAndWait();
        const auto all = b.Rx(1050);
        QCOMPARE(all.size(), size_t(1050));
        QCOMPARE(all[50 + 999], uint8_t(999 % 251));
        QCOMPARE(b.page->LastProgressCaption(), QStringLiteral("100%"));
        QCOMPARE(b.sendFile->text(), QStringLiteral("Send File"));
        QVERIFY(!Find<QProgressBar>(b.page, "progressBar")->isVisible());
        QCOMPARE(b.world.messages.size(), size_t(3));
        QCOMPARE(b.world.messages[2].icon, MessageIcon::Information);
        QCOMPARE(b.world.messages[2].text, QStringLiteral("File sent successfully."));

        // A cancelled Browse takes the choice back.
        b.Choose(QString());
        b.sendFile->click();
        QCOMPARE(b.world.messages.size(), size_t(4));
        QCOMPARE(b.world.messages[3].text, QStringLiteral("Select a file please."));
    }

    void loopingDataSendStopsOnStopSending() {
        Bench b({"--model", "silent"});
        auto* loop = Find<QCheckBox>(b.page, "dataLoopCheck");
        auto* interval = Find<QLineEdit>(b.page, "dataIntervalEdit");
        QVERIFY(!interval->isEnabled());
        loop->click();
        QVERIFY(interval->isEnabled());
        interval->clear(); // empty: the next write follows at once
        b.input->setPlainText(QStringLiteral("1B 40"));
        b.hex->setChecked(true);
        b.sendData->click();
        QVERIFY(!b.sendData->isEnabled());
        QVERIFY(!Find<QPushButton>(b.page, "clearBoxButton")->isEnabled());
        QVERIFY(!Find<QPushButton>(b.page, "browseButton")->isEnabled());
        auto* stop = Find<QPushButton>(b.page, "stopSendingButton");
        QVERIFY(stop->isEnabled());
        QVERIFY(b.sim.WaitReceived("tcp", 20, 15000));
        stop->click();
        QTRY_VERIFY_WITH_TIMEOUT(b.sendData->isEnabled(), 15000);
        QVERIFY(b.world.messages.empty());
        const auto got = b.sim.Received("tcp");
        QVERIFY(got.size() >= 20 && got.size() % 2 == 0);
    }

    void replyIsShownAsHexAndText() {
        Bench b;
        Find<QSpinBox>(b.page, "replyWindowSpin")->setValue(1500);
        b.Send(QStringLiteral("1B 0D 53 1B 33 00 1B 10 45"), true);
        QTRY_VERIFY_WITH_TIMEOUT(!b.sim.Sent("tcp").empty(), 5000);
        const auto reply = b.sim.Sent("tcp");
        const size_t first = std::min<size_t>(reply.size(), 8);
        const QString pane = Find<QPlainTextEdit>(b.page, "replyPane")->toPlainText();
        QVERIFY2(pane.contains(QString::fromStdString(HexColumn(reply.data(), first))),
                 qPrintable(pane));
        QVERIFY(pane.contains(QStringLiteral("  |")));

        const QString saved = b.world.Path(QStringLiteral("replies.txt"));
        CCommandTest::SetFileChooser([&](QWidget*, CCommandTest::FileChoice choice) {
            return choice == CCommandTest::FileChoice::Save ? saved : QString();
        });
        Find<QPushButton>(b.page, "saveReplyButton")->click();
        CCommandTest::SetFileChooser({});
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), pane + QLatin1Char('\n'));
        Find<QPushButton>(b.page, "clearReplyButton")->click();
        QVERIFY(Find<QPlainTextEdit>(b.page, "replyPane")->toPlainText().isEmpty());
    }

    void historyWalksWithUpAndDownAndStaysOutOfTheSettingsFile() {
        Bench b;
        const std::string ini = b.world.ReadIni();
        b.Send(QStringLiteral("1B 40"), true);
        b.Send(QStringLiteral("0A"), true);
        b.input->setPlainText(QStringLiteral("draft"));
        b.input->setFocus();
        QTest::keyClick(b.input, Qt::Key_Up);
        QCOMPARE(b.input->toPlainText(), QStringLiteral("0A"));
        QTest::keyClick(b.input, Qt::Key_Up);
        QCOMPARE(b.input->toPlainText(), QStringLiteral("1B 40"));
        QTest::keyClick(b.input, Qt::Key_Down);
        QTest::keyClick(b.input, Qt::Key_Down);
        QCOMPARE(b.input->toPlainText(), QStringLiteral("draft"));
        QCOMPARE(b.world.ReadIni(), ini);

        InputHistory saved;
        QVERIFY(saved.Load(b.world.Path(QString::fromLatin1(INPUT_HISTORY_FILE)).toStdString()));
        QCOMPARE(saved.Entries(), (std::vector<std::string>{"1B 40", "0A"}));
        // A new window finds the same history.
        b.window.reset();
        auto again = b.world.OpenMainWindow();
        auto* box = Find<QPlainTextEdit>(again->CommandTestPage(), "inputBox");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->toPlainText(), QStringLiteral("0A"));
    }

    void openFailuresUseEachWorkersIcon() {
        Bench b;
        b.sim.Stop();
        b.Send(QStringLiteral("1B 40"), true);
        QCOMPARE(b.world.messages.size(), size_t(1));
        QCOMPARE(b.world.messages[0].icon, MessageIcon::Error);
        b.Choose(QString::fromStdString(WriteBytes(b.world, "f.hex", 10)));
        b.SendFileAndWait();
        QCOMPARE(b.world.messages.size(), size_t(2));
        QCOMPARE(b.world.messages[1].icon, MessageIcon::Error);
        QCOMPARE(b.world.messages[1].text, b.world.messages[0].text);
        QCOMPARE(b.sendFile->text(), QStringLiteral("Send File"));
    }
};

QTEST_MAIN(CommandTestPageTest)
#include "command_test_page_test.moc"
