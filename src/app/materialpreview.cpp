#include "app/materialpreview.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace orv {

QImage CelImage(const MaterialImage& image, int cel)
{
    if (image.width <= 0 || image.height <= 0 || cel < 0 || cel >= image.celCount)
        return {};
    const std::size_t celBytes = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (image.TrueColor()) {
        // A 16-bit material's own colours; its alpha shows the background through.
        if (image.rgba.size() < celBytes * 4 * static_cast<std::size_t>(cel + 1))
            return {};
        QImage out(image.width, image.height, QImage::Format_RGBA8888);
        const uint8_t* src = image.RgbaCel(cel);
        for (int y = 0; y < image.height; ++y)
            std::memcpy(out.scanLine(y), src + static_cast<std::size_t>(y) * image.width * 4,
                        static_cast<std::size_t>(image.width) * 4);
        return out;
    }
    if (image.pixels.size() < celBytes * static_cast<std::size_t>(cel + 1))
        return {};
    QImage out(image.width, image.height, QImage::Format_Indexed8);
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i) {
        const auto rgb = image.Rgb(i);
        table[i] = qRgb(rgb[0], rgb[1], rgb[2]);
    }
    out.setColorTable(table);
    const uint8_t* src = image.Cel(cel);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(out.scanLine(y), src + static_cast<std::size_t>(y) * image.width,
                    static_cast<std::size_t>(image.width));
    return out;
}

QColor ColorFromSetting(uint32_t bbggrr)
{
    return QColor(static_cast<int>(bbggrr & 0xFF), static_cast<int>((bbggrr >> 8) & 0xFF),
                  static_cast<int>((bbggrr >> 16) & 0xFF));
}

CMaterialPreview::CMaterialPreview(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Sunken | QFrame::Panel);
    setLineWidth(1);
}

void CMaterialPreview::SetImage(const QImage& image)
{
    image_ = image;
    update();
}

void CMaterialPreview::SetBackground(uint32_t bbggrr)
{
    background_ = ColorFromSetting(bbggrr);
    update();
}

void CMaterialPreview::SetSquare(bool on)
{
    square_ = on;
    PlaceFrame();
    update();
}

void CMaterialPreview::PlaceFrame()
{
    QRect r = rect();
    if (square_) {
        const int side = std::min(r.width(), r.height());
        r = QRect(r.left() + (r.width() - side) / 2, r.top() + (r.height() - side) / 2, side, side);
    }
    setFrameRect(r);
}

void CMaterialPreview::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    PlaceFrame();
}

void CMaterialPreview::paintEvent(QPaintEvent* e)
{
    QFrame::paintEvent(e);
    QPainter p(this);
    const QRect r = contentsRect();
    p.fillRect(r, background_);
    if (!image_.isNull())
        p.drawImage(r, image_);
}

}  // namespace orv
