// The level display through the real window and a real ALSA device (the file plugin).
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "fakes/FixedDateClock.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/PeakMeterPanel.h"
#include "recorder/modWaveIn.h"
#include "support/AlsaTestDevice.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestApp.h"
#include "support/TestSignal.h"

namespace {

/// Columns from the left edge of the meter's inner area that show the bar picture in a row.
int barLength(const QImage& image, int y)
{
    int x = 0;
    while (x < image.width()) {
        const QColor c = image.pixelColor(x, y);
        // The bar runs green to yellow to red (its red keeps some green); the background is
        // dark grey, the markers pure red.
        const bool background = c == QColor(64, 64, 64);
        const bool bar = !background && c.green() >= 25;
        if (!bar) {
            break;
        }
        ++x;
    }
    return x;
}

TEST(MeterEndToEnd, TickingTheBoxShowsTheLiveLevelOfBothChannels)
{
    QTemporaryDir dir;
    AlsaTestDevice::ensureConfigured();
    // 1 kHz on both channels: one period fits the meter's 1 ms window.
    // Left at 0.3 of full scale: 20 ln(0.3) = -24.1 -> round(75.9 * 188) / 90 = 158 pixels.
    // Right at 0.02: 20 ln(0.02) = -78.2 -> round(21.8 * 188) / 90 = 45 pixels.
    AlsaTestDevice::setSignal(TestSignal::stereoSine(120, 1000, 1000, 0.3, 0.02));
    TestApp::init(dir.path());
    MessageBoxCatcher boxes;
    FixedDateClock clock;
    Program program(std::make_unique<AlsaCaptureBackend>(), clock);

    auto* box = program.form().findChild<QCheckBox*>("chkMonitoring");
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(program.waveIn().MonitorActive());

    PeakMeterPanel* meter = &program.form().meterPanel();
    QTRY_VERIFY_WITH_TIMEOUT(meter->picPeakLeft()->width() > 100, 60000);

    const QImage image = meter->picPeakClient()->grab().toImage();
    const int leftRow = meter->picPeakLeft()->y() + meter->picPeakLeft()->height() / 2;
    const int rightRow = meter->picPeakRight()->y() + meter->picPeakRight()->height() / 2;
    EXPECT_NEAR(barLength(image, leftRow), 158, 3);
    EXPECT_NEAR(barLength(image, rightRow), 45, 3);
    EXPECT_NEAR(meter->picHiPeakL()->x(), 158, 3);
    EXPECT_NEAR(meter->picHiPeakR()->x(), 45, 3);
    EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST(MeterEndToEnd, ADeviceThatCannotBeOpenedShowsAlsasTextAndTheWindowStaysUsable)
{
    QTemporaryDir dir;
    AlsaTestDevice::ensureConfigured();
    TestApp::init(dir.path());
    MessageBoxCatcher boxes;
    FixedDateClock clock;
    Program program(std::make_unique<AlsaCaptureBackend>(QStringLiteral("hw:99")), clock);

    auto* box = program.form().findChild<QCheckBox*>("chkMonitoring");
    QTest::mouseClick(box, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts.size(), 1, 30000);
    EXPECT_EQ(boxes.captions.value(0), "Quernbell Audio Recorder");
    EXPECT_EQ(boxes.icons.value(0), QMessageBox::Critical);
    EXPECT_FALSE(boxes.texts.value(0).trimmed().isEmpty());
    EXPECT_FALSE(program.waveIn().MonitorActive());

    // Still usable: the next tick of the box tries again and reports again.
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts.size(), 2, 30000);
    EXPECT_TRUE(program.form().isVisible());
}

} // namespace
