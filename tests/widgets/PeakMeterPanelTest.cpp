#include <QColor>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

#include "recorder/MeterBarImage.h"
#include "recorder/PeakMeterPanel.h"

namespace {

const QColor Background(64, 64, 64);
const QColor Marker(255, 0, 0);
const QColor Green(19, 190, 47);

constexpr int LeftRow = 8;   // middle of the left bar, inner coordinates
constexpr int RightRow = 32; // middle of the right bar

class PeakMeterPanelTest : public ::testing::Test
{
protected:
    PeakMeterPanelTest() : m_panel(&m_window) { m_window.resize(520, 300); }

    // The first column from the left in a row that shows the background.
    int FirstBackground(const QImage& image, int row)
    {
        const QPoint origin = m_panel.picPeakClient()->pos();
        for (int x = 0; x < m_panel.ScaleWidth(); ++x) {
            if (image.pixelColor(origin.x() + x, origin.y() + row) == Background) {
                return x;
            }
        }
        return m_panel.ScaleWidth();
    }

    QColor At(const QImage& image, int x, int row)
    {
        const QPoint origin = m_panel.picPeakClient()->pos();
        return image.pixelColor(origin.x() + x, origin.y() + row);
    }

    QWidget m_window;
    PeakMeterPanel m_panel;
};

} // namespace

TEST_F(PeakMeterPanelTest, ControlsSitAtTheirDesignedPlaces)
{
    EXPECT_EQ(m_panel.picPeak()->geometry(), QRect(279, 44, 192, 46));
    EXPECT_EQ(m_panel.ScaleWidth(), 188);
    EXPECT_EQ(m_panel.lblLeft()->geometry(), QRect(239, 46, 37, 17));
    EXPECT_EQ(m_panel.lblRight()->geometry(), QRect(239, 71, 37, 17));
    EXPECT_EQ(m_panel.picDecibels()->geometry(), QRect(279, 93, 196, 27));
    EXPECT_EQ(m_panel.picPeakRight()->y(), 24);
    EXPECT_EQ(m_panel.picHiPeakR()->geometry(), QRect(0, 24, 2, 17));

    EXPECT_EQ(m_window.findChild<QWidget*>("picPeakLeft"), m_panel.picPeakLeft());
    EXPECT_EQ(m_window.findChild<QWidget*>("picHiPeakL"), m_panel.picHiPeakL());
    EXPECT_EQ(m_window.findChild<QWidget*>("lblRight"), m_panel.lblRight());
}

TEST_F(PeakMeterPanelTest, ScaleHasEightLabelsWithEtchedTicks)
{
    const char* captions[] = {"0", "-5", "-10", "-20", "-30", "-50", "-70", "-90"};
    const int labelLefts[] = {186, 171, 157, 138, 118, 77, 33, 0};
    const int ticks[] = {189, 177, 165, 145, 125, 84, 42, 3};
    QWidget* scale = m_panel.picDecibels();
    for (int i = 0; i < 8; ++i) {
        auto* label = scale->findChild<QLabel*>(QStringLiteral("lblDBScale%1").arg(i));
        ASSERT_NE(label, nullptr) << i;
        EXPECT_EQ(label->text(), captions[i]);
        EXPECT_EQ(label->x(), labelLefts[i]) << captions[i];
        EXPECT_GT(label->y(), 0);
        EXPECT_LE(label->geometry().bottom(), scale->height());

        auto* white = scale->findChild<QWidget*>(QStringLiteral("linWhite%1").arg(i + 3));
        auto* gray = scale->findChild<QWidget*>(QStringLiteral("linGray%1").arg(i + 3));
        ASSERT_NE(white, nullptr) << i;
        ASSERT_NE(gray, nullptr) << i;
        EXPECT_EQ(white->x(), ticks[i]) << captions[i];
        EXPECT_EQ(gray->x(), ticks[i] - 1) << captions[i];
        EXPECT_LE(white->geometry().bottom(), label->y()) << "tick runs into its label " << captions[i];
    }
}

TEST_F(PeakMeterPanelTest, DrawsBarsMarkersAndLabels)
{
    // Left -13.86 dB (179 px), right -69.79 dB (63 px).
    m_panel.SetPeakmeter(16384, 1000);
    const QImage image = m_panel.picPeak()->grab().toImage();

    EXPECT_EQ(At(image, 0, LeftRow), Green);
    EXPECT_EQ(At(image, 178, LeftRow), MeterBarImage::Create().pixelColor(178, LeftRow)) << "bar shows the picture";
    EXPECT_EQ(At(image, 179, LeftRow), Marker);
    EXPECT_EQ(At(image, 180, LeftRow), Marker);
    EXPECT_EQ(FirstBackground(image, LeftRow), 181);

    EXPECT_EQ(At(image, 0, RightRow), Green);
    EXPECT_NE(At(image, 62, RightRow), Background);
    EXPECT_EQ(At(image, 63, RightRow), Marker);
    EXPECT_EQ(At(image, 64, RightRow), Marker);
    EXPECT_EQ(FirstBackground(image, RightRow), 65);

    // Between and below the bars.
    EXPECT_EQ(At(image, 100, 20), Background);
    EXPECT_EQ(At(image, 10, 41), Background);

    EXPECT_FALSE(m_panel.lblLeft()->text().isEmpty());
    EXPECT_NE(m_panel.lblLeft()->text(), "...");
}

TEST_F(PeakMeterPanelTest, FullScaleBarIsClippedAtTheBorder)
{
    m_panel.SetPeakmeter(32767, 0);
    EXPECT_EQ(m_panel.picPeakLeft()->width(), 208);
    const QImage image = m_panel.picPeak()->grab().toImage();
    EXPECT_EQ(At(image, 187, LeftRow), QColor(224, 46, 44));
    // The border right of the inner area is not painted over.
    const QPoint origin = m_panel.picPeakClient()->pos();
    EXPECT_NE(image.pixelColor(origin.x() + 188, origin.y() + LeftRow), QColor(224, 46, 44));
    EXPECT_EQ(FirstBackground(image, RightRow), 2) << "only the right marker at 0";
    EXPECT_EQ(m_panel.lblLeft()->text(), "0");
}

TEST_F(PeakMeterPanelTest, MarkersHoldAfterTheBarsFall)
{
    m_panel.SetPeakmeter(16384, 16384);
    m_panel.SetPeakmeter(1000, 1000);
    const QImage image = m_panel.picPeak()->grab().toImage();
    EXPECT_EQ(FirstBackground(image, LeftRow), 63);
    EXPECT_EQ(At(image, 179, LeftRow), Marker);
    EXPECT_EQ(At(image, 179, RightRow), Marker);
}

TEST_F(PeakMeterPanelTest, ResetClearsBarsAndMarkers)
{
    m_panel.SetPeakmeter(16384, 16384);
    m_panel.ResetMeter();

    EXPECT_EQ(m_panel.meter().HoldLeft(), 0);
    EXPECT_EQ(m_panel.meter().HoldRight(), 0);
    EXPECT_EQ(m_panel.picHiPeakL()->x(), 0);
    EXPECT_EQ(m_panel.picHiPeakR()->x(), 0);
    EXPECT_EQ(m_panel.lblLeft()->text(), "...");
    EXPECT_EQ(m_panel.lblRight()->text(), "...");

    const QImage image = m_panel.picPeak()->grab().toImage();
    // Only the markers remain, at the left edge.
    EXPECT_EQ(At(image, 0, LeftRow), Marker);
    EXPECT_EQ(At(image, 1, RightRow), Marker);
    EXPECT_EQ(FirstBackground(image, LeftRow), 2);
    EXPECT_EQ(FirstBackground(image, RightRow), 2);
    EXPECT_EQ(At(image, 179, LeftRow), Background);
}
