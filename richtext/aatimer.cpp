#include "aatimer.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "exceptionhook.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace tessary {

namespace {

constexpr std::uint32_t kNoneDue = std::numeric_limits<std::uint32_t>::max();
// Without an application object synchronised timers cannot run; look again
// this often so they start soon after one exists.
constexpr std::uint32_t kNoAppRecheckMs = 10;

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
// TAATimerObject

TAATimerObject::TAATimerObject(TAATimerMgr* mgr, std::shared_ptr<std::recursive_mutex> lock,
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
  std::lock_guard guard(*FLock);
  if (FMgr) FMgr->DeleteTimer(this);
}

void TAATimerObject::Changed() {
  if (FMgr) FMgr->Wake();
}

void TAATimerObject::DoTimer() {
  ++FTickCount;
  // A handler may replace or clear OnTimer while it runs: call a copy.
  const TAATimerEvent handler = FOnTimer;
  // The repeat count holds even when the handler throws, or a failing
  // handler would fire for ever.
  auto finish = [this] {
    if (FRepeatCount != 0 && FTickCount >= FRepeatCount) SetEnabled(false);
  };
  try {
    handler(this);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// ---------------------------------------------------------------------------
// TAATimerMgr

TAATimerMgr::TAATimerMgr(TTickSource ticks, bool startWorker)
    : FLock(std::make_shared<std::recursive_mutex>()), FTicks(std::move(ticks)) {
  if (startWorker) {
    FThread = std::make_unique<TAATimerThread>(*this);
    FThread->Start();
  }
}

TAATimerMgr::~TAATimerMgr() {
  FThread.reset();  // stops and joins; the worker never waits on the UI thread once stopped
  ClearTimers();
}

std::shared_ptr<TAATimerObject> TAATimerMgr::AddTimer() {
  std::lock_guard guard(*FLock);
  std::shared_ptr<TAATimerObject> timer(new TAATimerObject(this, FLock, FTicks));
  FList.push_back(timer);
  Wake();
  return timer;
}

void TAATimerMgr::DeleteTimer(const TAATimerObject* timer) {
  std::lock_guard guard(*FLock);
  // A pass running on this thread (a handler deleting a timer) walks its own
  // copy of the list and skips detached objects, so erasing here is safe.
  const auto it = std::find_if(FList.begin(), FList.end(),
                               [timer](const auto& entry) { return entry.get() == timer; });
  if (it == FList.end()) return;
  Detach(**it);
  FList.erase(it);
}

void TAATimerMgr::ClearTimers() {
  std::lock_guard guard(*FLock);
  while (!FList.empty()) {
    Detach(*FList.back());
    FList.pop_back();
  }
}

std::size_t TAATimerMgr::Count() const {
  std::lock_guard guard(*FLock);
  return FList.size();
}

void TAATimerMgr::Detach(TAATimerObject& timer) { timer.FMgr = nullptr; }

void TAATimerMgr::Wake() {
  if (FThread) FThread->Signal();
}

void TAATimerMgr::FireTimers(bool sync) {
  std::lock_guard guard(*FLock);
  const std::uint32_t now = FTicks();
  const auto pass = FList;  // handlers may add or delete timers
  for (const auto& timer : pass) {
    TAATimerObject& t = *timer;
    if (t.FMgr != this) continue;  // deleted by an earlier handler of this pass
    if (!t.FEnabled || t.FInterval == 0 || t.FSyncEvent != sync) continue;
    const std::uint32_t elapsed = now - t.FLastTick;  // wraps with the counter
    if (elapsed < t.FInterval || !t.FOnTimer) continue;
    t.FActualRate = elapsed == 0 ? 0.0 : 1000.0 / elapsed;
    t.FLastTick = now;
    try {
      t.DoTimer();
    } catch (const std::exception& error) {
      HandleApplicationException(error);
    } catch (...) {
      HandleApplicationException(std::runtime_error("unknown exception"));
    }
  }
}

TAATimerMgr::TDue TAATimerMgr::NextDue(bool syncPossible) const {
  std::lock_guard guard(*FLock);
  const std::uint32_t now = FTicks();
  TDue due;
  std::uint32_t wait = kNoneDue;
  for (const auto& timer : FList) {
    const TAATimerObject& t = *timer;
    if (!t.FEnabled || t.FInterval == 0 || !t.FOnTimer) continue;
    if (t.FSyncEvent && !syncPossible) {
      wait = std::min(wait, kNoAppRecheckMs);
      continue;
    }
    // The same test as the firing pass, so the sleep ends at the first
    // millisecond a 1 ms poll would have fired the timer.
    const std::uint32_t elapsed = now - t.FLastTick;
    if (elapsed >= t.FInterval) {
      (t.FSyncEvent ? due.sync : due.async) = true;
    } else {
      wait = std::min(wait, t.FInterval - elapsed);
    }
  }
  due.waitMs = (due.sync || due.async) ? 0 : wait;
  return due;
}

// ---------------------------------------------------------------------------
// TAATimerThread

// One hand-over to the UI thread. Shared with the queued call, which may run
// after the worker and even the manager have gone; then it does nothing.
struct TAATimerThread::TSyncCall {
  std::mutex lifeLock;           // held while the pass runs
  TAATimerMgr* mgr = nullptr;    // under lifeLock; null once the manager ends
  std::mutex doneLock;
  std::condition_variable doneEvent;
  std::uint64_t posted = 0;      // under doneLock
  std::uint64_t done = 0;        // under doneLock
};

TAATimerThread::TAATimerThread(TAATimerMgr& mgr) : FMgr(mgr), FSync(std::make_shared<TSyncCall>()) {
  FSync->mgr = &mgr;
}

TAATimerThread::~TAATimerThread() {
  Terminate();
  if (FThread.joinable()) FThread.join();
  // A hand-over still queued on the UI thread must not reach the manager.
  std::lock_guard guard(FSync->lifeLock);
  FSync->mgr = nullptr;
}

void TAATimerThread::Start() { FThread = std::thread([this] { Execute(); }); }

void TAATimerThread::Terminate() {
  FTerminated = true;
  Signal();
  // Taking the lock orders the flag before the waiter's next look at it.
  { std::lock_guard guard(FSync->doneLock); }
  FSync->doneEvent.notify_all();
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
    const bool syncPossible = QCoreApplication::instance() != nullptr;
    const TAATimerMgr::TDue due = FMgr.NextDue(syncPossible);
    if (due.async) FMgr.FireAsyncTimers();
    if (due.sync && !FTerminated) RunSyncPass();
    // After a pass the last ticks have moved: look again before sleeping.
    if (due.async || due.sync) continue;
    WaitForWake(due.waitMs);
  }
}

void TAATimerThread::RunSyncPass() {
  // A blocking queued call would deadlock with a UI thread that is waiting
  // for this worker to end; waiting on our own state lets Terminate free us.
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  std::shared_ptr<TSyncCall> call = FSync;
  std::uint64_t ticket;
  {
    std::lock_guard guard(call->doneLock);
    ticket = ++call->posted;
  }
  ++FMgr.FSyncHandOvers;
  QMetaObject::invokeMethod(
      app,
      [call, ticket] {
        {
          std::lock_guard life(call->lifeLock);
          if (call->mgr) call->mgr->FireSyncTimers();
        }
        {
          std::lock_guard guard(call->doneLock);
          call->done = std::max(call->done, ticket);
        }
        call->doneEvent.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(call->doneLock);
  call->doneEvent.wait(lock, [&] { return call->done >= ticket || FTerminated.load(); });
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
