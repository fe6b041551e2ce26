#include "support/RecorderProcess.h"

#include <csignal>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include "support/NoFileOverride.h"

namespace {

// CmdRecord's centre in the window's client area: designed at (240, 1920) twips, 1560 x 930.
constexpr int kRecordX = (240 + 1560 / 2) / 15;
constexpr int kRecordY = (1920 + 930 / 2) / 15;

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition()) {
            return true;
        }
        QThread::msleep(50);
    }
    return condition();
}

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
    QFile ini(iniPath());
    if (ini.open(QIODevice::WriteOnly)) {
        ini.write("[Quernbell Audio Recorder]\nSavePath=" + QFile::encodeName(saveFolder()) + "\n");
    }
}

RecorderProcess::~RecorderProcess()
{
    for (QProcess* process : {&m_program, &m_xserver}) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
}

bool RecorderProcess::startDisplay()
{
    if (m_xserver.state() == QProcess::Running) {
        return true;
    }
    // The server picks a free display and names it on its standard output.
    m_xserver.setStandardErrorFile(QProcess::nullDevice());
    m_xserver.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_xserver.waitForStarted(10000)) {
        return false;
    }
    const QDeadlineTimer deadline(30000);
    while (!m_xserver.canReadLine() && m_xserver.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
    }
    const QByteArray number = m_xserver.readLine().trimmed();
    m_display = QStringLiteral(":") + QString::fromLatin1(number);
    return !number.isEmpty();
}

bool RecorderProcess::start()
{
    if (!startDisplay()) {
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root + QStringLiteral("/run"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QUERNBELL_PACE_CAPTURE"), QStringLiteral("1"));
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
    waitUntil(
        [&] {
            windows = xdotool({QStringLiteral("search"), QStringLiteral("--name"),
                               QStringLiteral("^Quernbell Audio Recorder v1\\.0$")});
            return !windows.isEmpty() || !running();
        },
        60000);
    m_window = windows.value(0);
    return !m_window.isEmpty();
}

bool RecorderProcess::clickRecord()
{
    const qsizetype before = recordings().size();
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(kRecordX),
             QString::number(kRecordY), QStringLiteral("click"), QStringLiteral("1")});
    // Recording once its file is there.
    return waitUntil([&] { return recordings().size() > before; }, 30000);
}

int RecorderProcess::messageBoxes()
{
    return static_cast<int>(
        xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Quernbell Audio Recorder$")})
            .size());
}

void RecorderProcess::signal(int signalNumber)
{
    ::kill(static_cast<pid_t>(m_program.processId()), signalNumber);
}

bool RecorderProcess::waitForExit(int timeoutMs)
{
    return m_program.waitForFinished(timeoutMs);
}

QString RecorderProcess::diagnostics() const
{
    QFile log(m_root + QStringLiteral("/program.log"));
    const QString said = log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
    return QStringLiteral("display %1, X server %2, program %3 (exit %4), window '%5', log:\n%6")
        .arg(m_display)
        .arg(m_xserver.state())
        .arg(m_program.state())
        .arg(m_program.exitCode())
        .arg(m_window, said);
}

QStringList RecorderProcess::recordings() const
{
    return QDir(saveFolder()).entryList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Name);
}

QStringList RecorderProcess::xdotool(const QStringList& arguments)
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
        return {};
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}
