#include "app/Program.h"

#include "app/AppGlobals.h"
#include "app/frmMain.h"
#include "recorder/CaptureBackend.h"
#include "recorder/EncoderOutput.h"
#include "recorder/modWaveIn.h"

void Program::prepareEnvironment()
{
    // Qt's own event dispatcher wakes for a timer or a buffer at less than half the cost of the
    // GLib one (measured in bench/).
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
}

Program::Program(std::unique_ptr<CaptureBackend> backend, const Clock& clock)
    : m_backend(std::move(backend)), m_output(std::make_unique<EncoderOutput>())
{
    m_output->setEncoderPath(App().EncoderPath);
    m_waveIn = std::make_unique<modWaveIn>(*m_backend, *m_output);
    m_form = std::make_unique<frmMain>(*m_waveIn, *m_output, clock);
    m_form->show();
    // Keys reach the window at once, also where no window manager hands out the focus.
    m_form->activateWindow();
    m_form->setWindowTitle(App().ProgramTitle + QStringLiteral(" v%1.%2").arg(QB_VERSION_MAJOR).arg(QB_VERSION_MINOR));
    m_form->LoadSettings();
}

QWidget& Program::window()
{
    return *m_form;
}

RecordingController& Program::controller()
{
    return m_form->controller();
}

PeakMeterPanel& Program::meterPanel()
{
    return m_form->meterPanel();
}

Program::~Program()
{
    // The window unloads first: it closes the streams that the module and backend own.
    m_form.reset();
    m_waveIn.reset();
    m_output.reset();
    m_backend.reset();
}
