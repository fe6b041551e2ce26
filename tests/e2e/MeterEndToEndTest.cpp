// The level display through the real window and a real ALSA device (the file plugin).
#include <QCheckBox>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

#include "app/frmMain.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/PeakMeterPanel.h"
#include "recorder/modWaveIn.h"
#include "support/AlsaTestDevice.h"
#include "support/ProgramTest.h"
#include "support/TestSignal.h"

namespace {

/// Columns from the left edge of the meter's inner area that show the bar picture in a row.
int barLength(const QImage& image, int y)
{
    // The bar runs green to yellow to red (its red keeps some green); the background is
    // dark grey, the markers pure red.
    int x = 0;
    while (x < image.width() && image.pixelColor(x, y) != QColor(64, 64, 64) && image.pixelColor(x, y).green() >= 25) {
        ++x;
    }
    return x;
}

class MeterEndToEnd : public ProgramTest
{
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        AlsaTestDevice::ensureConfigured();
    }
};

TEST_F(MeterEndToEnd, TickingTheBoxShowsTheLiveLevelOfBothChannels)
{
    // 1 kHz on both channels: one period fits the meter's 1 ms window.
    // Left at 0.3 of full scale: 20 ln(0.3) = -24.1 -> round(75.9 * 188) / 90 = 158 pixels.
    // Right at 0.02: 20 ln(0.02) = -78.2 -> round(21.8 * 188) / 90 = 45 pixels.
    AlsaTestDevice::setSignal(TestSignal::stereoSine(120, 1000, 1000, 0.3, 0.02));
    start();
    click("chkMonitoring");
    ASSERT_TRUE(m_program->waveIn().MonitorActive());

    PeakMeterPanel& meter = form().meterPanel();
    ASSERT_TRUE(waitFor([&] { return meter.picPeakLeft()->width() > 100; }, 60000));
    const QImage image = meter.picPeakClient()->grab().toImage();
    const int leftRow = meter.picPeakLeft()->y() + meter.picPeakLeft()->height() / 2;
    const int rightRow = meter.picPeakRight()->y() + meter.picPeakRight()->height() / 2;
    EXPECT_NEAR(barLength(image, leftRow), 158, 3);
    EXPECT_NEAR(barLength(image, rightRow), 45, 3);
    EXPECT_NEAR(meter.picHiPeakL()->x(), 158, 3);
    EXPECT_NEAR(meter.picHiPeakR()->x(), 45, 3);
    EXPECT_TRUE(m_boxes.texts.isEmpty());
}

TEST_F(MeterEndToEnd, ADeviceThatCannotBeOpenedShowsAlsasTextAndTheWindowStaysUsable)
{
    start(std::make_unique<AlsaCaptureBackend>(QStringLiteral("hw:99")));
    click("chkMonitoring");
    ASSERT_TRUE(waitFor([&] { return m_boxes.texts.size() == 1; }, 30000));
    EXPECT_EQ(m_boxes.captions.value(0), "Quernbell Audio Recorder");
    EXPECT_EQ(m_boxes.icons.value(0), QMessageBox::Critical);
    EXPECT_FALSE(m_boxes.texts.value(0).trimmed().isEmpty());
    EXPECT_FALSE(m_program->waveIn().MonitorActive());
    EXPECT_FALSE(form().findChild<QCheckBox*>("chkMonitoring")->isChecked()) << "the box shows it is not running";

    // Still usable: the next tick of the box tries again and reports again.
    click("chkMonitoring");
    ASSERT_TRUE(waitFor([&] { return m_boxes.texts.size() == 2; }, 30000));
    EXPECT_TRUE(form().isVisible());
}

} // namespace
