// The picture of a material: its first cel stretched over a frame filled with the
// background colour, as the Materials dialog and the File Manager show it.
#pragma once

#include <QFrame>
#include <QImage>
#include <cstdint>

#include "resources/material.h"

namespace orv {

// A cel of the image as an 8-bit indexed picture with the image's palette, first row
// at the top.
QImage CelImage(const MaterialImage& image, int cel = 0);

// A stored 0x00BBGGRR colour.
QColor ColorFromSetting(uint32_t bbggrr);

class CMaterialPreview : public QFrame {
    Q_OBJECT
public:
    explicit CMaterialPreview(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    void ClearImage() { SetImage(QImage()); }
    const QImage& Image() const { return image_; }
    void SetBackground(uint32_t bbggrr);
    // The frame as the largest square centred in the widget, so that square textures
    // (most of the game's) are not distorted when the dialog is resized.
    void SetSquare(bool on);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlaceFrame();

    QImage image_;
    bool square_ = false;
    QColor background_{192, 192, 192};
};

}  // namespace orv
