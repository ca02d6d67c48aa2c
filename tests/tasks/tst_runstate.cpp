#include "core/tasks/RunState.h"
#include "core/tasks/TaskPool.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>

using namespace rw;

// The one run protocol of every background command: what a run delivers arrives only while that run is
// current and its RunState exists, whichever thread delivers it.
class TestRunState final : public QObject {
    Q_OBJECT
private slots:
    void deliveryFollowsTheCurrentRun_data();
    void deliveryFollowsTheCurrentRun();
    void runningFollowsBeginStopFinish();
    void nothingArrivesOnceTheStateIsGone();
    void mailboxNeverReachesADeadReceiver();
    void poolRefusesWorkOnceJoined();
};

enum class Then { Nothing, Stop, BeginAnother, FinishIt };
Q_DECLARE_METATYPE(Then)

void TestRunState::deliveryFollowsTheCurrentRun_data() {
    QTest::addColumn<Then>("then");
    QTest::addColumn<bool>("arrives");
    QTest::newRow("current run") << Then::Nothing << true;
    QTest::newRow("stopped before arrival") << Then::Stop << false;
    QTest::newRow("superseded before arrival") << Then::BeginAnother << false;
    QTest::newRow("finished before arrival") << Then::FinishIt << false;
}

void TestRunState::deliveryFollowsTheCurrentRun() {
    QFETCH(Then, then);
    QFETCH(bool, arrives);

    TaskPool pool;
    RunState state;
    const RunState::Run run = state.begin();
    QVERIFY(run.isCurrent());
    std::atomic<bool> posted{false};
    bool arrived = false;
    // Delivered from a worker while the run is current; the state changes before the queue is served.
    pool.start([&, run] {
        run.deliver([&] { arrived = true; });
        posted = true;
    });
    pool.waitForIdle();
    QVERIFY(posted);
    switch (then) {
    case Then::Nothing:
        break;
    case Then::Stop:
        state.stop();
        break;
    case Then::BeginAnother:
        state.begin();
        break;
    case Then::FinishIt:
        QVERIFY(state.finish(run));
        break;
    }
    QCoreApplication::processEvents();
    QCOMPARE(arrived, arrives);
    QCOMPARE(run.isCurrent(), then == Then::Nothing);
}

void TestRunState::runningFollowsBeginStopFinish() {
    RunState state;
    QSignalSpy changed(&state, &RunState::runningChanged);
    const RunState::Run first = state.begin();
    const RunState::Run second = state.begin(); // supersedes first, still running
    QVERIFY(state.isRunning());
    QVERIFY(!state.finish(first));
    QVERIFY(state.isRunning());
    QVERIFY(state.finish(second));
    QVERIFY(!state.isRunning());
    state.stop(); // stopping an idle state changes nothing
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed[0][0].toBool(), true);
    QCOMPARE(changed[1][0].toBool(), false);
    // A run of another state is never current here.
    RunState other;
    QVERIFY(!state.isCurrent(other.begin()));
}

void TestRunState::nothingArrivesOnceTheStateIsGone() {
    auto state = std::make_unique<RunState>();
    const RunState::Run run = state->begin();
    bool arrived = false;
    run.deliver([&] { arrived = true; }); // queued while alive
    state.reset();
    QVERIFY(!run.isCurrent());
    run.deliver([&] { arrived = true; }); // after: dropped at once
    QCoreApplication::processEvents();
    QVERIFY(!arrived);
}

namespace {
// A receiver that notes its death where the calls it gets can see it.
class Receiver final : public QObject {
public:
    explicit Receiver(std::atomic<bool> &dead) : m_dead(dead) {}
    ~Receiver() override { m_dead = true; }
    int calls = 0;

private:
    std::atomic<bool> &m_dead;
};
} // namespace

// The mailbox, not the run number, is what keeps a delivery from a dead object: a worker posts calls that
// touch the receiver while the receiver is destroyed under it.
void TestRunState::mailboxNeverReachesADeadReceiver() {
    std::atomic<bool> dead{false};    // from the receiver's destructor on
    std::atomic<bool> deleted{false}; // once its delete has returned
    std::atomic<bool> stopPosting{false};
    std::atomic<int> acceptedAfterDeath{0};
    std::atomic<int> ranAfterDeath{0};
    auto *receiver = new Receiver(dead);
    const std::shared_ptr<Mailbox> box = Mailbox::to(receiver);

    TaskPool pool;
    pool.start([&] {
        while (!stopPosting) {
            const bool deletedBefore = deleted;
            const bool accepted = box->post([&, receiver] {
                if (dead)
                    ++ranAfterDeath;
                else
                    ++receiver->calls;
            });
            if (deletedBefore && accepted)
                ++acceptedAfterDeath;
        }
    });
    QVERIFY(QTest::qWaitFor([&] { return receiver->calls > 100; }, 10000));
    delete receiver;
    deleted = true;
    QCoreApplication::processEvents();
    QTest::qWait(20);
    stopPosting = true;
    pool.waitForIdle();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    QCOMPARE(acceptedAfterDeath.load(), 0);
    QCOMPARE(ranAfterDeath.load(), 0);
    QVERIFY(!box->post([] {}));
}

void TestRunState::poolRefusesWorkOnceJoined() {
    TaskPool pool;
    QCOMPARE(TaskPool::current(), &pool);
    std::atomic<int> ran{0};
    QVERIFY(pool.start([&] { ++ran; }));
    pool.join();
    QCOMPARE(ran.load(), 1);
    QVERIFY(!pool.start([&] { ++ran; }));
    QVERIFY(!runInBackground([&] { ++ran; }));
    QCOMPARE(ran.load(), 1);
}

QTEST_GUILESS_MAIN(TestRunState)
#include "tst_runstate.moc"
