#pragma once

#include <QColor>
#include <QString>

/**
 * @brief What the recording controller needs of the main window.
 *
 * Keeps the controller free of widgets; the main window implements it and tests fake it.
 */
class RecordingView
{
public:
    virtual ~RecordingView() = default;

    /// The status line's text, colour and weight.
    virtual void showState(const QString& text, const QColor& color, bool bold) = 0;
    virtual QString stateCaption() const = 0;
    /// Changes only the status text (the blink keeps colour and weight).
    virtual void setStateCaption(const QString& text) = 0;

    /// Enables or disables the controls that must not change during a recording.
    virtual void setSettingsControlsEnabled(bool enabled) = 0;
    virtual void setTimeText(const QString& text) = 0;
    virtual void setBytesText(const QString& text) = 0;
    /// How much audio could not be kept, e.g. "(1,2 s verworfen)"; "" when nothing was lost.
    virtual void setDroppedText(const QString& text) = 0;

    /// True while the window is shown and not minimized.
    virtual bool isShownNormally() const = 0;
    /// Selected index of the bitrate list, -1 for none.
    virtual int selectedBitrateIndex() const = 0;
    virtual bool monitoringTicked() const = 0;
    /// Ticks or unticks the level display box without running its click handler.
    virtual void setMonitoringTicked(bool ticked) = 0;
    /// Moves the keyboard focus to the hidden parking button.
    virtual void parkFocus() = 0;

    virtual void setPeakmeter(double left, double right) = 0;
    /// Peak holds and markers to 0.
    virtual void resetPeakHolds() = 0;

    /// Lets pending window events run once.
    virtual void processPendingEvents() = 0;
    /// A recording was stopped and its file closed: show the naming dialog and hide the window.
    virtual void recordingFinished() = 0;

    /// Whether the settings panel is open.
    virtual bool settingsOpen() const = 0;
    /// Runs the window's fast timer every intervalMs, or stops it (0). It is asked to run only
    /// while the window is shown, and stops as soon as nothing it drives can change.
    virtual void setTicking(int intervalMs) = 0;

    /// Compact height, settings caption "6", settings frame shown, tag frames hidden.
    virtual void collapseLowerPanel() = 0;
};
