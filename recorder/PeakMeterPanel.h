#pragma once

#include "recorder/LevelMeter.h"

class QFrame;
class QLabel;
class QWidget;

/**
 * @brief The main window's two-channel peak meter and its static dB scale.
 *
 * Creates its controls as children of the given window at their designed places
 * (15 twips per pixel) and names them after their roles (picPeak, picPeakLeft, ...).
 * The window owns the widgets; the panel only steers them and must not outlive the window.
 *
 * picPeak has a 2-pixel sunken border, so its inner area, which holds the bars and markers,
 * is 188 pixels wide: exactly the bar picture. That inner width is the scale width.
 */
class PeakMeterPanel
{
public:
    explicit PeakMeterPanel(QWidget* parentWindow);
    PeakMeterPanel(const PeakMeterPanel&) = delete;
    PeakMeterPanel& operator=(const PeakMeterPanel&) = delete;

    /// Draws the meter for two raw peaks (0..32767): bar widths, level labels, hold markers.
    void SetPeakmeter(double lLeft, double lRight);
    /// Holds and markers back to 0, then empty bars and "..." labels.
    void ResetMeter();

    /// Inner width of picPeak in pixels, the length of a bar at -10.
    int ScaleWidth() const;

    LevelMeter& meter() { return m_meter; }

    QFrame* picPeak() const { return m_picPeak; }
    /// The inner area of picPeak inside its border; parent of the bars and markers.
    QWidget* picPeakClient() const { return m_picPeakClient; }
    QLabel* picPeakLeft() const { return m_picPeakLeft; }
    QLabel* picPeakRight() const { return m_picPeakRight; }
    QWidget* picHiPeakL() const { return m_picHiPeakL; }
    QWidget* picHiPeakR() const { return m_picHiPeakR; }
    QLabel* lblLeft() const { return m_lblLeft; }
    QLabel* lblRight() const { return m_lblRight; }
    QWidget* picDecibels() const { return m_picDecibels; }

private:
    void CreateScale();

    LevelMeter m_meter;
    QFrame* m_picPeak = nullptr;
    QWidget* m_picPeakClient = nullptr;
    QLabel* m_picPeakLeft = nullptr;
    QLabel* m_picPeakRight = nullptr;
    QWidget* m_picHiPeakL = nullptr;
    QWidget* m_picHiPeakR = nullptr;
    QLabel* m_lblLeft = nullptr;
    QLabel* m_lblRight = nullptr;
    QWidget* m_picDecibels = nullptr;
};
