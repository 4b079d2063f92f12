// SPDX-License-Identifier: MIT
#pragma once

// Millisecond timers that do not depend on the UI message timer. One
// process-wide manager keeps every timer in one locked list. A timer fires
// either on the manager's worker thread or, synchronised, on the UI thread.
// Handlers run outside the lock, so one may wait for another thread that
// adds, changes or deletes timers meanwhile.
//
// Nothing polls. The worker sleeps until the earliest unsynchronised timer is
// due and is woken at once when a timer is added or changed. Synchronised
// timers are paced by a kernel timer (timerfd) that the UI thread's event
// loop watches: it is armed for the earliest due one and wakes the UI thread
// itself, so a firing costs one wake-up of one thread. A timer still fires at
// the first millisecond at which a 1 ms poll would have fired it.

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessary {

// The system's millisecond tick counter: 32 bits, so it wraps after about
// 49.7 days; every comparison of ticks is made in unsigned 32-bit arithmetic.
using TTickSource = std::function<std::uint32_t()>;
std::uint32_t GetTickCount();

class TAATimerMgr;
class TAATimerObject;
using TAATimerEvent = std::function<void(TAATimerObject* sender)>;

// One registered timer. Its fields live under the manager's list lock, so a
// setter on the UI thread never races the worker's firing pass. Its handler
// never runs twice at once: a pass skips a timer whose handler still runs.
class TAATimerObject {
 public:
  virtual ~TAATimerObject() = default;
  TAATimerObject(const TAATimerObject&) = delete;
  TAATimerObject& operator=(const TAATimerObject&) = delete;

  double ActualRate() const;
  bool Enabled() const;
  void SetEnabled(bool value);
  std::uint32_t TickCount() const;
  std::uint32_t Interval() const;
  void SetInterval(std::uint32_t value);
  std::uint32_t LastTick() const;
  void SetOnTimer(TAATimerEvent handler);
  bool HasOnTimer() const;
  std::uint32_t RepeatCount() const;
  void SetRepeatCount(std::uint32_t value);
  bool SyncEvent() const;
  void SetSyncEvent(bool value);
  double FPS() const;
  void SetFPS(double value);

  // Whether the object is still in its manager's list: false after
  // DeleteTimer or the manager's end. A detached object keeps its values but
  // never fires.
  bool Registered() const;
  // DeleteTimer on its manager, if it still has one: safe after the
  // manager has ended.
  void Unregister();

 private:
  friend class TAATimerMgr;
  TAATimerObject(TAATimerMgr* mgr, std::shared_ptr<std::mutex> lock, TTickSource ticks);
  void Changed();                     // lock held; wakes the worker to recompute its sleep
  void SetEnabledLocked(bool value);  // lock held

  TAATimerMgr* FMgr;  // under *FLock; null once detached
  std::shared_ptr<std::mutex> FLock;
  TTickSource FTicks;
  double FActualRate = 0;
  bool FEnabled = true;
  std::uint32_t FTickCount = 0;
  std::uint32_t FInterval = 1000;
  std::uint32_t FLastTick;
  TAATimerEvent FOnTimer;
  std::uint32_t FRepeatCount = 0;
  bool FSyncEvent = true;
  std::thread::id FFiringOn;  // under *FLock: the thread running its handler, if any
};

class TAATimerThread;
class TSyncWaker;

// The list of timers, the worker and the UI thread's kernel timer. Exactly
// one serves the program (TimerMgr below); tests may make their own with a
// tick source of their choosing.
class TAATimerMgr {
 public:
  // startWorker false: nothing fires unless FireTimers is called, which lets
  // the firing rules be tested with a hand-driven tick counter.
  explicit TAATimerMgr(TTickSource ticks = GetTickCount, bool startWorker = true);
  // Stops the worker and the kernel timer (a pass already signalled to the
  // UI thread then finds nothing to do), then clears the list.
  virtual ~TAATimerMgr();
  TAATimerMgr(const TAATimerMgr&) = delete;
  TAATimerMgr& operator=(const TAATimerMgr&) = delete;

  std::shared_ptr<TAATimerObject> AddTimer();
  // Once these return, the timer's handler no longer runs: when it runs on
  // another thread they wait for it, so that what it reaches may go.
  void DeleteTimer(const TAATimerObject* timer);
  void ClearTimers();
  std::size_t Count() const;

  // One firing pass over the timers of one kind, in the order of
  // registration. Each due timer is counted under the lock and its handler
  // called outside it; the repeat count disables a timer once reached.
  virtual void FireSyncTimers() { FireTimers(true); }
  virtual void FireAsyncTimers() { FireTimers(false); }
  void FireTimers(bool sync);

  // Synchronised passes run on the UI thread so far (a figure for benchmarks
  // and tests: the UI thread is entered only when a timer is due).
  std::uint64_t SyncHandOvers() const { return FSyncHandOvers.load(); }

  // Tells the worker and the kernel timer that a timer changed.
  void Wake();

 private:
  friend class TAATimerObject;
  friend class TAATimerThread;
  friend class TSyncWaker;

  // What the worker should do next, looked at under the lock.
  struct TDue {
    bool async = false;
    std::uint32_t waitMs = 0;  // until the earliest due timer; UINT32_MAX: none
    // A synchronised timer waits for the kernel timer, which the UI thread
    // must make (no application object yet, or the manager was made on
    // another thread).
    bool syncWaiting = false;
  };
  TDue NextDue() const;
  // Until the earliest synchronised timer is due (0: now); UINT32_MAX: none.
  std::uint32_t NextSyncWait(std::uint32_t now) const;  // lock held
  // Sets the kernel timer to the earliest synchronised due time; with
  // onlyEarlier, leaves a timer that rings no later as it is.
  void ArmSyncWaker(bool onlyEarlier);  // lock held
  // Makes the kernel timer on the application's thread: now when this is
  // that thread, else through its event queue (once).
  void MakeSyncWaker();
  void WakeLocked();  // lock held
  // Takes a timer out of the list and waits for a handler of it running on
  // another thread (guard holds the lock, released while waiting).
  void Remove(std::unique_lock<std::mutex>& guard, const TAATimerObject* timer);

  // What a call queued on the UI thread may still reach.
  struct TLifeRef {
    std::mutex lock;
    TAATimerMgr* mgr = nullptr;  // under lock; null once the manager ends
  };

  std::shared_ptr<std::mutex> FLock;
  TTickSource FTicks;
  std::vector<std::shared_ptr<TAATimerObject>> FList;  // under *FLock
  // A handler or a pass of the kernel timer ended (waited on under *FLock).
  std::condition_variable FIdle;
  int FSyncPasses = 0;  // under *FLock: passes the kernel timer is running
  std::atomic<std::uint64_t> FSyncHandOvers{0};
  std::shared_ptr<TLifeRef> FLife;
  TSyncWaker* FWaker = nullptr;  // under *FLock; lives on the UI thread
  bool FWakerRequested = false;  // under *FLock
  std::unique_ptr<TAATimerThread> FThread;
};

// The worker: sleeps on an auto-reset wake event until the next
// unsynchronised timer is due and fires it.
class TAATimerThread {
 public:
  explicit TAATimerThread(TAATimerMgr& mgr);
  ~TAATimerThread();  // Terminate + join

  void Start();
  void Terminate();  // stop flag and wake; never blocks
  void Signal();     // the wake event

 private:
  void Execute();
  // false: woken by the event; true: the time ran out.
  bool WaitForWake(std::uint32_t ms);

  TAATimerMgr& FMgr;
  std::atomic<bool> FTerminated{false};
  std::mutex FEventLock;
  std::condition_variable FEvent;
  bool FSignalled = false;  // under FEventLock; cleared by the wait (auto-reset)
  std::thread FThread;
};

// Whether this thread is inside a firing pass of synchronised timers: what
// their handlers ask to be painted with update() is painted together once
// the pass is over, in one trip to the screen.
bool InSyncTimerPass();

// The single manager, made on first use. It ends with the application object
// (or, without one, when the program exits).
TAATimerMgr& TimerMgr();

// A timer component: owns the registration of one timer object.
class TAATimer : public QObject {
  Q_OBJECT

 public:
  explicit TAATimer(QObject* owner = nullptr);
  TAATimer(TAATimerMgr& mgr, QObject* owner = nullptr);
  ~TAATimer() override;

  bool Enabled() const { return FTimer->Enabled(); }
  void SetEnabled(bool value) { FTimer->SetEnabled(value); }
  double FPS() const { return FTimer->FPS(); }
  void SetFPS(double value) { FTimer->SetFPS(value); }
  std::uint32_t Interval() const { return FTimer->Interval(); }
  void SetInterval(std::uint32_t value) { FTimer->SetInterval(value); }
  void SetOnTimer(TAATimerEvent handler) { FTimer->SetOnTimer(std::move(handler)); }
  std::uint32_t RepeatCount() const { return FTimer->RepeatCount(); }
  void SetRepeatCount(std::uint32_t value) { FTimer->SetRepeatCount(value); }
  bool SyncEvent() const { return FTimer->SyncEvent(); }
  void SetSyncEvent(bool value) { FTimer->SetSyncEvent(value); }

  TAATimerObject& Timer() const { return *FTimer; }

 private:
  std::shared_ptr<TAATimerObject> FTimer;
};

}  // namespace tessary
