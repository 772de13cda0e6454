// The hand-over between a conversion worker and the user-interface thread: messages keep their
// order relative to questions, every worker gets its own answer, and a question that throws
// does not leave its worker waiting.
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "app/JobBridge.h"

namespace kyn::app::test {

namespace {

// Serves the event queue until `done` is set (or ten seconds pass).
bool ServeUntil(const std::atomic<bool>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done.load() && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done.load();
}

}  // namespace

class JobBridgeTest : public QObject {
    Q_OBJECT
private slots:
    void messagesPostedBeforeAQuestionArriveBeforeIt() {
        // No dialog attached: every message is counted as dropped when it is delivered.
        JobMessageRelay relay;
        std::atomic<bool> done{false};
        int seenByQuestion = -1;
        std::thread worker([&] {
            for (int i = 0; i < 200; ++i) relay.Post(1, WM_JOB_PROGRESS, i, 0);
            seenByQuestion = relay.Ask([&relay] { return relay.Dropped(); });
            done = true;
        });
        const bool finished = ServeUntil(done);
        worker.join();
        QVERIFY(finished);
        QCOMPARE(seenByQuestion, 200);
        QCOMPARE(relay.Delivered(), 0);
    }

    void everyWorkerGetsTheAnswerToItsOwnQuestion() {
        JobMessageRelay relay;
        constexpr int kWorkers = 4, kQuestions = 25;
        std::atomic<int> finished{0};
        std::atomic<bool> allFinished{false};
        std::atomic<int> wrong{0};
        std::vector<std::thread> workers;
        for (int w = 0; w < kWorkers; ++w) {
            workers.emplace_back([&, w] {
                for (int q = 0; q < kQuestions; ++q) {
                    const int expected = w * 1000 + q;
                    if (relay.Ask([expected] { return expected; }) != expected) ++wrong;
                }
                if (++finished == kWorkers) allFinished = true;
            });
        }
        const bool served = ServeUntil(allFinished);
        for (auto& t : workers) t.join();
        QVERIFY(served);
        QCOMPARE(wrong.load(), 0);
    }

    void aQuestionThatThrowsAnswersZero() {
        JobMessageRelay relay;
        std::atomic<bool> done{false};
        int answer = -1;
        std::thread worker([&] {
            answer = relay.Ask([]() -> int { throw std::runtime_error("box failed"); });
            done = true;
        });
        const bool finished = ServeUntil(done);
        worker.join();
        QVERIFY(finished);
        QCOMPARE(answer, 0);
    }

};

KYN_APP_TEST(JobBridgeTest);

}  // namespace kyn::app::test

#include "JobBridgeTest.moc"
