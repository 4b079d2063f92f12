// SPDX-License-Identifier: MIT
#pragma once

// The pictures of the tool bar, the menus and the 计算 button, drawn from
// their SVG files. The sizes the window shows at once are drawn on a worker
// thread while the window is being built, so its first paint only copies
// them; any other size, scale or mode is drawn when first asked for, the way
// Qt's own SVG icons draw it.

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <future>
#include <map>
#include <memory>
#include <vector>

namespace tessary {

class TPictures {
 public:
  // Starts drawing every file to fit every square of sizes, times the
  // scale of the screen.
  TPictures(const QStringList& files, const std::vector<int>& sizes, qreal scale);
  ~TPictures();
  TPictures(const TPictures&) = delete;
  TPictures& operator=(const TPictures&) = delete;

  // The picture of files[index], as an icon.
  QIcon Icon(int index) const;

 private:
  // What the worker made of one file: its own size, and its images by
  // their size in pixels.
  struct TDrawnFile {
    QSize Default;
    std::map<std::pair<int, int>, QImage> Images;
  };
  using TDrawn = std::vector<TDrawnFile>;

  QStringList FFiles;
  std::shared_ptr<std::shared_future<TDrawn>> FDrawn;
};

}  // namespace tessary
