// The communication log window: opened from the main window, it records a
// settings read against the simulator with the meanings of the bytes; the
// filter, Clear, Copy, Save and the bound of 10,000 events.
#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "app/ui/comm_log_dlg.h"
#include "gui_test_support.h"
#include "port/comm_trace.h"
#include "port/printer_port.h"
#include "settings/ui/label_setup_page.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

struct LogWorld {
    LogWorld() : sim({"--model", "KP-520"}) {
        IniValues ini;
        ini.portType = PORT_LAN;
        ini.ip = sim.TcpAddress();
        ini.listenPort = sim.TcpPort();
        world.WriteIni(ini);
        window = world.OpenMainWindow();
    }
    CCommLogDlg* OpenLog() {
        Find<QPushButton>(window.get(), "commLogButton")->click();
        return window->CommLogWindow();
    }
    // "Get Printer Settings" on the label page, to its end.
    bool ReadSettings() {
        ChooseFunction(*window, 1);
        auto* page = window->LabelPage();
        Find<QPushButton>(page, "getSettingsButton")->click();
        const bool ended = QTest::qWaitFor([page] { return !page->Busy(); }, 10000);
        QTest::qWait(150);
        return ended;
    }
    // The cells of a shown row.
    static QStringList Row(CCommLogDlg* log, int row) {
        auto* table = Find<QTableView>(log, "eventTable");
        QStringList cells;
        for (int c = 0; c < table->model()->columnCount(); ++c)
            cells << table->model()->index(row, c).data().toString();
        return cells;
    }

    SimProcess sim;
    GuiWorld world;
    std::unique_ptr<CPrintuneDlg> window;
};

} // namespace

class CommLogTest : public QObject {
    Q_OBJECT

private slots:
    void recordsASettingsReadWithMeaningsOnlyWhileOpen() {
        LogWorld w;
        QVERIFY(!TraceOn());
        CCommLogDlg* log = w.OpenLog();
        QVERIFY(log);
        QVERIFY(log->isVisible());
        QVERIFY(TraceOn());
        QVERIFY(w.ReadSettings());
        // The table takes the events in batches on its own timer.
        QVERIFY(QTest::qWaitFor([log] { return log->ShownRows() >= 4; }, 5000));
        QCOMPARE(log->ShownRows(), 4);
        const QStringList open = LogWorld::Row(log, 0), request = LogWorld::Row(log, 1),
                          reply = LogWorld::Row(log, 2), close = LogWorld::Row(log, 3);
        QCOMPARE(open[1], QStringLiteral("LAN"));
        QVERIFY(open[2].contains(QString::number(w.sim.TcpPort())));
        QCOMPARE(open[3], QStringLiteral("Open"));
        QCOMPARE(request[3], QStringLiteral("Send"));
        QCOMPARE(request[4], QStringLiteral("9"));
        QCOMPARE(request[5], QStringLiteral("1b 0d 53 1b 33 00 1b 10 45"));
        QCOMPARE(request[6], QStringLiteral("get printer settings"));
        QCOMPARE(reply[3], QStringLiteral("Receive"));
        QVERIFY2(reply[6].startsWith(QStringLiteral("printer settings: page-mode=")),
                 qPrintable(reply[6]));
        QCOMPARE(close[3], QStringLiteral("Close"));
        QVERIFY(Find<QLabel>(log, "countLabel")->text().startsWith(QStringLiteral("4 ")));

        // Closed without "Record while closed", the trace is off and the
        // rows stay; ticked, recording goes on with the window closed.
        log->close();
        QVERIFY(!TraceOn());
        QVERIFY(w.ReadSettings());
        QCOMPARE(log->ShownRows(), 4);
        w.OpenLog();
        Find<QCheckBox>(log, "recordClosedCheck")->setChecked(true);
        log->close();
        QVERIFY(TraceOn());
        QVERIFY(w.ReadSettings());
        w.OpenLog();
        QVERIFY(QTest::qWaitFor([log] { return log->ShownRows() >= 8; }, 5000));
        Find<QCheckBox>(log, "recordClosedCheck")->setChecked(false);
        log->close();
        QVERIFY(!TraceOn());
    }

    void filterClearCopyAndSave() {
        LogWorld w;
        CCommLogDlg* log = w.OpenLog();
        QVERIFY(w.ReadSettings());
        QVERIFY(QTest::qWaitFor([log] { return log->ShownRows() >= 4; }, 5000));
        // A datagram of the network search, as the UDP engines report it.
        const uint8_t probe[] = {0x01, 0x02};
        TraceBytes("udp", "5000 → 127.0.0.1:22094", TraceKind::Write, TraceDirection::Out, probe,
                   sizeof probe);
        log->TakeInbox();
        QCOMPARE(log->ShownRows(), 5);

        auto* filter = Find<QComboBox>(log, "transportCombo");
        QCOMPARE(filter->count(), 6);
        filter->setCurrentIndex(filter->findText(QStringLiteral("UDP")));
        QCOMPARE(log->ShownRows(), 1);
        QCOMPARE(LogWorld::Row(log, 0)[1], QStringLiteral("UDP"));
        filter->setCurrentIndex(filter->findText(QStringLiteral("LAN")));
        QCOMPARE(log->ShownRows(), 4);
        filter->setCurrentIndex(filter->findText(QStringLiteral("COM")));
        QCOMPARE(log->ShownRows(), 0);
        filter->setCurrentIndex(0);
        QCOMPARE(log->ShownRows(), 5);

        // Copy: the selected rows, else all, with a header line.
        Find<QTableView>(log, "eventTable")->selectRow(1);
        Find<QPushButton>(log, "copyButton")->click();
        QStringList lines = QGuiApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(QStringLiteral("Time (s)\tTransport\tEndpoint")));
        QVERIFY(lines[1].endsWith(QStringLiteral("\tget printer settings")));
        QCOMPARE(log->RowsText(false).split(u'\n', Qt::SkipEmptyParts).size(), 6);

        // Save: the rows shown, as trace lines the CLI's reader takes.
        const QString path = w.world.Path(QStringLiteral("log.jsonl"));
        CCommLogDlg::SetFileChooser([path](QWidget*) { return path; });
        filter->setCurrentIndex(filter->findText(QStringLiteral("LAN")));
        Find<QPushButton>(log, "saveButton")->click();
        CCommLogDlg::SetFileChooser({});
        std::ifstream in(path.toStdString());
        std::string line;
        std::vector<TraceEvent> saved;
        while (std::getline(in, line)) {
            TraceEvent e;
            QVERIFY2(ParseTraceEvent(line, e), line.c_str());
            saved.push_back(e);
        }
        QCOMPARE(int(saved.size()), 4);
        QCOMPARE(saved[1].meaning, std::string("get printer settings"));
        QCOMPARE(saved[1].bytes.size(), size_t(9));
        QVERIFY(w.world.messages.empty());

        // A file that cannot be written is reported.
        CCommLogDlg::SetFileChooser(
            [&w](QWidget*) { return w.world.Path(QStringLiteral("no/such/dir/log.jsonl")); });
        Find<QPushButton>(log, "saveButton")->click();
        CCommLogDlg::SetFileChooser({});
        QCOMPARE(int(w.world.messages.size()), 1);
        QCOMPARE(w.world.messages[0].icon, MessageIcon::Error);

        Find<QPushButton>(log, "clearButton")->click();
        QCOMPARE(log->ShownRows(), 0);
        QCOMPARE(log->Log().Size(), size_t(0));
        log->close();
    }

    void theTenThousandAndFirstEventDropsTheFirst() {
        LogWorld w;
        CCommLogDlg* log = w.OpenLog();
        const uint8_t byte = 0x55;
        for (int i = 0; i <= 10000; ++i)
            TraceBytes("com", "/dev/ttyS" + std::to_string(i), TraceKind::Write,
                       TraceDirection::Out, &byte, 1);
        log->TakeInbox();
        QCOMPARE(log->ShownRows(), 10000);
        QCOMPARE(log->Dropped(), uint64_t(1));
        QCOMPARE(LogWorld::Row(log, 0)[2], QStringLiteral("/dev/ttyS1"));
        QCOMPARE(LogWorld::Row(log, 9999)[2], QStringLiteral("/dev/ttyS10000"));
        QVERIFY(Find<QLabel>(log, "countLabel")->text().contains(QStringLiteral("1 older")));
        // One more, under a filter that shows other events only.
        auto* filter = Find<QComboBox>(log, "transportCombo");
        filter->setCurrentIndex(filter->findText(QStringLiteral("USB")));
        TraceBytes("usb", "lp0", TraceKind::Write, TraceDirection::Out, &byte, 1);
        log->TakeInbox();
        QCOMPARE(log->ShownRows(), 1);
        filter->setCurrentIndex(0);
        QCOMPARE(log->ShownRows(), 10000);
        QCOMPARE(log->Dropped(), uint64_t(2));
        QCOMPARE(LogWorld::Row(log, 0)[2], QStringLiteral("/dev/ttyS2"));
        log->close();
    }
};

QTEST_MAIN(CommLogTest)
#include "comm_log_test.moc"
