#include "recorder/MeterBarImage.h"

#include <cmath>

namespace MeterBarImage {

namespace {

int Mix(int from, int to, double t)
{
    return static_cast<int>(std::lround(from + (to - from) * t));
}

QRgb Blend(const QColor& from, const QColor& to, double t)
{
    return qRgb(Mix(from.red(), to.red(), t), Mix(from.green(), to.green(), t), Mix(from.blue(), to.blue(), t));
}

} // namespace

QColor Green()
{
    return QColor(19, 190, 47);
}

QColor Yellow()
{
    return QColor(223, 208, 25);
}

QColor Red()
{
    return QColor(224, 46, 44);
}

QImage Create()
{
    QImage image(Width, Height, QImage::Format_RGB32);
    for (int x = 0; x < Width; ++x) {
        const QRgb colour =
            x <= YellowColumn
                ? Blend(Green(), Yellow(), static_cast<double>(x) / YellowColumn)
                : Blend(Yellow(), Red(), static_cast<double>(x - YellowColumn) / (Width - 1 - YellowColumn));
        for (int y = 0; y < Height; ++y) {
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

} // namespace MeterBarImage
