#include "support/ProgramTest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "app/AppGlobals.h"
#include "app/frmMain.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/EncoderOutput.h"
#include "support/TestApp.h"

void ProgramTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    TestApp::init(m_dir.path());
}

void ProgramTest::start(std::unique_ptr<CaptureBackend> backend)
{
    if (!backend) {
        backend = std::make_unique<AlsaCaptureBackend>();
    }
    m_program = std::make_unique<Program>(std::move(backend), m_clock);
    QCoreApplication::processEvents();
}

QString ProgramTest::copyEncoder()
{
    const QString encoder = App().SystemFolder + QStringLiteral("mkmp3");
    EXPECT_TRUE(QFile::copy(QStringLiteral(QB_LAME_EXECUTABLE), encoder));
    App().EncoderPath = encoder;
    return encoder;
}

RecordingController& ProgramTest::controller()
{
    return form().controller();
}

void ProgramTest::click(const char* name)
{
    auto* widget = form().findChild<QWidget*>(QLatin1String(name));
    ASSERT_NE(widget, nullptr) << name;
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void ProgramTest::tick()
{
    QMetaObject::invokeMethod(form().findChild<QTimer*>(QStringLiteral("tmrTimer")), "timeout");
}

QString ProgramTest::label(const char* name)
{
    return form().findChild<QLabel*>(QLatin1String(name))->text();
}

QStringList ProgramTest::files() const
{
    return QDir(App().SaveFolder).entryList(QDir::Files, QDir::Name);
}

bool ProgramTest::waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

bool ProgramTest::recorded(qint64 seconds)
{
    return waitFor([&] { return output().SecondsRecorded() >= seconds; });
}
