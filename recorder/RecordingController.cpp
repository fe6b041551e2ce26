#include "recorder/RecordingController.h"

#include <algorithm>

#include <QColor>
#include <QLocale>

#include "app/AppGlobals.h"
#include "app/Commands.h"
#include "platform/Clock.h"
#include "recorder/RecordingOutput.h"
#include "recorder/RecordingView.h"
#include "recorder/modWaveIn.h"

namespace {
const QColor kStandbyColor(0, 0, 192);
const QColor kRecordingColor(255, 0, 0);
const QColor kResumedColor(192, 0, 0);
const QColor kPauseColor(128, 128, 0);
const QColor kPlayColor(0, 128, 0);

constexpr double kMeterInterval = 0.05;

/// One tick after a handler, whatever it did: it shows the new state, then the timer stops
/// unless something still changes.
class TickAfter
{
public:
    TickAfter(RecordingView& view, const RecordingController& controller) : m_view(view), m_controller(controller) {}
    ~TickAfter()
    {
        const int interval = m_controller.TickInterval();
        m_view.setTicking(interval > 0 ? interval : RecordingController::MeterTickMs);
    }
    TickAfter(const TickAfter&) = delete;
    TickAfter& operator=(const TickAfter&) = delete;

private:
    RecordingView& m_view;
    const RecordingController& m_controller;
};
constexpr double kBlinkInterval = 0.5;
constexpr double kTickTolerance = 0.02;

QString twoDigits(qint64 value)
{
    // "0#": at least two digits, larger values in full.
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}
} // namespace

RecordingController::RecordingController(RecordingView& view, modWaveIn& waveIn, RecordingOutput& output,
                                         const Clock& clock)
    : m_view(view), m_waveIn(waveIn), m_output(output), m_clock(clock)
{
}

void RecordingController::EnableRecording()
{
    m_recording = true;
    m_view.setSettingsControlsEnabled(false);
    m_view.showState(App().TextRecording, kRecordingColor, true);
}

void RecordingController::DisableRecording()
{
    m_recording = false;
    m_view.setSettingsControlsEnabled(true);
    m_view.showState(App().TextStandby, kStandbyColor, false);
}

void RecordingController::CmdRecord()
{
    const TickAfter tick(m_view, *this);
    // The ticks are half a second apart: a button must not act on a recording already gone.
    noticeEndedRecording();
    if (m_recording || m_playing || m_finishing) {
        return;
    }
    if (m_paused && m_waveIn.RecordingActive()) {
        m_recording = true;
        m_view.showState(App().TextRecording, kRecordingColor, true);
        m_paused = false;
        m_waveIn.TogglePause();
        return;
    }

    m_output.setCbrBitrate(Commands::BitrateFromIndex(m_view.selectedBitrateIndex()));
    m_sessionActive = true;
    EnableRecording();

    AppGlobals& app = App();
    app.RecordBaseName = ParseFile(app.FileNameTemplate);
    app.RecordExtension = QStringLiteral(".mp3");
    app.RecordFilePath = app.SaveFolder + app.RecordBaseName + app.RecordExtension;
    app.SelectFileName = app.RecordBaseName + app.RecordExtension;

    m_waveIn.OpenRecording(2, 16, 44100, app.RecordFilePath);
}

void RecordingController::CmdPause()
{
    const TickAfter tick(m_view, *this);
    noticeEndedRecording();
    if (m_finishing) {
        return;
    }
    if (m_sessionActive) {
        m_recording = !m_recording;
        if (m_recording) {
            m_view.showState(App().TextRecording, kResumedColor, true);
            m_paused = false;
        } else {
            m_view.showState(App().TextPause, kPauseColor, true);
            m_paused = true;
        }
        m_waveIn.TogglePause();
    } else if (m_playing) {
        if (m_paused) {
            m_view.showState(App().TextPlay, kPlayColor, true);
            m_paused = false;
        } else {
            m_view.showState(App().TextPause, kPauseColor, true);
            m_paused = true;
        }
    }
}

void RecordingController::CmdStop()
{
    const TickAfter tick(m_view, *this);
    noticeEndedRecording();
    if (m_finishing || !(m_recording || m_playing || m_paused)) {
        return;
    }
    if (m_sessionActive) {
        // Input handled while the recording is finished (the encoder's tail may take a moment,
        // then pending events run) must not start another one before the names go to naming.
        m_finishing = true;
        DisableRecording();
        m_waveIn.HookMainWindow(false);
        m_waveIn.CloseRecording();
        m_waveIn.HookMainWindow(true);
        CmdReset_Click();
        m_sessionActive = false;
        m_paused = false;
        m_view.processPendingEvents();
        m_view.recordingFinished();
        m_finishing = false;
    }
    if (m_playing) {
        if (!m_view.settingsOpen()) {
            m_view.collapseLowerPanel();
        }
        m_view.showState(App().TextStandby, kStandbyColor, false);
        m_playing = false;
        // Stop ends in standby: a paused play display must not leave a pause for Record to resume.
        m_paused = false;
    }
}

void RecordingController::CmdReset_Click()
{
    const TickAfter tick(m_view, *this);
    m_waveIn.ResetMonitor();
    m_view.resetPeakHolds();
    m_view.setPeakmeter(0, 0);
    if (m_view.monitoringTicked()) {
        m_waveIn.ResumeMonitor();
        m_meterOn = true;
    }
}

void RecordingController::chkMonitoring_Click()
{
    const TickAfter tick(m_view, *this);
    m_view.parkFocus();
    if (m_view.monitoringTicked()) {
        if (!m_waveIn.MonitorOpened()) {
            m_waveIn.OpenMonitor();
        } else {
            m_waveIn.ResumeMonitor();
        }
        m_meterOn = true;
        noticeClosedMonitor();
    } else {
        m_waveIn.PauseMonitor();
        m_meterOn = false;
    }
}

void RecordingController::noticeClosedMonitor()
{
    if (m_meterOn && !m_waveIn.MonitorOpened()) {
        m_meterOn = false;
        m_view.setMonitoringTicked(false);
    }
}

int RecordingController::TickInterval() const
{
    if (m_meterOn && m_waveIn.MonitorActive()) {
        return MeterTickMs;
    }
    const bool session = m_recording || (m_sessionActive && m_paused) || m_waveIn.RecordingActive();
    return session ? SessionTickMs : 0;
}

void RecordingController::noticeEndedRecording()
{
    if (!m_waveIn.RecordingActive() && m_sessionActive && !m_finishing) {
        // Ended by itself: the encoder failed, the device went away or Record was refused,
        // paused or not. Prev, Next and Play work again.
        DisableRecording();
        m_recording = false;
        m_paused = false;
        m_sessionActive = false;
    }
}

void RecordingController::Tick()
{
    if (!m_view.isShownNormally()) {
        // Nothing is shown: showing the window again asks for ticks.
        m_view.setTicking(0);
        return;
    }
    noticeEndedRecording();
    noticeClosedMonitor();

    const double now = m_clock.monotonicSeconds();
    if (m_waveIn.MonitorActive() && m_meterOn) {
        double left = 0;
        double right = 0;
        if (m_waveIn.GetCurPeak(left, right, false) && now - m_lastMeterUpdate >= kMeterInterval) {
            m_view.setPeakmeter(left, right);
            m_lastMeterUpdate = now;
        }
    }

    if (m_recording) {
        // Every half second however the ticks fall: one that comes a little early still counts,
        // and the next is due half a second after this one was.
        if (now - m_lastBlink >= kBlinkInterval - kTickTolerance) {
            if (m_view.stateCaption() == App().TextRecording) {
                m_view.setStateCaption(QString());
            } else {
                m_view.setStateCaption(App().TextRecording);
            }
            m_lastBlink = now - m_lastBlink < 2 * kBlinkInterval ? m_lastBlink + kBlinkInterval : now;
        }
        const qint64 seconds = m_output.SecondsRecorded();
        if (seconds != m_shownSeconds) {
            m_view.setTimeText(FormatTime(seconds, false));
            m_shownSeconds = seconds;
        }
    }

    if (!m_waveIn.DeviceErrorText().isEmpty()) {
        m_waveIn.ClearDeviceErrorText();
    }
    // The texts are built only when a count changed. The byte count changes with every block
    // the encoder sends; while it runs, it is shown with the blink, twice a second, so the
    // status frame is repainted once for both.
    const qint64 bytes = m_output.BytesWritten();
    const qint64 dropped = m_output.DroppedBytes();
    const bool countsDue = !m_recording || now - m_lastBytesUpdate >= kBlinkInterval - kTickTolerance;
    if (bytes != m_shownBytes && countsDue) {
        m_lastBytesUpdate = now;
        m_view.setBytesText(QString::number(bytes) + QStringLiteral(" bytes"));
        m_shownBytes = bytes;
    }
    if (dropped != m_shownDropped) {
        m_view.setDroppedText(droppedText(dropped));
        m_shownDropped = dropped;
    }
    m_view.setTicking(TickInterval());
}

QString RecordingController::droppedText(qint64 dropped) const
{
    if (dropped <= 0) {
        return QString();
    }
    // Audio that could not be kept is never lost silently.
    const double perSecond = std::max<double>(m_waveIn.RecordFormat().avgBytesPerSec, 1.0);
    const double seconds = static_cast<double>(dropped) / perSecond;
    return QStringLiteral("(%1 s verworfen)").arg(QLocale().toString(seconds, 'f', 1));
}

QString RecordingController::FormatTime(qint64 lIn, bool bInMS)
{
    const qint64 s = bInMS ? lIn / 1000 : lIn;
    const qint64 hours = s / 3600;
    const qint64 minutes = s / 60 - hours * 60;
    const qint64 seconds = s - minutes * 60 - hours * 3600;
    return twoDigits(hours) + QLatin1Char(':') + twoDigits(minutes) + QLatin1Char(':') + twoDigits(seconds);
}

QString RecordingController::ParseFile(const QString& file) const
{
    const QString date = Commands::DateStamp(m_clock);
    const QString time = Commands::TimeStamp(m_clock);
    QString result = file;
    result.replace(QStringLiteral("%date%"), date, Qt::CaseSensitive);
    result.replace(QStringLiteral("%time%"), time, Qt::CaseSensitive);
    return result;
}
