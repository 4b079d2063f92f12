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

namespace tessary {

namespace {

// A picture of its own size own, scaled to fit room, keeping its shape; as
// own when that is null (the file gives no size).
QSize Fitted(QSize own, const QSize& room) {
  if (!own.isNull()) own.scale(room, Qt::KeepAspectRatio);
  return own;
}

// Draws what renderer read to fit size, on a transparent ground, as Qt's
// SVG icons do.
QImage DrawFitted(QSvgRenderer& renderer, const QSize& size) {
  const QSize fit = Fitted(renderer.defaultSize(), size);
  if (fit.isEmpty()) return {};
  QImage image(fit, QImage::Format_ARGB32_Premultiplied);
  image.fill(0);
  QPainter painter(&image);
  renderer.render(&painter);
  return image;
}

// One file drawn to fit size; null when the file is not a picture.
QImage DrawSvg(const QString& file, const QSize& size) {
  QSvgRenderer renderer(file);
  return renderer.isValid() ? DrawFitted(renderer, size) : QImage();
}

using TSizeKey = std::pair<int, int>;

// What the copies of one icon share: the file, the drawing done ahead, and
// the pixmaps made so far.
struct TPictureData {
  QString File;
  std::function<const QImage*(const QSize&)> Ahead;
  std::map<TSizeKey, QPixmap> Made;  // on the user-interface thread, as pixmaps are
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

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    painter->drawPixmap(rect,
                        pixmap(rect.size() * painter->device()->devicePixelRatio(), mode, state));
  }

  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return pixmap(size, mode, state).size();
  }

  QIconEngine* clone() const override { return new TPictureEngine(FData); }

 private:
  QPixmap Normal(const QSize& size) {
    const TSizeKey key(size.width(), size.height());
    const auto made = FData->Made.find(key);
    if (made != FData->Made.end()) return made->second;
    const QImage* ahead = FData->Ahead(size);
    QPixmap picture = QPixmap::fromImage(ahead != nullptr ? *ahead : DrawSvg(FData->File, size));
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
        for (qsizetype i = 0; i < files.size(); ++i) {
          TDrawnFile& file = drawn[static_cast<std::size_t>(i)];
          QSvgRenderer renderer(files[i]);
          if (!renderer.isValid()) continue;
          file.Default = renderer.defaultSize();
          // Read once, drawn at every size.
          for (const QSize& size : pixels) {
            QImage image = DrawFitted(renderer, size);
            if (!image.isNull())
              file.Images.emplace(TSizeKey(image.width(), image.height()), std::move(image));
          }
        }
        return drawn;
      }).share());
}

// The drawing is waited for, not left running on a window that is gone.
TPictures::~TPictures() { FDrawn->wait(); }

QIcon TPictures::Icon(int index) const {
  auto data = std::make_shared<TPictureData>();
  data->File = FFiles.at(index);
  // The icon may outlive this set; it keeps the drawing alive. A picture is
  // asked for by the room it has: the image drawn to fit it is the one.
  data->Ahead = [drawn = FDrawn, index](const QSize& room) -> const QImage* {
    const TDrawnFile& file = drawn->get()[static_cast<std::size_t>(index)];
    const QSize fit = Fitted(file.Default, room);
    if (fit.isEmpty()) return nullptr;
    const auto image = file.Images.find(TSizeKey(fit.width(), fit.height()));
    return image != file.Images.end() ? &image->second : nullptr;
  };
  return QIcon(new TPictureEngine(std::move(data)));
}

}  // namespace tessary
