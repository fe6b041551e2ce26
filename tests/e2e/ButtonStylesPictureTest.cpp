// Draws the eight button styles in their looks side by side, as the README shows them.
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "controls/ButtonPainter.h"

namespace {

/// The picture at a device pixel ratio: buttons drawn as a screen of that ratio shows them.
QImage stylesPicture(qreal ratio)
{
    const QSize size(96, 34);
    const int left = 110, step = size.width() + 8, rowStep = size.height() + 8;
    const QRgb background = qRgb(240, 240, 240);
    const char* rows[] = {"oben", "Zeiger darüber", "gedrückt", "mit Fokus", "gesperrt"};
    const QSize logical(left + 8 * step, 5 * rowStep + 8);
    QImage picture(logical * ratio, QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    picture.fill(background);
    QPainter painter(&picture);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    painter.setFont(ButtonPainter::CaptionFont(font));
    ButtonPainter button;
    button.setPalette(ButtonPainter::BuildPalette(2, qRgb(224, 223, 227), 0, qRgb(0, 0, 192), QPalette(), 0, 0));
    for (int r = 0; r < 5; ++r) {
        const int y = 8 + r * rowStep;
        painter.drawText(QRect(8, y, left, size.height()), Qt::AlignVCenter, QString::fromUtf8(rows[r]));
        for (int type = 1; type <= 8; ++type) {
            ButtonPainter::Look look{type, QStringLiteral("Stil %1").arg(type), font};
            look.isOver = r == 1;
            look.hasFocus = look.showFocusRect = r == 3;
            look.enabled = r != 4;
            look.size = size;
            button.LayoutCaption(look.caption, font, size);
            QImage face(size * ratio, QImage::Format_RGB32);
            face.setDevicePixelRatio(ratio);
            button.PaintButton(face, r == 2 ? ButtonPainter::StateDown : ButtonPainter::StateUp, look);
            // Corners cut off by the window shape show what lies behind the button.
            const int x = left + (type - 1) * step;
            painter.save();
            painter.setClipRegion(ButtonPainter::BuildRegion(type, size).translated(x, y));
            painter.drawImage(x, y, face);
            painter.restore();
        }
    }
    painter.end();

    EXPECT_EQ(picture.pixel(QPoint(left + 2 * step, 8) * ratio), background) << "style 3 has rounded corners";
    EXPECT_NE(picture.pixel(QPoint(left + step, 8) * ratio), background) << "style 2 has square ones";
    return picture;
}

} // namespace

TEST(ButtonStylesPicture, EightStylesInEveryLook)
{
    const QString target = qEnvironmentVariable("QB_STYLES_PICTURE_PATH", QStringLiteral("button-styles.png"));
    EXPECT_TRUE(stylesPicture(1.0).save(target)) << target.toStdString();
    // The same at twice the resolution, beside it: "button-styles@2x.png".
    QString doubled = target;
    doubled.insert(doubled.endsWith(QLatin1String(".png")) ? doubled.size() - 4 : doubled.size(),
                   QStringLiteral("@2x"));
    EXPECT_TRUE(stylesPicture(2.0).save(doubled)) << doubled.toStdString();
}
