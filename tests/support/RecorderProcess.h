#pragma once

#include <functional>
#include <memory>

#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>

class WestonCompositor;

/**
 * The built program run as a user runs it, for faults that only a whole process shows (signals,
 * limits of the process): a copy of the executable with its settings file beside it, its own home
 * and runtime folders, the installed encoder, on a private X server (Xvfb), where the tests press
 * its buttons with real pointer events (xdotool). Recordings go to saveFolder().
 *
 * Capture comes from the ALSA configuration of this test process (ALSA_CONFIG_PATH), read at
 * the pace of a sound card.
 *
 * With useWayland() the program runs on a Wayland compositor on that X server instead, and clicks
 * go to the window the compositor shows.
 */
class RecorderProcess
{
public:
    /// Lays out the program's folders below root; the settings file names saveFolder().
    explicit RecorderProcess(const QString& root);
    ~RecorderProcess();
    RecorderProcess(const RecorderProcess&) = delete;
    RecorderProcess& operator=(const RecorderProcess&) = delete;

    /// Shows the program on a Wayland compositor (weston) on the private X server; before start().
    void useWayland();
    /// On Wayland: waits until the compositor shows a window of this size, the one clicks then go to.
    bool waitForWindow(QSize size);
    /// Types text, then presses a key ("Return"), where the keyboard focus is.
    void type(const QString& text, const QString& key);

    /// Runs in the child before the program starts (for example to set a resource limit).
    void setChildSetup(std::function<void()> setup) { m_childSetup = std::move(setup); }

    /// Starts the program and waits for its main window; false when it does not appear.
    bool start();
    /// Presses the Record button (the button's centre, as designed); true once a new recording's file is there.
    bool clickRecord();
    /// Clicks the left button at a point of the main window's client area, in pixels.
    void click(int x, int y);
    /// Moves the pointer there without clicking.
    void pointAt(int x, int y);
    /// Number of message boxes the program shows.
    int messageBoxes();
    /// Number of the program's windows whose title matches the regular expression.
    int windows(const QString& titlePattern);
    /// Presses the Stop button.
    void clickStop();
    /// Presses keys (xdotool's names, blank-separated) wherever the keyboard focus is.
    void keys(const QString& names);
    /// The title of the window that has the keyboard focus.
    QString focusedWindow();
    /// Sends a signal to the program.
    void signal(int signalNumber);
    /// Waits for the program to end.
    bool waitForExit(int timeoutMs = 60000);

    /// Also notices an end that the event loop has not yet reported.
    bool running() { return m_program.state() == QProcess::Running && !m_program.waitForFinished(0); }
    qint64 pid() const { return m_program.processId(); }
    /// The private X server's process.
    qint64 displayPid() const { return m_xserver.processId(); }
    QProcess::ExitStatus exitStatus() const { return m_program.exitStatus(); }
    int exitCode() const { return m_program.exitCode(); }
    QString saveFolder() const { return m_root + QStringLiteral("/Aufnahmen/"); }
    QString iniPath() const { return m_root + QStringLiteral("/bin/quernbell.ini"); }
    /// What the program and the X server said, for a failure message.
    QString diagnostics();
    /// The recordings in the save folder, oldest name first.
    QStringList recordings() const;

private:
    bool startDisplay();
    void stopDisplay();
    bool displayAnswers();
    /// Runs xdotool on the display; true when it succeeded. lines gets what it printed.
    bool xdotool(const QStringList& arguments, QStringList* lines);

    QString m_root;
    QString m_display;
    QString m_window;
    QProcess m_xserver;
    QProcess m_program;
    std::function<void()> m_childSetup;
    std::unique_ptr<WestonCompositor> m_compositor;
    bool m_compositorStarted = false;
    /// Where the window clicks go to begins in m_window.
    QPoint m_origin;
};
