// SPDX-License-Identifier: MIT
#include "aatimer.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>

#include <sys/timerfd.h>
#include <unistd.h>

#include "exceptionhook.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace tessary {

namespace {

constexpr std::uint32_t kNoneDue = std::numeric_limits<std::uint32_t>::max();
// Without an application object synchronised timers cannot run; look again
// this often so they start soon after one exists.
constexpr std::uint32_t kNoAppRecheckMs = 10;

bool OnApplicationThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

// Halves go to the even neighbour; done by hand so that a rounding mode set
// elsewhere in the process cannot change an interval.
std::uint32_t RoundHalfEven(double v) {
  double whole = std::floor(v);
  const double frac = v - whole;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return static_cast<std::uint32_t>(whole);
}

}  // namespace

std::uint32_t GetTickCount() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// ---------------------------------------------------------------------------
// TSyncWaker

// The kernel timer of the synchronised timers: a timerfd watched by the UI
// thread's event loop. Lives on the application's thread; its state is under
// the manager's list lock.
class TSyncWaker {
 public:
  TSyncWaker(TAATimerMgr* mgr, std::shared_ptr<std::mutex> lock)
      : FMgr(mgr),
        FLock(std::move(lock)),
        FFd(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
    if (FFd < 0) throw std::system_error(errno, std::generic_category(), "timerfd_create");
    FNotifier = std::make_unique<QSocketNotifier>(FFd, QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] { Ring(); });
  }
  ~TSyncWaker() {
    FNotifier.reset();  // off the event loop before the descriptor closes
    ::close(FFd);
  }
  TSyncWaker(const TSyncWaker&) = delete;
  TSyncWaker& operator=(const TSyncWaker&) = delete;

  // Rings ms after the tick now (0: at once), never for kNoneDue. Lock held.
  void Arm(std::uint32_t now, std::uint32_t ms) {
    itimerspec spec{};
    if (ms != kNoneDue) {
      // Armed after the tick was read, so it never rings before the tick
      // has moved on by ms.
      spec.it_value.tv_sec = ms / 1000;
      spec.it_value.tv_nsec = ms == 0 ? 1 : static_cast<long>(ms % 1000) * 1000000L;
    }
    timerfd_settime(FFd, 0, &spec, nullptr);
    FArmed = ms != kNoneDue;
    FDue = now + ms;
  }
  // Whether it rings at or before the tick due (lock held).
  bool RingsBy(std::uint32_t due) const {
    return FArmed && static_cast<std::int32_t>(FDue - due) <= 0;
  }
  bool Armed() const { return FArmed; }

  void Detach() { FMgr = nullptr; }  // lock held
  // Deletes the waker on its own thread.
  void Dispose() {
    if (QThread::currentThread() == FNotifier->thread()) {
      delete this;
    } else if (QCoreApplication* app = QCoreApplication::instance()) {
      QMetaObject::invokeMethod(
          app, [this] { delete this; }, Qt::QueuedConnection);
    }
  }

 private:
  void Ring() {
    std::uint64_t expirations;
    while (::read(FFd, &expirations, sizeof expirations) < 0 && errno == EINTR) {
    }
    TAATimerMgr* mgr;
    {
      std::lock_guard guard(*FLock);
      FArmed = false;
      mgr = FMgr;
      if (!mgr) return;
      // Counted, so that a manager ending on another thread waits for the
      // pass, whose handlers run outside the lock.
      ++mgr->FSyncPasses;
    }
    ++mgr->FSyncHandOvers;
    mgr->FireSyncTimers();
    std::lock_guard guard(*FLock);
    --mgr->FSyncPasses;
    mgr->FIdle.notify_all();
    if (FMgr) mgr->ArmSyncWaker(false);
  }

  TAATimerMgr* FMgr;  // under *FLock; null once the manager ends
  std::shared_ptr<std::mutex> FLock;
  int FFd;
  std::unique_ptr<QSocketNotifier> FNotifier;
  bool FArmed = false;     // under *FLock
  std::uint32_t FDue = 0;  // under *FLock: the tick it rings at, when armed
};

// ---------------------------------------------------------------------------
// TAATimerObject

TAATimerObject::TAATimerObject(TAATimerMgr* mgr, std::shared_ptr<std::mutex> lock,
                               TTickSource ticks)
    : FMgr(mgr), FLock(std::move(lock)), FTicks(std::move(ticks)), FLastTick(FTicks()) {}

double TAATimerObject::ActualRate() const {
  std::lock_guard guard(*FLock);
  return FActualRate;
}

bool TAATimerObject::Enabled() const {
  std::lock_guard guard(*FLock);
  return FEnabled;
}

void TAATimerObject::SetEnabled(bool value) {
  std::lock_guard guard(*FLock);
  SetEnabledLocked(value);
}

void TAATimerObject::SetEnabledLocked(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  FTickCount = 0;
  if (value) FLastTick = FTicks();  // the first firing comes one interval later
  Changed();
}

std::uint32_t TAATimerObject::TickCount() const {
  std::lock_guard guard(*FLock);
  return FTickCount;
}

std::uint32_t TAATimerObject::Interval() const {
  std::lock_guard guard(*FLock);
  return FInterval;
}

void TAATimerObject::SetInterval(std::uint32_t value) {
  std::lock_guard guard(*FLock);
  if (value == FInterval) return;
  FInterval = value;
  FLastTick = FTicks();
  Changed();
}

std::uint32_t TAATimerObject::LastTick() const {
  std::lock_guard guard(*FLock);
  return FLastTick;
}

void TAATimerObject::SetOnTimer(TAATimerEvent handler) {
  std::lock_guard guard(*FLock);
  FOnTimer = std::move(handler);
  Changed();
}

bool TAATimerObject::HasOnTimer() const {
  std::lock_guard guard(*FLock);
  return static_cast<bool>(FOnTimer);
}

std::uint32_t TAATimerObject::RepeatCount() const {
  std::lock_guard guard(*FLock);
  return FRepeatCount;
}

void TAATimerObject::SetRepeatCount(std::uint32_t value) {
  std::lock_guard guard(*FLock);
  if (value == FRepeatCount) return;
  FRepeatCount = value;
  Changed();
}

bool TAATimerObject::SyncEvent() const {
  std::lock_guard guard(*FLock);
  return FSyncEvent;
}

void TAATimerObject::SetSyncEvent(bool value) {
  std::lock_guard guard(*FLock);
  FSyncEvent = value;
  Changed();
}

double TAATimerObject::FPS() const {
  std::lock_guard guard(*FLock);
  return FInterval == 0 ? 0.0 : 1000.0 / FInterval;
}

void TAATimerObject::SetFPS(double value) {
  if (std::isnan(value) || value < 0) return;
  value = std::clamp(value, 1.0 / 65535.0, 1000.0);
  std::lock_guard guard(*FLock);
  FInterval = RoundHalfEven(1000.0 / value);  // the last tick stays
  Changed();
}

bool TAATimerObject::Registered() const {
  std::lock_guard guard(*FLock);
  return FMgr != nullptr;
}

void TAATimerObject::Unregister() {
  // The manager clears FMgr under this lock before it ends, so a manager
  // seen here is alive for the whole call.
  std::unique_lock guard(*FLock);
  if (FMgr) FMgr->Remove(guard, this);
}

void TAATimerObject::Changed() {
  if (FMgr) FMgr->WakeLocked();
}

// ---------------------------------------------------------------------------
// TAATimerMgr

TAATimerMgr::TAATimerMgr(TTickSource ticks, bool startWorker)
    : FLock(std::make_shared<std::mutex>()),
      FTicks(std::move(ticks)),
      FLife(std::make_shared<TLifeRef>()) {
  FLife->mgr = this;
  if (startWorker) {
    MakeSyncWaker();
    FThread = std::make_unique<TAATimerThread>(*this);
    FThread->Start();
  }
}

TAATimerMgr::~TAATimerMgr() {
  FThread.reset();  // stops and joins
  {
    std::lock_guard guard(FLife->lock);
    FLife->mgr = nullptr;
  }
  TSyncWaker* waker;
  {
    std::unique_lock guard(*FLock);
    waker = FWaker;
    FWaker = nullptr;
    if (waker) waker->Detach();
    // A pass the kernel timer started on the UI thread may be in a handler;
    // on that thread itself none can be (short of a handler ending its own
    // manager).
    if (!OnApplicationThread()) FIdle.wait(guard, [this] { return FSyncPasses == 0; });
  }
  if (waker) waker->Dispose();
  ClearTimers();
}

std::shared_ptr<TAATimerObject> TAATimerMgr::AddTimer() {
  std::lock_guard guard(*FLock);
  std::shared_ptr<TAATimerObject> timer(new TAATimerObject(this, FLock, FTicks));
  FList.push_back(timer);
  WakeLocked();
  return timer;
}

void TAATimerMgr::DeleteTimer(const TAATimerObject* timer) {
  std::unique_lock guard(*FLock);
  Remove(guard, timer);
}

void TAATimerMgr::ClearTimers() {
  std::unique_lock guard(*FLock);
  while (!FList.empty()) Remove(guard, FList.back().get());
}

void TAATimerMgr::Remove(std::unique_lock<std::mutex>& guard, const TAATimerObject* timer) {
  // A pass walks its own copy of the list and skips detached objects, so
  // erasing here is safe while one runs.
  const auto it = std::find_if(FList.rbegin(), FList.rend(),
                               [timer](const auto& entry) { return entry.get() == timer; });
  if (it == FList.rend()) return;
  const std::shared_ptr<TAATimerObject> removed = *it;
  FList.erase(std::next(it).base());
  removed->FMgr = nullptr;
  // A handler deleting its own timer goes on; one on another thread is
  // waited for.
  const std::thread::id self = std::this_thread::get_id();
  FIdle.wait(guard,
             [&] { return removed->FFiringOn == std::thread::id() || removed->FFiringOn == self; });
}

std::size_t TAATimerMgr::Count() const {
  std::lock_guard guard(*FLock);
  return FList.size();
}

void TAATimerMgr::Wake() {
  std::lock_guard guard(*FLock);
  WakeLocked();
}

void TAATimerMgr::WakeLocked() {
  if (FThread) FThread->Signal();
  ArmSyncWaker(true);
}

namespace {

thread_local int gSyncPassDepth = 0;

}  // namespace

bool InSyncTimerPass() { return gSyncPassDepth > 0; }

void TAATimerMgr::FireTimers(bool sync) {
  if (sync) ++gSyncPassDepth;
  struct TLeave {
    bool Sync;
    ~TLeave() {
      if (Sync) --gSyncPassDepth;
    }
  } leave{sync};
  std::unique_lock guard(*FLock);
  const std::uint32_t now = FTicks();
  const auto pass = FList;  // handlers may add or delete timers
  // Every synchronised pass wakes the window and repaints what moved: a
  // timer of the interval of one that is due, at least half way through its
  // period, fires in the same pass, and from then on the two keep in step
  // (six panels scrolling at scattered moments would wake it six times).
  std::vector<std::uint32_t> dueIntervals;
  if (sync) {
    for (const auto& timer : pass) {
      const TAATimerObject& t = *timer;
      if (t.FEnabled && t.FInterval != 0 && t.FSyncEvent && t.FOnTimer &&
          now - t.FLastTick >= t.FInterval)
        dueIntervals.push_back(t.FInterval);
    }
  }
  const auto inStep = [&](const TAATimerObject& t, std::uint32_t elapsed) {
    return 2 * static_cast<std::uint64_t>(elapsed) >= t.FInterval &&
           std::find(dueIntervals.begin(), dueIntervals.end(), t.FInterval) != dueIntervals.end();
  };
  for (const auto& timer : pass) {
    TAATimerObject& t = *timer;
    if (t.FMgr != this) continue;                    // deleted by an earlier handler of this pass
    if (t.FFiringOn != std::thread::id()) continue;  // its handler still runs
    if (!t.FEnabled || t.FInterval == 0 || t.FSyncEvent != sync) continue;
    const std::uint32_t elapsed = now - t.FLastTick;  // wraps with the counter
    if ((elapsed < t.FInterval && !inStep(t, elapsed)) || !t.FOnTimer) continue;
    t.FActualRate = elapsed == 0 ? 0.0 : 1000.0 / elapsed;
    t.FLastTick = now;
    ++t.FTickCount;
    t.FFiringOn = std::this_thread::get_id();
    // A handler may replace or clear OnTimer while it runs: call a copy.
    const TAATimerEvent handler = t.FOnTimer;
    guard.unlock();
    std::exception_ptr failure;
    try {
      handler(&t);
    } catch (...) {
      failure = std::current_exception();
    }
    guard.lock();
    t.FFiringOn = {};
    FIdle.notify_all();
    // The repeat count holds even when the handler throws, or a failing
    // handler would fire for ever.
    if (t.FRepeatCount != 0 && t.FTickCount >= t.FRepeatCount) t.SetEnabledLocked(false);
    if (!failure) continue;
    guard.unlock();
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& error) {
      HandleApplicationException(error, "Timer handler");
    } catch (...) {
      HandleApplicationException(std::runtime_error("unknown exception"), "Timer handler");
    }
    guard.lock();
  }
}

TAATimerMgr::TDue TAATimerMgr::NextDue() const {
  std::lock_guard guard(*FLock);
  const std::uint32_t now = FTicks();
  TDue due;
  std::uint32_t wait = kNoneDue;
  for (const auto& timer : FList) {
    const TAATimerObject& t = *timer;
    if (!t.FEnabled || t.FInterval == 0 || !t.FOnTimer) continue;
    if (t.FSyncEvent) {
      if (!FWaker) {
        due.syncWaiting = true;
        wait = std::min(wait, kNoAppRecheckMs);
      }
      continue;
    }
    // The same test as the firing pass, so the sleep ends at the first
    // millisecond a 1 ms poll would have fired the timer.
    const std::uint32_t elapsed = now - t.FLastTick;
    if (elapsed >= t.FInterval) {
      due.async = true;
    } else {
      wait = std::min(wait, t.FInterval - elapsed);
    }
  }
  due.waitMs = due.async ? 0 : wait;
  return due;
}

std::uint32_t TAATimerMgr::NextSyncWait(std::uint32_t now) const {
  std::uint32_t wait = kNoneDue;
  for (const auto& timer : FList) {
    const TAATimerObject& t = *timer;
    if (!t.FEnabled || t.FInterval == 0 || !t.FOnTimer || !t.FSyncEvent) continue;
    const std::uint32_t elapsed = now - t.FLastTick;
    wait = std::min(wait, elapsed >= t.FInterval ? 0 : t.FInterval - elapsed);
  }
  return wait;
}

void TAATimerMgr::ArmSyncWaker(bool onlyEarlier) {
  if (!FWaker) return;
  const std::uint32_t now = FTicks();
  const std::uint32_t wait = NextSyncWait(now);
  if (onlyEarlier && (wait == kNoneDue || FWaker->RingsBy(now + wait))) return;
  if (wait == kNoneDue && !FWaker->Armed()) return;
  FWaker->Arm(now, wait);
}

void TAATimerMgr::MakeSyncWaker() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  std::lock_guard guard(*FLock);
  if (FWaker) return;
  if (OnApplicationThread()) {
    FWaker = new TSyncWaker(this, FLock);
    ArmSyncWaker(false);
    return;
  }
  if (FWakerRequested) return;
  FWakerRequested = true;
  QMetaObject::invokeMethod(
      app,
      [life = FLife] {
        std::lock_guard lifeGuard(life->lock);
        if (!life->mgr) return;
        try {
          life->mgr->MakeSyncWaker();
        } catch (const std::exception& error) {
          HandleApplicationException(error, "Timer setup");
        }
      },
      Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// TAATimerThread

TAATimerThread::TAATimerThread(TAATimerMgr& mgr) : FMgr(mgr) {}

TAATimerThread::~TAATimerThread() {
  Terminate();
  if (FThread.joinable()) FThread.join();
}

void TAATimerThread::Start() {
  FThread = std::thread([this] { Execute(); });
}

void TAATimerThread::Terminate() {
  FTerminated = true;
  Signal();
}

void TAATimerThread::Signal() {
  {
    std::lock_guard guard(FEventLock);
    FSignalled = true;
  }
  FEvent.notify_one();
}

bool TAATimerThread::WaitForWake(std::uint32_t ms) {
  std::unique_lock lock(FEventLock);
  bool signalled = true;
  if (ms == kNoneDue) {
    FEvent.wait(lock, [this] { return FSignalled; });
  } else {
    signalled = FEvent.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FSignalled; });
  }
  FSignalled = false;
  return !signalled;
}

void TAATimerThread::Execute() {
  while (!FTerminated) {
    const TAATimerMgr::TDue due = FMgr.NextDue();
    if (due.async) {
      FMgr.FireAsyncTimers();
      continue;  // the last ticks have moved: look again before sleeping
    }
    if (due.syncWaiting) FMgr.MakeSyncWaker();
    WaitForWake(due.waitMs);
  }
}

// ---------------------------------------------------------------------------
// The single manager

namespace {

std::mutex gMgrLock;
std::unique_ptr<TAATimerMgr> gMgr;  // under gMgrLock; its static destructor ends it at exit

void DestroyTimerMgr() {
  std::unique_ptr<TAATimerMgr> old;
  {
    std::lock_guard guard(gMgrLock);
    old = std::move(gMgr);
  }
  // Destroyed outside the lock: the worker's last pass may still call
  // TimerMgr() from a handler.
}

}  // namespace

TAATimerMgr& TimerMgr() {
  std::lock_guard guard(gMgrLock);
  if (!gMgr) {
    gMgr = std::make_unique<TAATimerMgr>();
    // End the worker while the application object, which it posts to, is
    // still whole; post routines run first thing in its destructor.
    if (QCoreApplication::instance()) qAddPostRoutine(DestroyTimerMgr);
  }
  return *gMgr;
}

// ---------------------------------------------------------------------------
// TAATimer

TAATimer::TAATimer(QObject* owner) : TAATimer(TimerMgr(), owner) {}

TAATimer::TAATimer(TAATimerMgr& mgr, QObject* owner) : QObject(owner), FTimer(mgr.AddTimer()) {}

TAATimer::~TAATimer() { FTimer->Unregister(); }

}  // namespace tessary
