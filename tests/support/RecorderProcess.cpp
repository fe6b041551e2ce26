#include "support/RecorderProcess.h"

#include <csignal>

#include <sys/prctl.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "support/NoFileOverride.h"
#include "support/TestFiles.h"
#include "support/WestonCompositor.h"

namespace {

// CmdRecord's centre in the window's client area: designed at (240, 1920) twips, 1560 x 930.
constexpr int kRecordX = (240 + 1560 / 2) / 15;
constexpr int kRecordY = (1920 + 930 / 2) / 15;
constexpr int kStopX = (1980 + 3300 / 2) / 15;
constexpr int kStopY = kRecordY;

using TestFiles::waitUntil;

} // namespace

RecorderProcess::RecorderProcess(const QString& root) : m_root(root)
{
    for (const char* folder : {"/bin", "/home/.local/share/quernbell", "/run", "/Aufnahmen"}) {
        QDir().mkpath(m_root + QLatin1String(folder));
    }
    QFile::setPermissions(m_root + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::copy(QStringLiteral(QB_EXECUTABLE), m_root + QStringLiteral("/bin/quernbell"));
    // Installed beforehand: a limit on file sizes must not stop the installation.
    QFile::copy(QStringLiteral(QB_LAME_EXECUTABLE), m_root + QStringLiteral("/home/.local/share/quernbell/mkmp3"));
    TestFiles::write(iniPath(), "[Quernbell Audio Recorder]\nSavePath=" + QFile::encodeName(saveFolder()) + "\n");
}

RecorderProcess::~RecorderProcess()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.kill();
        m_program.waitForFinished(10000);
    }
    m_compositor.reset();
    stopDisplay();
}

void RecorderProcess::useWayland()
{
    m_compositor = std::make_unique<WestonCompositor>(m_root + QStringLiteral("/run"));
}

bool RecorderProcess::waitForWindow(QSize size)
{
    QRect shown;
    const bool appeared = waitUntil(
        [&] {
            shown = m_compositor->shownWindow();
            return shown.size() == size || !running();
        },
        60000);
    m_origin = shown.topLeft();
    return appeared && shown.size() == size;
}

void RecorderProcess::type(const QString& text, const QString& key)
{
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("50"), text}, nullptr);
    xdotool({QStringLiteral("key"), key}, nullptr);
}

void RecorderProcess::stopDisplay()
{
    // Ended so that it removes its lock and socket: a display left stale confuses the next server.
    if (m_xserver.state() != QProcess::NotRunning) {
        m_xserver.terminate();
        if (!m_xserver.waitForFinished(10000)) {
            m_xserver.kill();
            m_xserver.waitForFinished(10000);
        }
    }
}

bool RecorderProcess::startDisplay()
{
    if (m_xserver.state() == QProcess::Running && !m_xserver.waitForFinished(0) && displayAnswers()) {
        return true;
    }
    // A display number for each server of this process, apart from those of tests running at the
    // same time; a number already taken ends the server, and the next one is tried.
    static int serial = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        stopDisplay();
        m_display = QStringLiteral(":%1").arg(200 + (QCoreApplication::applicationPid() % 150) * 20 + serial++ % 20);
        m_xserver.setStandardOutputFile(QProcess::nullDevice());
        m_xserver.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_xserver.setStandardErrorFile(m_root + QStringLiteral("/xserver.log"), QIODevice::Append);
        // Without -noreset the server resets whenever its last client leaves (a probe, a killed
        // program) and refuses whoever connects meanwhile.
        m_xserver.start(QStringLiteral("Xvfb"),
                        {m_display, QStringLiteral("-noreset"), QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (m_xserver.waitForStarted(10000) &&
            waitUntil([this] { return m_xserver.waitForFinished(0) || displayAnswers(); }, 10000) &&
            m_xserver.state() == QProcess::Running) {
            return true;
        }
    }
    return false;
}

bool RecorderProcess::displayAnswers()
{
    return xdotool({QStringLiteral("getdisplaygeometry")}, nullptr);
}

bool RecorderProcess::start()
{
    if (!startDisplay()) {
        return false;
    }
    if (m_compositor && !m_compositorStarted) {
        m_compositorStarted = m_compositor->start(m_display);
        if (!m_compositorStarted) {
            return false;
        }
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root + QStringLiteral("/run"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QUERNBELL_PACE_CAPTURE"), QStringLiteral("1"));
    if (m_compositor) {
        m_compositor->addClientEnvironment(env);
    }
    m_program.setProcessEnvironment(env);
    m_program.setStandardOutputFile(QProcess::nullDevice());
    m_program.setStandardErrorFile(m_root + QStringLiteral("/program.log"), QIODevice::Append);
    m_program.setChildProcessModifier([this] {
        // File permissions hold for the program even when the tests run as root.
        NoFileOverride::dropForChild();
        if (m_childSetup) {
            m_childSetup();
        }
    });
    m_program.start(m_root + QStringLiteral("/bin/quernbell"), {});
    if (!m_program.waitForStarted(30000)) {
        return false;
    }
    QStringList windows;
    // On Wayland the X server shows the compositor's window, and the program's somewhere in it.
    const QStringList search = m_compositor
                                   ? QStringList{QStringLiteral("search"), QStringLiteral("--class"),
                                                 QLatin1Char('^') + WestonCompositor::windowClass() + QLatin1Char('$')}
                                   : QStringList{QStringLiteral("search"), QStringLiteral("--name"),
                                                 QStringLiteral("^Quernbell Audio Recorder v1\\.0$")};
    waitUntil(
        [&] {
            xdotool(search, &windows);
            return !windows.isEmpty() || !running();
        },
        60000);
    m_window = windows.value(0);
    m_origin = {};
    if (m_compositor && !m_window.isEmpty()) {
        QRect shown;
        waitUntil([&] { return !(shown = m_compositor->shownWindow()).isEmpty() || !running(); }, 60000);
        m_origin = shown.topLeft();
        return !shown.isEmpty();
    }
    return !m_window.isEmpty();
}

bool RecorderProcess::clickRecord()
{
    const qsizetype before = recordings().size();
    click(kRecordX, kRecordY);
    // Recording once its file is there.
    return waitUntil([&] { return recordings().size() > before; }, 30000);
}

void RecorderProcess::click(int x, int y)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(m_origin.x() + x),
             QString::number(m_origin.y() + y), QStringLiteral("click"), QStringLiteral("1")},
            nullptr);
}

void RecorderProcess::pointAt(int x, int y)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(m_origin.x() + x),
             QString::number(m_origin.y() + y)},
            nullptr);
}

int RecorderProcess::messageBoxes()
{
    return windows(QStringLiteral("^Quernbell Audio Recorder$"));
}

int RecorderProcess::windows(const QString& titlePattern)
{
    QStringList found;
    xdotool({QStringLiteral("search"), QStringLiteral("--name"), titlePattern}, &found);
    return static_cast<int>(found.size());
}

void RecorderProcess::clickStop()
{
    click(kStopX, kStopY);
}

void RecorderProcess::keys(const QString& names)
{
    xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")} +
                names.split(u' ', Qt::SkipEmptyParts),
            nullptr);
}

QString RecorderProcess::focusedWindow()
{
    QStringList lines;
    xdotool({QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")}, &lines);
    return lines.value(0);
}

void RecorderProcess::signal(int signalNumber)
{
    ::kill(static_cast<pid_t>(m_program.processId()), signalNumber);
}

bool RecorderProcess::waitForExit(int timeoutMs)
{
    return m_program.waitForFinished(timeoutMs);
}

QString RecorderProcess::diagnostics()
{
    const bool serverEnded = m_xserver.waitForFinished(0);
    const bool answers = displayAnswers();
    QString said;
    for (const char* name : {"/program.log", "/xserver.log"}) {
        QFile log(m_root + QLatin1String(name));
        if (log.open(QIODevice::ReadOnly)) {
            said += QString::fromLocal8Bit(log.readAll());
        }
    }
    if (m_compositor) {
        said += m_compositor->log();
    }
    return QStringLiteral("display %1 (answers %7, server ended %8, exit %9), X server %2, program %3 (exit %4), "
                          "window '%5', log:\n%6")
        .arg(m_display)
        .arg(m_xserver.state())
        .arg(m_program.state())
        .arg(m_program.exitCode())
        .arg(m_window, said)
        .arg(answers)
        .arg(serverEnded)
        .arg(m_xserver.exitCode());
}

QStringList RecorderProcess::recordings() const
{
    return QDir(saveFolder()).entryList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Name);
}

bool RecorderProcess::xdotool(const QStringList& arguments, QStringList* lines)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(env);
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(30000)) {
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    if (lines) {
        *lines = QString::fromLocal8Bit(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}
