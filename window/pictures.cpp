// SPDX-License-Identifier: MIT
#include "pictures.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <cmath>
#include <mutex>

namespace tessary {

QImage DrawSvg(const QString& file, const QSize& size) {
  QSvgRenderer renderer(file);
  if (!renderer.isValid()) return {};
  QSize fit = renderer.defaultSize();
  if (!fit.isNull()) fit.scale(size, Qt::KeepAspectRatio);
  if (fit.isEmpty()) return {};
  QImage image(fit, QImage::Format_ARGB32_Premultiplied);
  image.fill(0);
  QPainter painter(&image);
  renderer.render(&painter);
  return image;
}

namespace {

using TSizeKey = std::pair<int, int>;

// What the copies of one icon share: the file, the drawing done ahead, and
// the pixmaps made so far.
struct TPictureData {
  QString File;
  std::function<const QImage*(const TSizeKey&)> Ahead;
  std::mutex Mutex;  // icons may be copied to other threads with their widgets' data
  std::map<TSizeKey, QPixmap> Made;
};

class TPictureEngine : public QIconEngine {
 public:
  explicit TPictureEngine(std::shared_ptr<TPictureData> data) : FData(std::move(data)) {}

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    QPixmap picture = Normal(size);
    if (mode == QIcon::Normal || picture.isNull()) return picture;
    // Disabled, active and selected are made from the normal picture by
    // the style, as for any of Qt's icons.
    QStyleOption option(0);
    option.palette = QGuiApplication::palette();
    const QPixmap made = QApplication::style()->generatedIconPixmap(mode, picture, &option);
    return made.isNull() ? picture : made;
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
             QIcon::State state) override {
    painter->drawPixmap(rect, pixmap(rect.size() * painter->device()->devicePixelRatio(), mode, state));
  }

  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return pixmap(size, mode, state).size();
  }

  QIconEngine* clone() const override { return new TPictureEngine(FData); }

 private:
  QPixmap Normal(const QSize& size) {
    const TSizeKey key(size.width(), size.height());
    const std::lock_guard lock(FData->Mutex);
    const auto made = FData->Made.find(key);
    if (made != FData->Made.end()) return made->second;
    const QImage* ahead = FData->Ahead(key);
    QPixmap picture =
        QPixmap::fromImage(ahead != nullptr ? *ahead : DrawSvg(FData->File, size));
    FData->Made.emplace(key, picture);
    return picture;
  }

  std::shared_ptr<TPictureData> FData;
};

}  // namespace

TPictures::TPictures(const QStringList& files, const std::vector<int>& sizes, qreal scale)
    : FFiles(files) {
  std::vector<QSize> pixels;
  for (int size : sizes) {
    const int side = static_cast<int>(std::lround(size * scale));
    pixels.emplace_back(side, side);
  }
  FDrawn = std::make_shared<std::shared_future<TDrawn>>(
      std::async(std::launch::async, [files, pixels] {
        TDrawn drawn(static_cast<std::size_t>(files.size()));
        for (qsizetype i = 0; i < files.size(); ++i)
          for (const QSize& size : pixels)
            drawn[static_cast<std::size_t>(i)].emplace(TSizeKey(size.width(), size.height()),
                                                       DrawSvg(files[i], size));
        return drawn;
      }).share());
}

// The drawing is waited for, not left running on a window that is gone.
TPictures::~TPictures() { FDrawn->wait(); }

QIcon TPictures::Icon(int index) const {
  auto data = std::make_shared<TPictureData>();
  data->File = FFiles.at(index);
  // The icon may outlive this set; it keeps the drawing alive.
  data->Ahead = [drawn = FDrawn, index](const TSizeKey& key) -> const QImage* {
    const auto& images = drawn->get()[static_cast<std::size_t>(index)];
    const auto image = images.find(key);
    return image != images.end() && !image->second.isNull() ? &image->second : nullptr;
  };
  return QIcon(new TPictureEngine(std::move(data)));
}

}  // namespace tessary
