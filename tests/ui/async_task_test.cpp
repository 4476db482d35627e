// The worker helper every page runs its printer operations through: results
// arrive on the GUI thread, a closed page gets none and does not wait for a
// printer, and no thread outlives its operation.
#include <chrono>
#include <memory>
#include <thread>

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/ui/async_task.h"
#include "port/port_settings.h"
#include "port/printer_port.h"
#include "settings/exchange.h"

using namespace printune;

namespace {

// A TCP "printer" that takes the connection and never answers: the
// listening socket's backlog completes the connect, nothing reads or writes.
class SilentPrinter {
public:
    SilentPrinter() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 4);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~SilentPrinter() { ::close(fd_); }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Waits for the printer's reply (3000 ms) unless stopped.
ExchangeResult AskSilentPrinter(int tcpPort, std::stop_token stop) {
    PortSettings settings = CurrentPortSettings();
    settings.ipAddr = "127.0.0.1";
    settings.listenPort = tcpPort;
    SetCurrentPortSettings(settings);
    CPrinterPort port;
    port.portType = PORT_LAN;
    return Exchange(port, {0x1B, 0x0D, 0x53, 0x1B, 0x33, 0x00, 0x1B, 0x10, 0x45}, {},
                    std::move(stop));
}

bool WaitForNoWorkers(int boundMs) {
    QElapsedTimer timer;
    timer.start();
    while (AsyncTask::LiveWorkers() != 0) {
        if (timer.elapsed() > boundMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

} // namespace

class AsyncTaskTest : public QObject {
    Q_OBJECT

private slots:
    void resultArrivesOnTheGuiThread() {
        AsyncTask task;
        std::thread::id workerThread;
        std::thread::id resultThread;
        int result = 0;
        QVERIFY(task.Run(
            [&workerThread](const TaskControl&) {
                workerThread = std::this_thread::get_id();
                return 42;
            },
            [&](int value) {
                resultThread = std::this_thread::get_id();
                result = value;
            }));
        QVERIFY(task.Busy());
        QTRY_COMPARE(result, 42);
        QVERIFY(!task.Busy());
        QCOMPARE(resultThread, std::this_thread::get_id());
        QVERIFY(workerThread != std::this_thread::get_id());
        QVERIFY(WaitForNoWorkers(5000));
    }

    void secondRunIsRefusedUntilTheFirstResultIsApplied() {
        AsyncTask task;
        std::atomic<bool> release{false};
        int done = 0;
        QVERIFY(task.Run(
            [&release](const TaskControl& control) {
                while (!release && !control.StopRequested())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            },
            [&done] { ++done; }));
        QVERIFY(!task.Run([](const TaskControl&) {}, [&done] { done += 100; }));
        release = true;
        QTRY_COMPARE(done, 1);
        QVERIFY(task.Run([](const TaskControl&) {}, [&done] { ++done; }));
        QTRY_COMPARE(done, 2);
    }

    void progressStepsRunOnTheGuiThreadInOrder() {
        AsyncTask task;
        std::vector<int> steps;
        bool ended = false;
        task.Run(
            [&steps](const TaskControl& control) {
                for (int i = 1; i <= 5; ++i)
                    control.Post([&steps, i] { steps.push_back(i); });
            },
            [&ended] { ended = true; });
        QTRY_VERIFY(ended);
        QCOMPARE(steps, (std::vector<int>{1, 2, 3, 4, 5}));
    }

    void askWaitsForTheGuiThreadsAnswer() {
        AsyncTask task;
        int answer = 0;
        task.Run(
            [](const TaskControl& control) {
                return control.Ask<int>([] { return 6; }).value_or(-1) * 7;
            },
            [&answer](int value) { answer = value; });
        QTRY_COMPARE(answer, 42);
    }

    void closingDuringAPrinterWaitReturnsAtOnceAndLeavesNoThread() {
        SilentPrinter printer;
        const PortSettings saved = CurrentPortSettings();
        QVERIFY(WaitForNoWorkers(5000));
        bool delivered = false;
        auto task = std::make_unique<AsyncTask>();
        std::atomic<bool> waiting{false};
        task->Run(
            [&waiting, port = printer.Port()](const TaskControl& control) {
                waiting = true;
                return AskSilentPrinter(port, control.Token());
            },
            [&delivered](const ExchangeResult&) { delivered = true; });
        QTRY_VERIFY(waiting);
        QTest::qWait(200); // inside the reply wait now

        QElapsedTimer timer;
        timer.start();
        task.reset();
        // Microseconds in practice; the bound only has to tell "did not wait
        // for the printer" (3000 ms) apart on a loaded machine.
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));

        // The stop ends the reply wait long before its 3000 ms time-out, and
        // the closed owner never sees a result.
        QVERIFY(WaitForNoWorkers(2500));
        QTest::qWait(50);
        QVERIFY(!delivered);
        SetCurrentPortSettings(saved);
    }

    void askGivesUpWhenTheOwnerCloses() {
        QVERIFY(WaitForNoWorkers(5000));
        std::atomic<int> outcome{0};
        auto task = std::make_unique<AsyncTask>();
        task->Run(
            [&outcome](const TaskControl& control) {
                // The GUI thread is about to delete the owner; the question
                // is never answered.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                outcome = control.Ask<int>([] { return 1; }).has_value() ? 1 : 2;
            },
            [] {});
        task.reset();
        QVERIFY(WaitForNoWorkers(2000));
        QCOMPARE(outcome.load(), 2);
    }
};

QTEST_MAIN(AsyncTaskTest)
#include "async_task_test.moc"
