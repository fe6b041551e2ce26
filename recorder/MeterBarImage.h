#pragma once

#include <QColor>
#include <QImage>

/// The picture behind the meter's bars: a horizontal green-yellow-red gradient.
namespace MeterBarImage {

constexpr int Width = 188;
constexpr int Height = 27;
/// Column that is pure yellow; green before it, red after it.
constexpr int YellowColumn = Width / 2;

QColor Green();
QColor Yellow();
QColor Red();

/// A Width x Height image, green in column 0, yellow at YellowColumn, red in the last column.
QImage Create();

} // namespace MeterBarImage
