// SPDX-License-Identifier: MIT
// Timer service: the firing rules on a hand-driven tick counter, then the
// real worker (firing threads, waking on change, shutdown while a pass
// waits for the UI thread).

#include "aatimer.h"
#include "exceptionhook.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tessary {
namespace {

using namespace std::chrono_literals;

// A tick counter the test moves by hand; the manager runs no worker, so a
// timer fires exactly when the test calls a pass.
struct FakeClock {
  std::atomic<std::uint32_t> now{1000};
  TTickSource Source() {
    return [this] { return now.load(); };
  }
};

struct Rules : ::testing::Test {
  FakeClock clock;
  TAATimerMgr mgr{clock.Source(), false};
  std::vector<std::string> fired;

  // A timer that records its name in `fired` at each firing.
  TAATimer* Make(const std::string& name, std::uint32_t interval, bool sync = false) {
    auto* t = new TAATimer(mgr);
    owned.emplace_back(t);
    t->SetInterval(interval);
    t->SetSyncEvent(sync);
    t->SetOnTimer([this, name](TAATimerObject*) { fired.push_back(name); });
    return t;
  }
  void Advance(std::uint32_t ms) { clock.now += ms; }
  void PassAsync() { mgr.FireTimers(false); }

  std::vector<std::unique_ptr<TAATimer>> owned;
};

// Swaps in an exception hook for one test.
struct HookGuard {
  explicit HookGuard(TExceptionHandler h) { SetApplicationExceptionHandler(std::move(h)); }
  ~HookGuard() { SetApplicationExceptionHandler(nullptr); }
};

TEST_F(Rules, NewObjectHasDeclaredInitialValues) {
  auto obj = mgr.AddTimer();
  EXPECT_TRUE(obj->Enabled());
  EXPECT_EQ(obj->Interval(), 1000u);
  EXPECT_EQ(obj->RepeatCount(), 0u);
  EXPECT_TRUE(obj->SyncEvent());
  EXPECT_EQ(obj->TickCount(), 0u);
  EXPECT_EQ(obj->ActualRate(), 0.0);
  EXPECT_EQ(obj->LastTick(), 1000u);
  EXPECT_FALSE(obj->HasOnTimer());
  EXPECT_EQ(mgr.Count(), 1u);
}

TEST_F(Rules, FiresOnceAnIntervalHasPassedAndMeasuresFromTheFiring) {
  TAATimer* t = Make("a", 100);
  Advance(99);
  PassAsync();
  EXPECT_TRUE(fired.empty()) << "one millisecond early";
  Advance(51);  // 150 ms: fires late, the next period counts from here
  PassAsync();
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_DOUBLE_EQ(t->Timer().ActualRate(), 1000.0 / 150);
  EXPECT_EQ(t->Timer().LastTick(), 1150u);
  Advance(99);
  PassAsync();
  EXPECT_EQ(fired.size(), 1u);  // missed time is not caught up
  Advance(1);
  PassAsync();
  EXPECT_EQ(fired.size(), 2u);
  EXPECT_DOUBLE_EQ(t->Timer().ActualRate(), 10.0);
}

TEST_F(Rules, TickCounterWrapsAround) {
  clock.now = 0xFFFFFFF0u;
  TAATimer* t = Make("a", 100);
  t->SetEnabled(false);
  t->SetEnabled(true);  // last tick = now, just before the wrap
  clock.now = 0x53u;    // 99 ms later, past the wrap
  PassAsync();
  EXPECT_TRUE(fired.empty());
  clock.now = 0x54u;  // 100 ms
  PassAsync();
  EXPECT_EQ(fired.size(), 1u);
  EXPECT_EQ(t->Timer().LastTick(), 0x54u);
}

TEST_F(Rules, OnlyTheRequestedKindFires) {
  Make("async", 10, false);
  Make("sync", 10, true);
  Advance(10);
  mgr.FireTimers(true);
  EXPECT_EQ(fired, std::vector<std::string>{"sync"});
  mgr.FireTimers(false);
  EXPECT_EQ(fired, (std::vector<std::string>{"sync", "async"}));
}

TEST_F(Rules, FiresInOrderOfRegistration) {
  Make("1", 10);
  Make("2", 5);
  Make("3", 10);
  Advance(10);
  PassAsync();
  EXPECT_EQ(fired, (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(Rules, IntervalZeroNeverFires) {
  TAATimer* t = Make("a", 0);
  EXPECT_TRUE(t->Enabled());
  for (int i = 0; i < 3; ++i) {
    Advance(0x7FFFFFFF);
    PassAsync();
  }
  EXPECT_TRUE(fired.empty());
  EXPECT_EQ(t->FPS(), 0.0);
}

TEST_F(Rules, RepeatCountDisablesAndEnablingRestartsTheCount) {
  TAATimer* t = Make("a", 10);
  t->SetRepeatCount(3);
  for (int i = 0; i < 5; ++i) {
    Advance(10);
    PassAsync();
  }
  EXPECT_EQ(fired.size(), 3u);
  EXPECT_FALSE(t->Enabled());
  EXPECT_EQ(t->Timer().TickCount(), 0u);
  t->SetEnabled(true);
  for (int i = 0; i < 5; ++i) {
    Advance(10);
    PassAsync();
  }
  EXPECT_EQ(fired.size(), 6u);
  EXPECT_FALSE(t->Enabled());
}

TEST_F(Rules, EnablingRestartsTheMeasurementAndTheCount) {
  TAATimer* t = Make("a", 100);
  Advance(100);
  PassAsync();
  ASSERT_EQ(t->Timer().TickCount(), 1u);
  t->SetEnabled(false);
  Advance(500);
  PassAsync();
  EXPECT_EQ(fired.size(), 1u);  // disabled
  t->SetEnabled(true);
  EXPECT_EQ(t->Timer().TickCount(), 0u);
  Advance(99);
  PassAsync();
  EXPECT_EQ(fired.size(), 1u);  // the first firing after enabling is an interval later
  Advance(1);
  PassAsync();
  EXPECT_EQ(fired.size(), 2u);
}

TEST_F(Rules, OnlyADifferentIntervalRestartsTheMeasurement) {
  TAATimer* t = Make("a", 100);
  Advance(60);
  t->SetInterval(100);
  Advance(40);
  PassAsync();
  EXPECT_EQ(fired.size(), 1u) << "same interval restarted the measurement";
  Advance(60);
  t->SetInterval(50);  // restarts at 60 ms into the period
  Advance(49);
  PassAsync();
  EXPECT_EQ(fired.size(), 1u);
  Advance(1);
  PassAsync();
  EXPECT_EQ(fired.size(), 2u);
}

TEST_F(Rules, SynchronisedTimersOfOneIntervalFallIntoStep) {
  // Each synchronised pass wakes and repaints the window: a timer of the
  // same interval that is at least half way through its period fires with
  // a pass another one starts, and from then on they share every pass.
  struct Case {
    const char* what;
    std::uint32_t interval;  // of the second timer
    bool sync;               // both timers
    std::uint32_t started;   // ms before the first timer is due
    std::vector<std::string> fired;
  };
  const Case cases[] = {
      {"half way", 60, true, 30, {"a", "b"}},      {"nearly due", 60, true, 59, {"a", "b"}},
      {"less than half way", 60, true, 29, {"a"}}, {"another interval", 100, true, 90, {"a"}},
      {"worker timers", 60, false, 59, {"a"}},
  };
  for (const Case& c : cases) {
    fired.clear();
    owned.clear();
    Make("a", 60, c.sync);
    Advance(60 - c.started);
    TAATimer* b = Make("b", c.interval, c.sync);
    Advance(c.started);
    mgr.FireTimers(c.sync);
    EXPECT_EQ(fired, c.fired) << c.what;
    if (fired.size() < 2) continue;
    EXPECT_DOUBLE_EQ(b->Timer().ActualRate(), 1000.0 / c.started) << c.what;
    Advance(59);
    mgr.FireTimers(true);
    EXPECT_EQ(fired.size(), 2u) << c.what << ": fired early again";
    Advance(1);
    mgr.FireTimers(true);
    EXPECT_EQ(fired, (std::vector<std::string>{"a", "b", "a", "b"})) << c.what << ": in step";
  }
}

TEST_F(Rules, TimerWithoutHandlerKeepsItsLastTick) {
  auto obj = mgr.AddTimer();
  obj->SetSyncEvent(false);
  obj->SetInterval(100);
  Advance(300);
  PassAsync();
  EXPECT_EQ(obj->LastTick(), 1000u);
  int count = 0;
  obj->SetOnTimer([&](TAATimerObject* sender) {
    EXPECT_EQ(sender, obj.get());
    ++count;
  });
  PassAsync();  // an interval has long passed since the last tick
  EXPECT_EQ(count, 1);
}

TEST_F(Rules, FpsReadAndWrite) {
  struct Row {
    double fps;
    std::uint32_t interval;  // expected afterwards; the timer starts at 1000
    const char* why;
  };
  const Row rows[] = {
      {0, 65535000, "below 1/65535 raised to it"},
      {1e-9, 65535000, "tiny value raised"},
      {2000, 1, "above 1000 lowered to it"},
      {1e300, 1, "huge value lowered"},
      {3, 333, "1000/3 rounded"},
      {-1, 1000, "negative ignored"},
      {std::nan(""), 1000, "not a number ignored"},
      {-std::numeric_limits<double>::infinity(), 1000, "minus infinity ignored"},
      {std::numeric_limits<double>::infinity(), 1, "infinity lowered to 1000"},
      {400, 2, "2.5 rounds to the even 2"},
      {80, 12, "12.5 rounds to the even 12"},
      {1000.0 / 1.5, 2, "1.5 rounds to the even 2"},
      {1000.0 / 3.5, 4, "3.5 rounds to the even 4"},
      {1000.0 / 3.6, 4, "3.6 rounds up"},
  };
  for (const Row& row : rows) {
    TAATimer t(mgr);
    t.SetFPS(row.fps);
    EXPECT_EQ(t.Interval(), row.interval) << row.why;
  }
  TAATimer t(mgr);
  t.SetInterval(333);
  EXPECT_DOUBLE_EQ(t.FPS(), 1000.0 / 333);
  t.SetInterval(0);
  EXPECT_EQ(t.FPS(), 0.0);
}

TEST_F(Rules, FpsWriteKeepsTheLastTick) {
  TAATimer* t = Make("a", 1000);
  Advance(60);
  t->SetFPS(20);  // 50 ms, measured from the creation 60 ms ago
  EXPECT_EQ(t->Timer().LastTick(), 1000u);
  PassAsync();
  EXPECT_EQ(fired.size(), 1u);
}

TEST_F(Rules, ExceptionGoesToTheHookAndThePassGoesOn) {
  std::vector<std::string> caught;
  HookGuard hook([&](const std::exception& e) { caught.push_back(e.what()); });
  TAATimer* bad = Make("bad", 10);
  bad->SetRepeatCount(2);
  bad->SetOnTimer([](TAATimerObject*) { throw std::runtime_error("boom"); });
  TAATimer* odd = Make("odd", 10);
  odd->SetOnTimer([](TAATimerObject*) { throw 42; });
  Make("good", 10);
  for (int i = 0; i < 3; ++i) {
    Advance(10);
    PassAsync();
  }
  EXPECT_EQ(fired.size(), 3u) << "a failing handler stopped the pass";
  // The repeat count holds for a failing handler too: two of "boom".
  EXPECT_EQ(std::count(caught.begin(), caught.end(), "boom"), 2);
  EXPECT_EQ(std::count(caught.begin(), caught.end(), "unknown exception"), 3);
  EXPECT_FALSE(bad->Enabled());
}

TEST_F(Rules, HandlersMayChangeAndDeleteTimersDuringAPass) {
  TAATimer* a = Make("a", 10);
  TAATimer* b = Make("b", 10);
  TAATimer* c = Make("c", 10);
  // a deletes b (not yet fired in this pass) and itself, c replaces its own handler.
  a->SetOnTimer([&](TAATimerObject*) {
    fired.push_back("a");
    for (auto& o : owned)
      if (o.get() == a || o.get() == b) o.reset();
  });
  c->SetOnTimer([&](TAATimerObject* sender) {
    sender->SetOnTimer([&](TAATimerObject*) { fired.push_back("c2"); });
    fired.push_back("c1");
  });
  Advance(10);
  PassAsync();
  EXPECT_EQ(fired, (std::vector<std::string>{"a", "c1"}));
  EXPECT_EQ(mgr.Count(), 1u);
  Advance(10);
  PassAsync();
  EXPECT_EQ(fired, (std::vector<std::string>{"a", "c1", "c2"}));
}

TEST_F(Rules, HandlerMayWaitForAThreadThatTouchesTheList) {
  // A handler that waits on another thread must not hold the list lock while
  // it waits: if that thread registers, changes or removes a timer, each
  // would wait for the other for ever.
  auto spare = mgr.AddTimer();
  struct Case {
    const char* what;
    std::function<void()> touch;  // run on the other thread
  };
  const Case cases[] = {
      {"registering a timer", [&] { mgr.AddTimer(); }},
      {"changing a timer", [&] { spare->SetInterval(7); }},
      {"removing a timer", [&] { mgr.DeleteTimer(spare.get()); }},
  };
  for (const Case& c : cases) {
    std::thread other;
    bool otherFinished = false;
    TAATimer* t = Make(c.what, 10);
    t->SetRepeatCount(1);
    t->SetOnTimer([&](TAATimerObject*) {
      std::promise<void> done;
      std::future<void> finished = done.get_future();
      other = std::thread([&c, done = std::move(done)]() mutable {
        c.touch();
        done.set_value();
      });
      otherFinished = finished.wait_for(2s) == std::future_status::ready;
    });
    Advance(10);
    PassAsync();
    ASSERT_TRUE(other.joinable()) << c.what << ": the handler did not run";
    other.join();  // the pass is over, so the lock is free by now
    EXPECT_TRUE(otherFinished) << c.what << " on another thread waited for the handler to return";
  }
  EXPECT_EQ(spare->Interval(), 7u);
  EXPECT_FALSE(spare->Registered());
}

TEST_F(Rules, DeletingATimerWaitsForItsHandlerOnAnotherThread) {
  // Whatever a handler reaches may go once its timer is deleted, so the
  // deletion must not return while the handler still runs elsewhere.
  struct Case {
    const char* what;
    std::function<void(TAATimer*)> remove;
  };
  const Case cases[] = {
      {"DeleteTimer", [&](TAATimer* t) { mgr.DeleteTimer(&t->Timer()); }},
      {"ClearTimers", [&](TAATimer*) { mgr.ClearTimers(); }},
      {"the component's end", [&](TAATimer*) { owned.clear(); }},
  };
  for (const Case& c : cases) {
    owned.clear();
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> removed{false};
    bool removedWhileRunning = true;
    TAATimer* t = Make(c.what, 10);
    t->SetOnTimer([&](TAATimerObject*) {
      entered.set_value();
      released.wait_for(2s);
      removedWhileRunning = removed;
    });
    Advance(10);
    std::thread passThread([&] { PassAsync(); });
    ASSERT_EQ(entered.get_future().wait_for(2s), std::future_status::ready) << c.what;
    std::thread remover([&] {
      c.remove(t);
      removed = true;
    });
    std::this_thread::sleep_for(50ms);  // time for a removal that does not wait to end
    release.set_value();
    passThread.join();
    remover.join();
    EXPECT_FALSE(removedWhileRunning) << c.what << " returned while the handler ran";
    EXPECT_EQ(mgr.Count(), 0u) << c.what;
  }
}

TEST_F(Rules, DeleteAndClearFindByIdentity) {
  auto one = mgr.AddTimer();
  auto two = mgr.AddTimer();
  TAATimerMgr other{clock.Source(), false};
  other.DeleteTimer(one.get());  // not in that list: nothing happens
  EXPECT_TRUE(one->Registered());
  mgr.DeleteTimer(one.get());
  EXPECT_FALSE(one->Registered());
  mgr.DeleteTimer(one.get());  // twice is harmless
  EXPECT_EQ(mgr.Count(), 1u);
  mgr.ClearTimers();
  EXPECT_FALSE(two->Registered());
  EXPECT_EQ(mgr.Count(), 0u);
}

TEST(TimerLifetime, ComponentOutlivesItsManager) {
  FakeClock clock;
  auto mgr = std::make_unique<TAATimerMgr>(clock.Source(), true);
  auto timer = std::make_unique<TAATimer>(*mgr);
  timer->SetSyncEvent(false);
  timer->SetOnTimer([](TAATimerObject*) {});
  mgr.reset();
  EXPECT_FALSE(timer->Timer().Registered());
  timer->SetInterval(5);  // a detached object takes values and wakes no one
  EXPECT_EQ(timer->Interval(), 5u);
  timer.reset();  // its destructor must not reach the ended manager
}

// ---------------------------------------------------------------------------
// The real worker. Waits are bounded and generous; nothing here measures speed.

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 2000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(TimerWorker, UnsynchronisedTimerFiresOnTheWorkerThreadAndNeverEarly) {
  TAATimerMgr mgr;
  std::mutex lock;
  std::vector<std::thread::id> threads;
  std::vector<std::uint32_t> ticks;
  TAATimer t(mgr);
  t.SetSyncEvent(false);
  t.SetRepeatCount(3);
  t.SetInterval(15);
  // Measured on the ticks the manager fired at: a handler's own reading of
  // the clock may fall a millisecond after the pass read it.
  const std::uint32_t start = t.Timer().LastTick();
  t.SetOnTimer([&](TAATimerObject* sender) {
    std::lock_guard g(lock);
    threads.push_back(std::this_thread::get_id());
    ticks.push_back(sender->LastTick());
  });
  ASSERT_TRUE(SpinUntil([&] { return !t.Enabled(); }));
  std::lock_guard g(lock);
  ASSERT_EQ(ticks.size(), 3u);
  std::uint32_t previous = start;
  for (std::size_t i = 0; i < ticks.size(); ++i) {
    EXPECT_NE(threads[i], std::this_thread::get_id());
    EXPECT_GE(ticks[i] - previous, 15u) << "firing " << i << " came early";
    previous = ticks[i];
  }
  EXPECT_EQ(mgr.SyncHandOvers(), 0u) << "crossed to the UI thread with no synchronised timer";
}

TEST(TimerWorker, SynchronisedTimerFiresOnTheUiThread) {
  // The program's own manager, as the scrolling panels use it.
  TAATimer t;
  const std::uint64_t before = TimerMgr().SyncHandOvers();
  std::vector<bool> onUi;
  t.SetInterval(5);
  t.SetRepeatCount(3);
  t.SetOnTimer([&](TAATimerObject*) {
    onUi.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
  });
  ASSERT_TRUE(SpinUntil([&] { return !t.Enabled(); }));
  EXPECT_EQ(onUi, (std::vector<bool>{true, true, true}));
  // One hand-over per firing: the worker does not cross while nothing is due.
  const std::uint64_t crossings = TimerMgr().SyncHandOvers() - before;
  EXPECT_GE(crossings, 3u);
  EXPECT_LE(crossings, 4u);
}

TEST(TimerWorker, FailingSynchronisedHandlerKeepsTheServiceRunning) {
  TAATimerMgr mgr;
  int caught = 0;
  bool caughtOnUi = true;
  HookGuard hook([&](const std::exception&) {
    ++caught;
    caughtOnUi = caughtOnUi && QThread::currentThread() == QCoreApplication::instance()->thread();
  });
  TAATimer bad(mgr);
  bad.SetInterval(2);
  bad.SetRepeatCount(2);
  bad.SetOnTimer([](TAATimerObject*) { throw std::runtime_error("boom"); });
  TAATimer good(mgr);
  good.SetInterval(2);
  good.SetRepeatCount(3);
  good.SetOnTimer([](TAATimerObject*) {});
  ASSERT_TRUE(SpinUntil([&] { return !good.Enabled() && !bad.Enabled(); }));
  EXPECT_EQ(caught, 2);
  EXPECT_TRUE(caughtOnUi);
}

TEST(TimerWorker, ChangesWakeTheSleepingWorker) {
  // The worker sleeps until the earliest due time; each change must cut that
  // sleep short, or these firings would come hours late.
  TAATimerMgr mgr;
  std::atomic<int> count{0};
  TAATimer t(mgr);
  t.SetSyncEvent(false);
  t.SetInterval(100000000);
  t.SetOnTimer([&](TAATimerObject*) { ++count; });
  std::this_thread::sleep_for(20ms);  // let it go to sleep
  t.SetInterval(5);
  ASSERT_TRUE(SpinUntil([&] { return count > 0; })) << "interval change did not wake the worker";

  t.SetEnabled(false);
  std::this_thread::sleep_for(20ms);
  const int stopped = count;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(count, stopped) << "disabled timer fired";
  t.SetEnabled(true);
  ASSERT_TRUE(SpinUntil([&] { return count > stopped; })) << "enabling did not wake the worker";

  // A timer added later, with an earlier due time than any other.
  TAATimer late(mgr);
  late.SetSyncEvent(false);
  late.SetInterval(3);
  std::atomic<bool> lateFired{false};
  t.SetInterval(100000000);
  late.SetOnTimer([&](TAATimerObject*) { lateFired = true; });
  ASSERT_TRUE(SpinUntil([&] { return lateFired.load(); })) << "new timer did not wake the worker";
}

// Ends the process if a step hangs, so that a deadlock fails the suite
// instead of stalling it.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit, const char* what)
      : FThread([this, limit, what] {
          std::unique_lock l(FLock);
          if (!FCv.wait_for(l, limit, [this] { return FDone; })) {
            std::fprintf(stderr, "watchdog: %s hung\n", what);
            std::_Exit(3);
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard g(FLock);
      FDone = true;
    }
    FCv.notify_all();
    FThread.join();
  }

 private:
  std::mutex FLock;
  std::condition_variable FCv;
  bool FDone = false;
  std::thread FThread;
};

TEST(TimerWorker, TeardownWhileAPassIsDueDoesNotDeadlock) {
  auto mgr = std::make_unique<TAATimerMgr>();
  std::atomic<int> count{0};
  auto t = std::make_unique<TAATimer>(*mgr);
  t->SetInterval(1);
  t->SetOnTimer([&](TAATimerObject*) { ++count; });
  // No events are processed here, so the pass that came due is left waiting
  // for the UI thread, and nothing piles up meanwhile.
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(mgr->SyncHandOvers(), 0u) << "a pass ran off the UI thread's event loop";
  {
    Watchdog dog(5s, "timer manager teardown");
    mgr.reset();  // on the UI thread, which the pass is waiting for
  }
  // The pass due before the teardown must find nothing to run.
  QCoreApplication::processEvents();
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(t->Timer().Registered());
}

TEST(TimerWorker, ManagerMadeOnAnotherThreadFiresOnTheUiThread) {
  // Synchronised timers are paced on the UI thread's event loop even when
  // the manager was made elsewhere.
  std::unique_ptr<TAATimerMgr> mgr;
  std::thread([&] { mgr = std::make_unique<TAATimerMgr>(); }).join();
  std::vector<bool> onUi;
  TAATimer t(*mgr);
  t.SetInterval(2);
  t.SetRepeatCount(3);
  t.SetOnTimer([&](TAATimerObject*) {
    onUi.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
  });
  ASSERT_TRUE(SpinUntil([&] { return !t.Enabled(); }));
  EXPECT_EQ(onUi, (std::vector<bool>{true, true, true}));
  Watchdog dog(5s, "teardown of a manager made on another thread");
  mgr.reset();
}

}  // namespace
}  // namespace tessary
