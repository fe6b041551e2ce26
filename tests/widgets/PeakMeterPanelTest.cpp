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

    QImage grab() const { return m_panel.picPeak()->grab().toImage(); }

    QColor At(const QImage& image, int x, int row) const
    {
        const QPoint origin = m_panel.picPeakClient()->pos();
        return image.pixelColor(origin.x() + x, origin.y() + row);
    }

    /// One row of the inner area as runs of "bar", "marker" and "background", e.g. "bar 179, marker 2, background 7".
    QString row(const QImage& image, int row) const
    {
        const QImage picture = MeterBarImage::Create();
        QStringList runs;
        QString last;
        int length = 0;
        for (int x = 0; x <= m_panel.ScaleWidth(); ++x) {
            QString kind;
            if (x < m_panel.ScaleWidth()) {
                const QColor c = At(image, x, row);
                kind = c == Background                 ? "background"
                       : c == Marker                   ? "marker"
                       : c == picture.pixelColor(x, 0) ? "bar"
                                                       : c.name();
            }
            if (kind != last && length > 0) {
                runs << QStringLiteral("%1 %2").arg(last).arg(length);
                length = 0;
            }
            last = kind;
            ++length;
        }
        return runs.join(QStringLiteral(", "));
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

TEST_F(PeakMeterPanelTest, BarsShowThePictureUpToTheirLevelWithTheMarkersBehind)
{
    // Left -13.86 dB (179 px), right -69.79 dB (63 px).
    m_panel.SetPeakmeter(16384, 1000);
    QImage image = grab();
    EXPECT_EQ(At(image, 0, LeftRow), Green);
    EXPECT_EQ(row(image, LeftRow), "bar 179, marker 2, background 7");
    EXPECT_EQ(row(image, RightRow), "bar 63, marker 2, background 123");
    EXPECT_EQ(row(image, 20), "background 188") << "between the bars";
    EXPECT_EQ(row(image, 41), "background 188") << "below the bars";
    EXPECT_FALSE(m_panel.lblLeft()->text().isEmpty());
    EXPECT_NE(m_panel.lblLeft()->text(), "...");

    // Quieter: the bars fall back, the markers hold.
    m_panel.SetPeakmeter(16384, 16384);
    m_panel.SetPeakmeter(1000, 1000);
    image = grab();
    EXPECT_EQ(row(image, LeftRow), "bar 63, background 116, marker 2, background 7");
    EXPECT_EQ(row(image, RightRow), "bar 63, background 116, marker 2, background 7");

    // Reset: only the markers remain, at the left edge.
    m_panel.ResetMeter();
    EXPECT_EQ(m_panel.meter().HoldLeft() + m_panel.meter().HoldRight(), 0);
    EXPECT_EQ(m_panel.picHiPeakL()->x() + m_panel.picHiPeakR()->x(), 0);
    EXPECT_EQ(m_panel.lblLeft()->text() + m_panel.lblRight()->text(), "......");
    image = grab();
    EXPECT_EQ(row(image, LeftRow), "marker 2, background 186");
    EXPECT_EQ(row(image, RightRow), "marker 2, background 186");
}

TEST_F(PeakMeterPanelTest, FullScaleBarIsClippedAtTheBorder)
{
    m_panel.SetPeakmeter(32767, 0);
    EXPECT_EQ(m_panel.picPeakLeft()->width(), 208);
    const QImage image = grab();
    EXPECT_EQ(row(image, LeftRow), "bar 188");
    EXPECT_EQ(At(image, 187, LeftRow), QColor(224, 46, 44));
    EXPECT_NE(At(image, 188, LeftRow), QColor(224, 46, 44)) << "the border right of the inner area is not painted over";
    EXPECT_EQ(row(image, RightRow), "marker 2, background 186") << "only the right marker at 0";
    EXPECT_EQ(m_panel.lblLeft()->text(), "0");
}
