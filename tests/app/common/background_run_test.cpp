// The background run of a window's analyses: the result and the progress
// arrive on the user-interface thread by queued calls, a stop ends the
// work without a result, a failure carries its message, and stopping,
// closing or destroying joins the worker (threads counted).

#include "app/common/background_run.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <atomic>
#include <stdexcept>
#include <vector>

#include "tests/app/main_window/run_support.h"

namespace kelvara::app::testing {
namespace {

// Threads of this process, from /proc.
int ThreadCount() {
  // Threads Qt starts for itself (its pool, its event queues) carry names of
  // their own; a std::thread keeps the name of the process.
  auto name = [](const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
  };
  const QByteArray process = name(QStringLiteral("/proc/self/comm"));
  int n = 0;
  for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    n += name(QStringLiteral("/proc/self/task/") + task + QStringLiteral("/comm")) == process ? 1 : 0;
  }
  return n;
}

// Work that counts up to `steps`, reporting each step, until stopped.
auto Counting(int steps, std::atomic<bool>* started = nullptr) {
  return [steps, started](const BackgroundWork& work) -> std::optional<int> {
    if (started) *started = true;
    for (int i = 0; i < steps; ++i) {
      if (work.stop.stop_requested()) return std::nullopt;
      work.Report(double(i + 1) / steps);
      QThread::usleep(50);
    }
    return steps;
  };
}

TEST(BackgroundRun, DeliversProgressAndResultOnTheUiThread) {
  BackgroundRun run;
  std::vector<double> fractions;
  bool onUiThread = true;
  int finished = 0;
  QObject::connect(&run, &BackgroundRun::Progress, [&](double f, double) {
    fractions.push_back(f);
    onUiThread = onUiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
  });
  QObject::connect(&run, &BackgroundRun::Finished, [&] {
    ++finished;
    onUiThread = onUiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
  });
  ASSERT_TRUE(run.Start(Counting(200)));
  EXPECT_TRUE(run.Running());
  EXPECT_FALSE(run.Start(Counting(1)));  // one run at a time
  ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
  EXPECT_FALSE(run.Running());
  EXPECT_TRUE(onUiThread);
  ASSERT_FALSE(fractions.empty());
  for (std::size_t i = 1; i < fractions.size(); ++i) EXPECT_LE(fractions[i - 1], fractions[i]);
  EXPECT_EQ(run.TakeResult<int>(), 200);
  EXPECT_EQ(run.TakeResult<int>(), std::nullopt);  // taken once
  EXPECT_TRUE(run.Error().isEmpty());
  // Another run after the first.
  ASSERT_TRUE(run.Start(Counting(3)));
  ASSERT_TRUE(WaitFor([&] { return finished == 2; }));
  EXPECT_EQ(run.TakeResult<int>(), 3);
}

TEST(BackgroundRun, StopEndsTheWorkWithoutAResult) {
  BackgroundRun run;
  int finished = 0;
  QObject::connect(&run, &BackgroundRun::Finished, [&] { ++finished; });
  std::atomic<bool> started = false;
  ASSERT_TRUE(run.Start(Counting(1 << 30, &started)));
  ASSERT_TRUE(WaitFor([&] { return started.load(); }));
  run.Stop();
  ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
  EXPECT_EQ(run.TakeResult<int>(), std::nullopt);
  EXPECT_TRUE(run.Error().isEmpty());
}

TEST(BackgroundRun, AFailureCarriesItsMessage) {
  BackgroundRun run;
  int finished = 0;
  QObject::connect(&run, &BackgroundRun::Finished, [&] { ++finished; });
  ASSERT_TRUE(run.Start([](const BackgroundWork&) -> std::optional<int> { throw std::runtime_error("broken"); }));
  ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
  EXPECT_EQ(run.TakeResult<int>(), std::nullopt);
  EXPECT_EQ(run.Error(), "broken");
}

TEST(BackgroundRun, StopAndWaitAndDestructionJoinTheWorker) {
  const int before = ThreadCount();
  {
    BackgroundRun run;
    int finished = 0;
    QObject::connect(&run, &BackgroundRun::Finished, [&] { ++finished; });
    std::atomic<bool> started = false;
    ASSERT_TRUE(run.Start(Counting(1 << 30, &started)));
    ASSERT_TRUE(WaitFor([&] { return started.load(); }));
    EXPECT_EQ(ThreadCount(), before + 1);
    run.StopAndWait();
    EXPECT_EQ(ThreadCount(), before);  // joined on return
    EXPECT_EQ(finished, 1);            // at once, without a result
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.TakeResult<int>(), std::nullopt);
    // Its queued deliveries are dropped.
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, 1);
  }
  {
    std::atomic<bool> started = false;
    auto run = std::make_unique<BackgroundRun>();
    ASSERT_TRUE(run->Start(Counting(1 << 30, &started)));
    ASSERT_TRUE(WaitFor([&] { return started.load(); }));
    run.reset();  // stops and joins
    EXPECT_EQ(ThreadCount(), before);
    QCoreApplication::processEvents();  // nothing is delivered to the destroyed run
  }
}

TEST(BackgroundRun, ProgressTextHasPerCentAndTimeLeft) {
  struct Case {
    double fraction, left;
    const char* text;
  };
  const Case cases[] = {
      {0, -1, "0 %"},
      {0.424, -1, "42 %"},
      {0.5, 12.2, "50 %  残り 約 13 秒"},
      {0.5, 0.2, "50 %  残り 約 1 秒"},
      {0.1, 150, "10 %  残り 約 3 分"},
      {1, 3, "100 %"},
      {1.5, -1, "100 %"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressText(c.fraction, c.left), QString::fromUtf8(c.text)) << c.fraction;
}

}  // namespace
}  // namespace kelvara::app::testing
