#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>

/**
 * A private Wayland compositor: weston with its X11 backend on an X server, so that its output is
 * one X window (of class windowClass()) that takes xdotool's pointer and key events. Its kiosk shell
 * shows each window unscaled, centred on a black output; shownWindow() finds it in a screenshot.
 */
class WestonCompositor
{
public:
    /// Socket, lock and screenshots go to runtimeDir, which must be private to the user.
    explicit WestonCompositor(const QString& runtimeDir);
    ~WestonCompositor();
    WestonCompositor(const WestonCompositor&) = delete;
    WestonCompositor& operator=(const WestonCompositor&) = delete;

    /// Starts on the X display; false when its socket does not appear.
    bool start(const QString& xDisplay);
    /// Points a client's environment at the compositor, away from X.
    void addClientEnvironment(QProcessEnvironment& env) const;
    /// The class (WM_CLASS) of the compositor's X window, which has no plain title.
    static QString windowClass() { return QStringLiteral("Weston Compositor"); }
    /// Where the output shows a window, in the compositor's window; empty when it shows none.
    QRect shownWindow();
    /// What weston said, for a failure message.
    QString log() const;

private:
    QString m_runtimeDir;
    QProcess m_weston;
};
