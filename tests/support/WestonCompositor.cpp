#include "support/WestonCompositor.h"

#include <algorithm>
#include <csignal>
#include <vector>

#include <sys/prctl.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include "support/TestFiles.h"

namespace {

const QString kSocket = QStringLiteral("wayland-quernbell-test");

/// Rows (or columns) that hold at least this many lit pixels belong to a window; the pointer
/// drawn over the black output holds fewer.
constexpr int kLitPerLine = 40;

} // namespace

WestonCompositor::WestonCompositor(const QString& runtimeDir) : m_runtimeDir(runtimeDir)
{
    m_weston.setStandardOutputFile(QProcess::nullDevice());
    m_weston.setStandardErrorFile(m_runtimeDir + QStringLiteral("/weston.log"));
    m_weston.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

WestonCompositor::~WestonCompositor()
{
    if (m_weston.state() != QProcess::NotRunning) {
        m_weston.terminate();
        if (!m_weston.waitForFinished(10000)) {
            m_weston.kill();
            m_weston.waitForFinished(10000);
        }
    }
}

bool WestonCompositor::start(const QString& xDisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), xDisplay);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_weston.setProcessEnvironment(env);
    // --debug allows the screenshot tool; the pixman renderer needs no GPU.
    m_weston.start(QStringLiteral("weston"),
                   {QStringLiteral("--backend=x11-backend.so"), QStringLiteral("--use-pixman"),
                    QStringLiteral("--width=800"), QStringLiteral("--height=600"),
                    QStringLiteral("--shell=kiosk-shell.so"), QStringLiteral("--socket=") + kSocket,
                    QStringLiteral("--no-config"), QStringLiteral("--idle-time=0"), QStringLiteral("--debug")});
    return m_weston.waitForStarted(10000) && TestFiles::waitUntil([this] {
               return QFile::exists(m_runtimeDir + QLatin1Char('/') + kSocket) || m_weston.waitForFinished(0);
           }) &&
           m_weston.state() == QProcess::Running;
}

void WestonCompositor::addClientEnvironment(QProcessEnvironment& env) const
{
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), kSocket);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    // Without decorations drawn by the client, what the compositor shows is the client area.
    env.insert(QStringLiteral("QT_WAYLAND_DISABLE_WINDOWDECORATION"), QStringLiteral("1"));
    env.remove(QStringLiteral("DISPLAY"));
}

QRect WestonCompositor::shownWindow()
{
    QDir dir(m_runtimeDir);
    QProcess shooter;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    addClientEnvironment(env);
    shooter.setProcessEnvironment(env);
    shooter.setWorkingDirectory(m_runtimeDir);
    shooter.setStandardOutputFile(QProcess::nullDevice());
    shooter.setStandardErrorFile(QProcess::nullDevice());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished(30000)) {
        shooter.kill();
        shooter.waitForFinished();
    }
    const QStringList shots = dir.entryList({QStringLiteral("wayland-screenshot-*.png")}, QDir::Files);
    QImage image;
    for (const QString& shot : shots) {
        image.load(dir.filePath(shot));
        dir.remove(shot);
    }
    if (image.isNull()) {
        return {};
    }
    std::vector<int> litInRow(static_cast<std::size_t>(image.height()));
    std::vector<int> litInColumn(static_cast<std::size_t>(image.width()));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 64) {
                ++litInRow[static_cast<std::size_t>(y)];
                ++litInColumn[static_cast<std::size_t>(x)];
            }
        }
    }
    const auto span = [](const std::vector<int>& lit) {
        const auto first = std::find_if(lit.begin(), lit.end(), [](int n) { return n >= kLitPerLine; });
        const auto last = std::find_if(lit.rbegin(), lit.rend(), [](int n) { return n >= kLitPerLine; });
        return first == lit.end()
                   ? std::pair{0, -1}
                   : std::pair{static_cast<int>(first - lit.begin()), static_cast<int>(lit.rend() - last) - 1};
    };
    const auto [left, right] = span(litInColumn);
    const auto [top, bottom] = span(litInRow);
    return right < left || bottom < top ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QString WestonCompositor::log() const
{
    return QString::fromLocal8Bit(TestFiles::read(m_runtimeDir + QStringLiteral("/weston.log")));
}
