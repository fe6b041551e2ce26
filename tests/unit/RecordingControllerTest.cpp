#include "recorder/RecordingController.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeRecordingOutput.h"
#include "fakes/SignalSourceBackend.h"
#include "recorder/RecordingView.h"
#include "recorder/modWaveIn.h"
#include "support/TestApp.h"

namespace {

class FakeView : public RecordingView
{
public:
    void showState(const QString& text, const QColor& color, bool bold) override
    {
        state = text;
        stateColor = color;
        stateBold = bold;
    }
    QString stateCaption() const override { return state; }
    void setStateCaption(const QString& text) override { state = text; }
    void setSettingsControlsEnabled(bool enabled) override { settingsEnabled = enabled; }
    void setTimeText(const QString& text) override { time = text; }
    void setBytesText(const QString& text) override { bytes = text; }
    void setDroppedText(const QString& text) override { dropped = text; }
    bool isShownNormally() const override { return shown; }
    int selectedBitrateIndex() const override { return bitrateIndex; }
    bool monitoringTicked() const override { return monitoring; }
    void setMonitoringTicked(bool ticked) override { monitoring = ticked; }
    void parkFocus() override {}
    void setPeakmeter(double left, double right) override
    {
        ++meterDraws;
        lastLeft = left;
        lastRight = right;
    }
    void resetPeakHolds() override { ++holdResets; }
    void processPendingEvents() override { QCoreApplication::processEvents(); }
    void recordingFinished() override
    {
        ++finished;
        finishedFile = App().RecordFilePath;
    }
    bool settingsOpen() const override { return false; }
    void collapseLowerPanel() override { ++collapsed; }
    void setTicking(int intervalMs) override { tickMs = intervalMs; }

    /// The status caption with its colour, and "bold" when it is.
    QString status() const { return state + u' ' + stateColor.name() + (stateBold ? " bold" : ""); }

    QString state;
    QColor stateColor;
    bool stateBold = false;
    bool settingsEnabled = true;
    QString time = QStringLiteral("00:00:00");
    QString bytes;
    QString dropped;
    bool shown = true;
    int bitrateIndex = 5;
    bool monitoring = false;
    int meterDraws = 0;
    double lastLeft = -1;
    double lastRight = -1;
    int holdResets = 0;
    int finished = 0;
    QString finishedFile;
    int collapsed = 0;
    int tickMs = 0;
};

class RecordingControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        TestApp::init(m_dir.path());
        App().SaveFolder = QStringLiteral("/aufnahmen/");
        m_waveIn.HookMainWindow(true);
    }

    void pump() { QCoreApplication::processEvents(); }

    /// Lets the device deliver some buffers and the window handle them, as in real time.
    void capture(int frames)
    {
        for (int done = 0; done < frames; done += 1024) {
            m_backend.produce(std::min(1024, frames - done));
            pump();
        }
    }

    QTemporaryDir m_dir;
    FakeView m_view;
    SignalSourceBackend m_backend;
    FakeRecordingOutput m_output;
    modWaveIn m_waveIn{m_backend, m_output};
    FakeClock m_clock;
    RecordingController m_controller{m_view, m_waveIn, m_output, m_clock};
};

TEST_F(RecordingControllerTest, RecordNamesTheFileFromTheClockAndStartsOneRecording)
{
    m_controller.CmdRecord();
    m_controller.CmdRecord();

    EXPECT_EQ(m_backend.openCalls(), 1);
    EXPECT_EQ(m_output.callCount("OpenOutputFile"), 1);
    EXPECT_EQ(m_output.fileName(), "/aufnahmen/Rec_(2026-12-07)_(23-59-01).mp3");
    EXPECT_EQ(App().RecordBaseName, "Rec_(2026-12-07)_(23-59-01)");
    EXPECT_EQ(App().SelectFileName, "Rec_(2026-12-07)_(23-59-01).mp3");
    EXPECT_EQ(m_output.CbrBitrate(), 128);
    EXPECT_TRUE(m_controller.SessionActive());
    EXPECT_TRUE(m_controller.Recording());
    EXPECT_FALSE(m_view.settingsEnabled);
    EXPECT_EQ(m_view.status(), App().TextRecording + " #ff0000 bold");
}

TEST_F(RecordingControllerTest, RecordWhilePausedResumesTheSameFile)
{
    m_controller.CmdRecord();
    capture(4410);
    m_controller.CmdPause();
    EXPECT_EQ(m_view.status(), App().TextPause + " #808000 bold");
    EXPECT_TRUE(m_waveIn.RecordingPaused());

    m_controller.CmdRecord();
    EXPECT_FALSE(m_waveIn.RecordingPaused());
    EXPECT_TRUE(m_controller.Recording());
    EXPECT_FALSE(m_controller.Paused());
    EXPECT_EQ(m_output.callCount("OpenOutputFile"), 1);
    EXPECT_EQ(m_backend.openCalls(), 1);
    EXPECT_EQ(m_view.stateColor, QColor(255, 0, 0));

    // Pause a second time, resume with Pause: the darker red of a resumed recording.
    m_controller.CmdPause();
    m_controller.CmdPause();
    EXPECT_EQ(m_view.status(), App().TextRecording + " #c00000 bold");
}

TEST_F(RecordingControllerTest, PauseThenStopFinishesAndNextRecordStartsUnpaused)
{
    m_controller.CmdRecord();
    capture(8820);
    m_controller.CmdPause();
    m_controller.CmdStop();

    EXPECT_EQ(m_output.callCount("FinishOutput"), 1);
    EXPECT_FALSE(m_waveIn.RecordingActive());
    EXPECT_FALSE(m_controller.SessionActive());
    EXPECT_FALSE(m_controller.Paused());
    EXPECT_EQ(m_view.status(), App().TextStandby + " #0000c0");
    EXPECT_TRUE(m_view.settingsEnabled);
    EXPECT_EQ(m_view.finished, 1);
    EXPECT_EQ(m_view.holdResets, 1);

    // No bitrate selected this time: -1 is passed on.
    m_view.bitrateIndex = -1;
    m_controller.CmdRecord();
    EXPECT_EQ(m_output.callCount("OpenOutputFile"), 2);
    EXPECT_FALSE(m_waveIn.RecordingPaused());
    EXPECT_TRUE(m_controller.Recording());
    EXPECT_EQ(m_output.CbrBitrate(), -1);
}

TEST_F(RecordingControllerTest, InputWhileStopFinishesTheRecordingStartsNoOtherBeforeItIsHandedOn)
{
    m_controller.CmdRecord();
    capture(4410);
    const QString first = App().RecordFilePath;
    m_clock.setNow(m_clock.now().addSecs(5));
    // A click that arrives while the encoder's tail is awaited runs in Stop's pending-events step.
    const auto queueClick = [this] { QTimer::singleShot(0, qApp, [this] { m_controller.CmdRecord(); }); };
    m_output.setOnFinishOutput(queueClick);
    m_controller.CmdStop();
    EXPECT_EQ(m_view.finished, 1);
    EXPECT_EQ(m_view.finishedFile, first);
    EXPECT_EQ(m_output.callCount("OpenOutputFile"), 1);
    EXPECT_FALSE(m_waveIn.RecordingActive());
    m_output.setOnFinishOutput(nullptr);
    m_controller.CmdRecord();
    EXPECT_EQ(m_output.callCount("OpenOutputFile"), 2) << "once the names are handed on";
}

TEST_F(RecordingControllerTest, EncoderThatDoesNotStartEndsTheRecordingAndStopThenDoesNothing)
{
    m_output.setStartEncoderResult(false);
    m_controller.CmdRecord();
    EXPECT_FALSE(m_waveIn.RecordingActive());
    EXPECT_EQ(m_output.callCount("DiscardRecordingFile"), 1);

    // Noticed by the timer only while the window is shown.
    m_view.shown = false;
    m_controller.Tick();
    EXPECT_TRUE(m_controller.Recording());
    m_view.shown = true;
    m_controller.Tick();
    EXPECT_FALSE(m_controller.Recording());
    EXPECT_FALSE(m_controller.SessionActive()) << "Prev, Next and Play work again";
    EXPECT_EQ(m_view.state, App().TextStandby);

    m_controller.CmdStop();
    EXPECT_EQ(m_view.finished, 0);
    EXPECT_EQ(m_output.callCount("FinishOutput"), 1);

    // A new Record starts a new recording.
    m_output.setStartEncoderResult(true);
    m_controller.CmdRecord();
    EXPECT_TRUE(m_controller.Recording());
    EXPECT_EQ(m_output.callCount("OpenOutputFile"), 2);

    // Record right after the encoder died, before any tick, starts the next recording.
    m_output.fireEnded(QStringLiteral("Encoder beendet"));
    m_controller.CmdRecord();
    EXPECT_TRUE(m_waveIn.RecordingActive());
    EXPECT_EQ(m_output.callCount("OpenOutputFile"), 3);
}

TEST_F(RecordingControllerTest, TimerShowsTimeBytesAndBlinksTheRecordingText)
{
    m_controller.CmdRecord();
    m_output.setBytesWritten(1048576);
    capture(44100 * 2);
    m_clock.advance(0.6);
    m_controller.Tick();
    EXPECT_EQ(m_view.time, "00:00:02");
    EXPECT_EQ(m_view.bytes, "1048576 bytes");
    EXPECT_EQ(m_view.state, QString());

    m_controller.Tick();
    EXPECT_EQ(m_view.state, QString()) << "no blink before half a second has passed";
    m_clock.advance(0.5);
    m_controller.Tick();
    EXPECT_EQ(m_view.state, App().TextRecording);
    EXPECT_EQ(m_view.stateColor, QColor(255, 0, 0)) << "the blink changes the caption only";
    // Half-second ticks that come a little early or late keep the rhythm.
    for (const double step : {0.499, 0.502, 0.498}) {
        const QString before = m_view.state;
        m_clock.advance(step);
        m_controller.Tick();
        EXPECT_NE(m_view.state, before) << "after " << step << " s";
    }

    // Hidden or minimized: nothing is updated.
    m_view.shown = false;
    m_output.setBytesWritten(5);
    m_controller.Tick();
    EXPECT_EQ(m_view.bytes, "1048576 bytes");
}

TEST_F(RecordingControllerTest, DroppedAudioIsShownOnALineOfItsOwn)
{
    m_controller.CmdRecord();
    m_output.setBytesWritten(2048);
    m_controller.Tick();
    EXPECT_EQ(m_view.bytes, "2048 bytes");
    EXPECT_EQ(m_view.dropped, "");
    m_output.CountLostCapture(176400 * 3 / 2);
    m_controller.Tick();
    EXPECT_EQ(m_view.bytes, "2048 bytes");
    EXPECT_EQ(m_view.dropped, "(1.5 s verworfen)");
}

TEST_F(RecordingControllerTest, LevelSwitchOpensTheMonitorOnceThenPausesAndResumes)
{
    m_view.monitoring = true;
    m_controller.chkMonitoring_Click();
    EXPECT_TRUE(m_waveIn.MonitorActive());
    EXPECT_TRUE(m_controller.MeterOn());
    const int opens = m_backend.openCalls();

    m_view.monitoring = false;
    m_controller.chkMonitoring_Click();
    EXPECT_TRUE(m_waveIn.MonitorPaused());
    EXPECT_FALSE(m_controller.MeterOn());

    m_view.monitoring = true;
    m_controller.chkMonitoring_Click();
    EXPECT_FALSE(m_waveIn.MonitorPaused());
    EXPECT_EQ(m_backend.openCalls(), opens);
}

TEST_F(RecordingControllerTest, MeterIsRedrawnAtMostEveryFiftiethOfASecondWithTheMonitorPeaks)
{
    m_backend.setGenerator(SignalSourceBackend::constantFrame({16384, -8192}));
    m_view.monitoring = true;
    m_controller.chkMonitoring_Click();
    capture(2048 * 3);

    m_clock.advance(1.0);
    for (int i = 0; i < 10; ++i) {
        m_controller.Tick();
        m_clock.advance(0.01);
    }
    EXPECT_EQ(m_view.meterDraws, 2);
    EXPECT_EQ(m_view.lastLeft, 16384);
    EXPECT_EQ(m_view.lastRight, 8192);

    m_controller.CmdReset_Click();
    EXPECT_EQ(m_view.lastLeft, 0);
    EXPECT_EQ(m_view.holdResets, 1);
    EXPECT_TRUE(m_controller.MeterOn());
}

TEST(FormatTime, HoursMinutesSecondsWithTwoDigitsAndLongHoursInFull)
{
    EXPECT_EQ(RecordingController::FormatTime(0, false), "00:00:00");
    EXPECT_EQ(RecordingController::FormatTime(3725, false), "01:02:05");
    EXPECT_EQ(RecordingController::FormatTime(3725999, true), "01:02:05");
    EXPECT_EQ(RecordingController::FormatTime(359999, false), "99:59:59");
    EXPECT_EQ(RecordingController::FormatTime(360000 + 61, false), "100:01:01");
    // Beyond 32 bits of seconds the display still counts on.
    EXPECT_EQ(RecordingController::FormatTime(qint64(5000000000), false), "1388888:53:20");
}

TEST_F(RecordingControllerTest, ParseFileReplacesOnlyTheLowerCasePlaceholders)
{
    m_clock.setNow(QDateTime(QDate(2026, 3, 4), QTime(9, 5, 3)));
    EXPECT_EQ(m_controller.ParseFile("Rec_(%date%)_(%time%)"), "Rec_(2026-03-04)_(09-05-03)");
    EXPECT_EQ(m_controller.ParseFile("%time%%time%"), "09-05-0309-05-03");
    EXPECT_EQ(m_controller.ParseFile("Aufnahme"), "Aufnahme");
    EXPECT_EQ(m_controller.ParseFile("%DATE%_%Time%"), "%DATE%_%Time%");
}

} // namespace
