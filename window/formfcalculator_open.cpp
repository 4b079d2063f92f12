// SPDX-License-Identifier: MIT
// Opening a big worksheet without freezing the window: the files are read
// and converted on a worker, then the text goes into a document of its own
// a slice per turn of the event loop, with progress in the status bar.
// Meanwhile keys and clicks on the window are ignored, so that nothing is
// typed into half a worksheet, and Escape goes back to the worksheet that
// was there, untouched.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

#include "formfcalculator.h"
#include "mostrecentfiles.h"

namespace tessary {

namespace {

// What one turn of the event loop puts into the pane at most: a slice is
// some thousands of lines, and a turn stops after kStepMs.
constexpr qsizetype kSliceCharacters = 32 * 1024;
constexpr int kStepMs = 30;

// The text in slices that end at line ends, the lines joined by "\n".
QStringList Slices(std::vector<std::string>& lines) {
  QStringList slices;
  QString slice;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    slice += QString::fromStdString(lines[i]);
    std::string().swap(lines[i]);  // the bytes go as their text comes
    if (i + 1 < lines.size()) slice += QLatin1Char('\n');
    if (slice.size() >= kSliceCharacters) slices << std::exchange(slice, QString());
  }
  if (!slice.isEmpty()) slices << slice;
  lines.clear();
  return slices;
}

// Swallows the window's input while a worksheet comes in; Escape cancels.
class TOpeningInput : public QObject {
 public:
  TOpeningInput(QWidget* window, std::function<void()> cancel)
      : FWindow(window), FCancel(std::move(cancel)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Shortcut: return true;
      case QEvent::KeyPress:
        if (Ours(watched) && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
          // Later: cancelling takes this filter away.
          QTimer::singleShot(0, FWindow, FCancel);
          return true;
        }
        return Ours(watched);
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::ContextMenu:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop: return Ours(watched);
      default: return false;
    }
  }

 private:
  bool Ours(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && widget->window() == FWindow;
  }

  QPointer<QWidget> FWindow;
  std::function<void()> FCancel;
};

}  // namespace

struct TFormFCalculator::TOpening {
  QString FileName;
  std::shared_ptr<std::atomic<bool>> Cancelled = std::make_shared<std::atomic<bool>>(false);
  std::thread Worker;
  std::shared_ptr<TReadWorksheet> Read;
  QStringList Slices;
  qsizetype NextSlice = 0;
  qint64 Total = 0, Done = 0;
  QTextDocument* OldDocument = nullptr;
  QTextDocument* NewDocument = nullptr;
  bool WasModified = false, WasFormulaEdited = false;
  QTimer Stepper;
  std::unique_ptr<TOpeningInput> Input;

  ~TOpening() {
    if (Input) qApp->removeEventFilter(Input.get());
    if (Worker.joinable()) Worker.join();
  }
  QString Name() const { return QFileInfo(FileName).fileName(); }
};

void TFormFCalculator::TOpeningDeleter::operator()(TOpening* opening) const { delete opening; }

void TFormFCalculator::OpenInSteps(const QString& fileName) {
  CancelOpening();
  FOpening.reset(new TOpening);
  TOpening& opening = *FOpening;
  opening.FileName = fileName;
  opening.WasModified = FModified;
  opening.WasFormulaEdited = FFormulaEdited;
  opening.Input = std::make_unique<TOpeningInput>(this, [this] { CancelOpening(); });
  qApp->installEventFilter(opening.Input.get());
  FStatusDetail->setText(QStringLiteral("正在打开“%1”…（按 Esc 取消）").arg(opening.Name()));
  // The window outlives the worker: its end waits for it (a cancelled
  // one is joined then), and what it posts goes with the window.
  opening.Worker = std::thread([this, fileName, cancelled = opening.Cancelled] {
    auto read = std::make_shared<TReadWorksheet>(ReadWorksheet(fileName));
    auto slices = std::make_shared<QStringList>(Slices(read->Lines));
    if (*cancelled) return;
    QMetaObject::invokeMethod(
        this,
        [this, read, slices, cancelled] {
          if (*cancelled || !FOpening) return;
          FOpening->Slices = std::move(*slices);
          OpeningRead(read);
        },
        Qt::QueuedConnection);
  });
}

void TFormFCalculator::OpeningRead(const std::shared_ptr<TReadWorksheet>& read) {
  TOpening& opening = *FOpening;
  if (!read->Error.isEmpty()) {
    EndOpening(false);
    FStatusDetail->clear();
    ShowError(read->Error);
    return;
  }
  opening.Read = read;
  for (const QString& slice : opening.Slices) opening.Total += slice.size();
  QTextDocument* old = FOriFormula->document();
  auto* document = new QTextDocument(FOriFormula);
  document->setDocumentLayout(new QPlainTextDocumentLayout(document));
  document->setDefaultFont(old->defaultFont());
  document->setDefaultTextOption(old->defaultTextOption());
  document->setDocumentMargin(old->documentMargin());
  document->setUndoRedoEnabled(false);  // Undo never goes back into the load
  // Qt deletes the pane's own document when another replaces it.
  old->setParent(FOriFormula);
  opening.OldDocument = old;
  opening.NewDocument = document;
  FOriFormula->setDocument(document);
  connect(&opening.Stepper, &QTimer::timeout, this, &TFormFCalculator::OpeningStep);
  opening.Stepper.start(0);
}

void TFormFCalculator::OpeningStep() {
  TOpening& opening = *FOpening;
  QElapsedTimer clock;
  clock.start();
  QTextCursor cursor(opening.NewDocument);
  cursor.movePosition(QTextCursor::End);
  while (opening.NextSlice < opening.Slices.size() && clock.elapsed() < kStepMs) {
    QString& slice = opening.Slices[opening.NextSlice++];
    cursor.insertText(slice);
    opening.Done += slice.size();
    slice = QString();
  }
  // The caret stood where the text went in, and went along with it.
  if (FOriFormula->textCursor().position() != 0) FOriFormula->moveCursor(QTextCursor::Start);
  if (opening.NextSlice < opening.Slices.size()) {
    FStatusDetail->setText(QStringLiteral("正在打开“%1”：%2%（按 Esc 取消）")
                               .arg(opening.Name())
                               .arg(opening.Done * 100 / std::max<qint64>(opening.Total, 1)));
    return;
  }
  opening.NewDocument->setUndoRedoEnabled(true);
  opening.OldDocument->deleteLater();
  const QString fileName = opening.FileName;
  const std::shared_ptr<TReadWorksheet> read = opening.Read;
  EndOpening(false);
  FStatusDetail->clear();
  if (ShowWorksheet(fileName, *read)) FRecentFiles->AddFile(fileName);
}

// The worksheet that was there comes back as it was, unless the new one is
// in whole already.
void TFormFCalculator::CancelOpening() {
  if (!FOpening) return;
  TOpening& opening = *FOpening;
  const QString name = opening.Name();
  if (opening.NewDocument != nullptr) {
    FOriFormula->setDocument(opening.OldDocument);
    opening.NewDocument->deleteLater();
  }
  const bool modified = opening.WasModified, edited = opening.WasFormulaEdited;
  EndOpening(true);
  SetModified(modified);
  FFormulaEdited = edited;
  FStatusDetail->setText(QStringLiteral("已取消打开“%1”").arg(name));
}

// A worker still reading is left to finish on its own; the window's end
// waits for it.
void TFormFCalculator::EndOpening(bool cancelled) {
  std::unique_ptr<TOpening, TOpeningDeleter> opening = std::move(FOpening);
  opening->Stepper.stop();
  *opening->Cancelled = cancelled;
  if (cancelled && opening->Worker.joinable()) FOpenWorkers.push_back(std::move(opening->Worker));
}

}  // namespace tessary
