#pragma once

#include <QString>

class Clock;
class RecordingOutput;
class RecordingView;
class modWaveIn;

/**
 * @brief Turns Record, Pause, Stop, the meter reset and the level switch into recording
 * sessions, and keeps the status, time and byte count current from the window's timer.
 */
class RecordingController
{
public:
    RecordingController(RecordingView& view, modWaveIn& waveIn, RecordingOutput& output, const Clock& clock);

    void CmdRecord();
    void CmdPause();
    void CmdStop();
    void CmdReset_Click();
    void chkMonitoring_Click();
    void EnableRecording();
    void DisableRecording();
    /// A recording that ended by itself (encoder, device, disk, a refused Record) puts the window
    /// in standby and ends the session.
    void noticeEndedRecording();
    /// A level display whose device failed or could not be opened is switched off, its box unticked.
    void noticeClosedMonitor();
    /// One tick of the window's fast timer.
    void Tick();
    /// How often the timer must tick, in ms; 0 when nothing it drives can change. The level
    /// display needs the fast rate; a session without it needs only the blink and the counts.
    int TickInterval() const;

    static constexpr int MeterTickMs = 60;
    static constexpr int SessionTickMs = 500;

    /// Hours, minutes and seconds as "HH:MM:SS"; hours of 100 and more are written in full.
    static QString FormatTime(qint64 lIn, bool bInMS);
    /// The template with "%date%" and "%time%" replaced (case-sensitive).
    QString ParseFile(const QString& file) const;

    bool SessionActive() const { return m_sessionActive; }
    bool Recording() const { return m_recording; }
    bool Paused() const { return m_paused; }
    bool Playing() const { return m_playing; }
    bool MeterOn() const { return m_meterOn; }
    /// Stop is closing a recording and handing it on.
    bool Finishing() const { return m_finishing; }

    /// The play display state is entered by the browser pane.
    void setPlaying(bool playing) { m_playing = playing; }
    void setPaused(bool paused) { m_paused = paused; }

private:
    QString droppedText(qint64 dropped) const;

    RecordingView& m_view;
    modWaveIn& m_waveIn;
    RecordingOutput& m_output;
    const Clock& m_clock;

    bool m_sessionActive = false;
    bool m_recording = false;
    bool m_paused = false;
    bool m_playing = false;
    bool m_meterOn = false;
    bool m_finishing = false; // Stop is closing a recording and handing it on
    double m_lastBlink = 0.0;
    double m_lastMeterUpdate = 0.0;
    double m_lastBytesUpdate = -1.0e9;
    qint64 m_shownSeconds = -1;
    qint64 m_shownBytes = -1;
    qint64 m_shownDropped = -1;
};
