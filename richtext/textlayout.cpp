// SPDX-License-Identifier: MIT
#include "textlayout.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "cp936.h"
#include "wrapline.h"

namespace tessary {

namespace {

// Round((1 + pitch / 100) x height) with halves to the even integer, in
// integers so that no binary fraction tips a half either way.
int RowAdvance(int pitch, int height) {
  const long long scaled = static_cast<long long>(100 + pitch) * height;
  long long q = scaled / 100;
  const long long r = scaled % 100;
  if (r > 50 || (r == 50 && q % 2 != 0)) ++q;
  return static_cast<int>(q);
}

// The longest run of whole characters of text that takes at most columns
// code page 936 bytes.
QString Cp936Prefix(const QString& text, int columns) {
  int used = 0;
  qsizetype end = 0;
  while (end < text.size()) {
    const qsizetype next = end + (text.at(end).isHighSurrogate() && end + 1 < text.size() ? 2 : 1);
    used += Cp936Length(text.mid(end, next - end).toStdString());
    if (used > columns) break;
    end = next;
  }
  return text.left(end);
}

// The rows one line takes, measured with the renderer's current font and
// effect; the line is measured whole only when it may be wrapped.
std::vector<QString> RowsOf(const QString& line, int width, bool wordWrap, TAAFontEx& renderer) {
  if (wordWrap) {
    const int lineWidth = renderer.TextWidth(line);
    if (lineWidth > width) {
      const std::string utf8 = line.toStdString();
      int columns = static_cast<int>(static_cast<long long>(Cp936Length(utf8)) * width / lineWidth);
      while (columns > 0 && renderer.TextWidth(Cp936Prefix(line, columns)) > width) --columns;
      std::vector<std::string> rows;
      SplitLine(utf8, rows, columns);
      std::vector<QString> result;
      result.reserve(rows.size());
      for (const std::string& row : rows) result.push_back(QString::fromStdString(row));
      return result;
    }
  }
  if (line.isEmpty()) return {QStringLiteral(" ")};
  return {line};
}

void UseLine(const TTextLayoutJob::TLine& line, TAAFontEx& renderer, TAACanvas& canvas) {
  canvas.Font = line.Font;
  renderer.Effect() = line.Effect;
}

}  // namespace

TColor ResolvedColor(TColor color) {
  const QColor rgb = ResolveColor(color);
  return RGBToColor(rgb.red(), rgb.green(), rgb.blue());
}

void ResolveColors(TFontDesc& font, TAAEffect& effect) {
  font.Color = ResolvedColor(font.Color);
  effect.Shadow().SetColor(ResolvedColor(effect.Shadow().Color()));
  effect.Gradual().SetStartColor(ResolvedColor(effect.Gradual().StartColor()));
  effect.Gradual().SetEndColor(ResolvedColor(effect.Gradual().EndColor()));
}

bool TTextLayoutJob::UsesRandom() const {
  return std::any_of(Lines.begin(), Lines.end(), [](const TLine& line) {
    return line.Effect.Spray() != 0 || line.Effect.Noise() != 0;
  });
}

// ---- TTextLayoutRun ----

void TTextLayoutRun::Step(TAAFontEx& renderer, TAACanvas& canvas) {
  canvas.Target = &FImage;
  canvas.BrushColor = FJob.BackColor;
  canvas.BrushStyle = FMeasured ? bsClear : bsSolid;  // rows go over the background
  renderer.SetCanvas(&canvas);
  renderer.SetQuality(FJob.Quality);
  if (FMeasured)
    Draw(renderer, canvas);
  else
    Measure(renderer, canvas);
}

int TTextLayoutRun::FinalHeight() const {
  if (!FMeasured) return 0;
  return Done() ? FImage.height() : std::min(FY, FImage.height());
}

// One line, and once all are measured the image, as tall as they need,
// filled with the background.
void TTextLayoutRun::Measure(TAAFontEx& renderer, TAACanvas& canvas) {
  if (FLine == 0) FY = FJob.Top;
  if (FLine < FJob.Lines.size()) {
    const TTextLayoutJob::TLine& line = FJob.Lines[FLine++];
    UseLine(line, renderer, canvas);
    const int lineHeight = renderer.TextHeight(line.Text + QLatin1Char(' '));
    FRows.push_back(RowsOf(line.Text, FJob.Width, FJob.WordWrap, renderer));
    FY += static_cast<int>(FRows.back().size()) * RowAdvance(FJob.RowPitch, lineHeight);
    if (FLine < FJob.Lines.size()) return;
  }
  const int height = std::max(FY + FJob.Tail, FJob.Height);
  FImage = QImage(FJob.Width, height, QImage::Format_BGR888);
  FImage.fill(ResolveColor(FJob.BackColor));
  if (!FJob.BackGround.isNull())
    DrawBackGround(FImage, QRect(0, 0, FJob.Width, height), FJob.BackGround, FJob.BackGroundMode,
                   FJob.BackColor);
  FMeasured = true;
  FLine = 0;
  FRow = 0;
  FY = FJob.Top;
  while (FLine < FRows.size() && FRows[FLine].empty()) ++FLine;
}

void TTextLayoutRun::Draw(TAAFontEx& renderer, TAACanvas& canvas) {
  if (Done()) return;
  const TTextLayoutJob::TLine& line = FJob.Lines[FLine];
  UseLine(line, renderer, canvas);
  const QString& row = FRows[FLine][FRow];
  const int rowHeight = renderer.TextHeight(row + QLatin1Char(' '));
  int x = 0;
  if (line.Alignment == taRightJustify) x = FImage.width() - renderer.TextWidth(row);
  if (line.Alignment == taCenter) x = (FImage.width() - renderer.TextWidth(row)) / 2;
  renderer.TextOut(x, FY, row);
  FY += RowAdvance(FJob.RowPitch, rowHeight);
  if (++FRow < FRows[FLine].size()) return;
  FRow = 0;
  ++FLine;
  while (FLine < FRows.size() && FRows[FLine].empty()) ++FLine;
}

QImage LayOutText(const TTextLayoutJob& job, TAAFontEx& renderer, TAACanvas& canvas) {
  TTextLayoutRun run(job);
  while (!run.Done()) run.Step(renderer, canvas);
  return run.TakeImage();
}

// ---- the layout threads ----

struct TLayoutTask {
  using TClock = std::chrono::steady_clock;

  TLayoutTask(TTextLayoutJob job, TLayoutDelivery deliver)
      : Job(std::move(job)), Deliver(std::move(deliver)), Run(Job) {}
  explicit TLayoutTask(TLayoutWork work) : Work(std::move(work)), Run(Job) {}

  const TTextLayoutJob Job;
  const TLayoutDelivery Deliver;
  const TLayoutWork Work;  // instead of a job
  TTextLayoutRun Run;      // only the thread with Busy set touches it
  // Under the service's lock:
  bool Busy = false;
  bool Cancelled = false;
  bool Shown = false;  // its first frame has been delivered
  TClock::time_point DeliveredAt;
};

namespace {

class TLayoutService {
 public:
  static TLayoutService& Instance() {
    static TLayoutService service;
    return service;
  }

  std::shared_ptr<TLayoutTask> Queue(std::shared_ptr<TLayoutTask> task) {
    const std::lock_guard lock(FMutex);
    FTasks.push_back(task);
    StartThreadLocked();
    return task;
  }

  void Hold(bool hold) {
    const std::lock_guard lock(FMutex);
    if (FHold == hold) return;
    FHold = hold;
    if (!hold) StartThreadLocked();  // the threads that found nothing to do have ended
  }

  void Cancel(const std::shared_ptr<TLayoutTask>& task) {
    std::unique_lock lock(FMutex);
    task->Cancelled = true;
    if (!task->Busy) std::erase(FTasks, task);  // a busy one goes after its row
    const bool othersLeft =
        std::any_of(FTasks.begin(), FTasks.end(),
                    [](const std::shared_ptr<TLayoutTask>& t) { return !t->Cancelled; });
    if (othersLeft) return;
    // The last layout stopped: no layout thread outlives it, so that none
    // is left when the application goes.
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FLive == 0; });
    JoinAll();
  }

  ~TLayoutService() {
    std::unique_lock lock(FMutex);
    for (const auto& task : FTasks) task->Cancelled = true;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FLive == 0; });
    JoinAll();
  }

 private:
  TLayoutService() = default;

  // One core stays free for the user interface.
  static int Limit() { return std::max(1, QThread::idealThreadCount() - 1); }

  void StartThreadLocked() {
    if (FLive == 0) JoinAll();
    FChanged.notify_all();
    if (FLive < Limit() && FLive < static_cast<int>(FTasks.size())) {
      ++FLive;
      FThreads.emplace_back([this] { Work(); });
    }
  }

  // The first task in order that waits for its first frame, else the first
  // that waits at all: the rest of the texts go one after the other, so
  // that only one is half laid out at a time.
  std::shared_ptr<TLayoutTask> NextLocked() const {
    std::shared_ptr<TLayoutTask> next;
    for (const auto& task : FTasks) {
      if (task->Busy || task->Cancelled) continue;
      if (!task->Shown) return task;
      if (!next && !FHold) next = task;
    }
    return next;
  }

  bool AnyBusyLocked() const {
    return std::any_of(FTasks.begin(), FTasks.end(),
                       [](const std::shared_ptr<TLayoutTask>& task) { return task->Busy; });
  }

  // A step of a task at a time; the tasks delivered to and the cancelled
  // ones leave the list under the lock, so that a cancelled task delivers
  // nothing. A thread ends once nothing is left to lay out, and waits while
  // the other threads hold what is left.
  void Work() {
    TAACanvas canvas;
    TAAFontEx renderer(&canvas);
    std::unique_lock lock(FMutex);
    for (;;) {
      const std::shared_ptr<TLayoutTask> task = NextLocked();
      if (!task) {
        // Held rows wait for the release, which starts a thread again.
        if (!AnyBusyLocked()) break;
        FChanged.wait(lock);
        continue;
      }
      task->Busy = true;
      lock.unlock();
      if (task->Work) {
        const std::function<void()> tell = task->Work(renderer, canvas);
        lock.lock();
        task->Busy = false;
        FChanged.notify_all();
        std::erase(FTasks, task);
        if (!task->Cancelled && tell) tell();  // under the lock, as a delivery
        continue;
      }
      TTextLayoutRun& run = task->Run;
      run.Step(renderer, canvas);
      const auto now = TLayoutTask::TClock::now();
      const bool done = run.Done();
      const int rows = run.FinalHeight();
      lock.lock();
      const bool due = !done && rows >= std::max(1, task->Job.Height) &&
                       (!task->Shown || now - task->DeliveredAt >= std::chrono::milliseconds(250));
      task->Busy = false;
      FChanged.notify_all();
      if (task->Cancelled || done) std::erase(FTasks, task);
      if (task->Cancelled || !(done || due)) continue;
      task->Shown = true;
      task->DeliveredAt = now;
      // Delivered under the lock: Cancel cannot slip in between.
      task->Deliver(done ? run.TakeImage() : run.Image().copy(0, 0, run.Image().width(), rows),
                    done);
    }
    --FLive;
    FChanged.notify_all();
  }

  void JoinAll() {
    for (std::thread& thread : FThreads) thread.join();
    FThreads.clear();
  }

  std::mutex FMutex;
  // Tasks come, go or come free; threads end.
  std::condition_variable FChanged;
  std::vector<std::shared_ptr<TLayoutTask>> FTasks;  // in the order queued
  std::vector<std::thread> FThreads;
  int FLive = 0;       // threads still taking tasks
  bool FHold = false;  // first frames only
};

}  // namespace

std::shared_ptr<TLayoutTask> QueueLayout(TTextLayoutJob job, TLayoutDelivery deliver) {
  return TLayoutService::Instance().Queue(
      std::make_shared<TLayoutTask>(std::move(job), std::move(deliver)));
}

std::shared_ptr<TLayoutTask> QueueLayoutWork(TLayoutWork work) {
  return TLayoutService::Instance().Queue(std::make_shared<TLayoutTask>(std::move(work)));
}

void CancelLayout(const std::shared_ptr<TLayoutTask>& task) {
  if (task) TLayoutService::Instance().Cancel(task);
}

void HoldLayoutRest(bool hold) { TLayoutService::Instance().Hold(hold); }

}  // namespace tessary
