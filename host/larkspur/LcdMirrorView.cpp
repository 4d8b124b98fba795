// The mirror painted through the engine window's WM_PAINT, onto a picture of the view's size.
#include "host/larkspur/LcdMirrorView.h"

#include <QImage>
#include <QPainter>

#include "host/common/LcdMirrorPng.h"
#include "platform/loop/Window.h"
#include "platform/paint/PaintSurface.h"

namespace {

constexpr int kRefreshMs = 200;

class ImageSurface final : public platform::PaintSurface {
  public:
    explicit ImageSurface(QImage& image) : image_(image) {}
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void SetPixel(int x, int y, platform::Rgb colour) override {
        if (x >= 0 && y >= 0 && x < image_.width() && y < image_.height()) {
            image_.setPixel(x, y, qRgb(colour.red, colour.green, colour.blue));
        }
    }

  private:
    QImage& image_;
};

}  // namespace

LcdMirrorView::LcdMirrorView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kLcdMirrorWidth, kLcdMirrorHeight);
    connect(&refresh_, &QTimer::timeout, this, [this] { update(); });
}

QImage LcdMirrorView::Picture() const {
    QImage picture(kLcdMirrorWidth, kLcdMirrorHeight, QImage::Format_RGB32);
    const platform::Rgb face = platform::kButtonFace;
    picture.fill(qRgb(face.red, face.green, face.blue));
    if (engine_ != platform::kNoWindow) {
        ImageSurface surface(picture);
        platform::PaintSurface* painted = &surface;
        platform::SendMessage(engine_, platform::WM_PAINT, 0,
                              reinterpret_cast<platform::LPARAM>(painted));
    }
    return picture;
}

void LcdMirrorView::paintEvent(QPaintEvent* /*event*/) {
    QPainter(this).drawImage(0, 0, Picture());
}

void LcdMirrorView::showEvent(QShowEvent* /*event*/) {
    refresh_.start(kRefreshMs);
}

void LcdMirrorView::hideEvent(QHideEvent* /*event*/) {
    refresh_.stop();
}
