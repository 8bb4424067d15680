// The helper thread runs each task exactly once, on itself or on the caller,
// and its results are there when finish() returns.

#include <atomic>
#include <thread>
#include <vector>

#include <QTest>

#include "HelperThread.h"

class TestHelperThread : public QObject {
  Q_OBJECT

 private slots:
  void eachTaskRunsOnceAndIsDoneAtFinish_data() {
    QTest::addColumn<bool>("warmedUp");
    QTest::addColumn<int>("callerWork");  // how long the caller works before finish()
    QTest::newRow("cold, finish at once") << false << 0;
    QTest::newRow("warm, finish at once") << true << 0;
    QTest::newRow("warm, finish after work") << true << 20000;
  }
  void eachTaskRunsOnceAndIsDoneAtFinish() {
    QFETCH(bool, warmedUp);
    QFETCH(int, callerWork);
    HelperThread helper;
    if (warmedUp) helper.warmUp();
    std::vector<int> runs(3000, 0);
    std::vector<quint64> results(runs.size(), 0);
    for (std::size_t i = 0; i < runs.size(); ++i) {
      helper.start([&, i] {
        ++runs[i];
        // Plain writes: finish() must make them visible to the caller.
        quint64 sum = 0;
        for (std::size_t k = 0; k <= i; ++k) sum += k;
        results[i] = sum;
      });
      volatile quint64 busy = 0;
      for (int k = 0; k < callerWork; ++k) busy = busy + quint64(k);
      helper.finish();
      QCOMPARE(runs[i], 1);
      QCOMPARE(results[i], quint64(i) * (i + 1) / 2);
    }
  }

  // A task the helper has not begun when the caller finishes it runs on the
  // caller; one it has begun is waited for. Over many rounds both happen, and
  // either way each task runs on exactly one thread.
  void aTaskRunsOnOneThreadOnly() {
    HelperThread helper;
    std::atomic<int> onCaller{0};
    std::atomic<int> onHelper{0};
    const std::thread::id caller = std::this_thread::get_id();
    for (int i = 0; i < 2000; ++i) {
      std::atomic<int> runs{0};
      helper.start([&] {
        ++runs;
        (std::this_thread::get_id() == caller ? onCaller : onHelper)++;
      });
      if (i % 2 == 0) std::this_thread::yield();
      helper.finish();
      QCOMPARE(runs.load(), 1);
    }
    QCOMPARE(onCaller + onHelper, 2000);
  }

  void destroyedInAnyState() {
    { HelperThread never; }
    {
      HelperThread warm;
      warm.warmUp();
    }
    {
      HelperThread used;
      int ran = 0;
      used.start([&] { ++ran; });
      used.finish();
      QCOMPARE(ran, 1);
    }
  }
};

QTEST_GUILESS_MAIN(TestHelperThread)
#include "test_helper_thread.moc"
