#pragma once

#include <memory>

class CaptureBackend;
class Clock;
class EncoderOutput;
class frmMain;
class modWaveIn;
class PeakMeterPanel;
class QWidget;
class RecordingController;

/**
 * @brief The running program after start-up: capture backend, encoder output, capture
 * module and the main window, wired together and shown with its caption and settings.
 */
class Program
{
public:
    /// Settings that must be made before the application object exists.
    static void prepareEnvironment();

    /// Runs the start-up order: window created and shown, caption set, settings loaded.
    Program(std::unique_ptr<CaptureBackend> backend, const Clock& clock);
    ~Program();

    frmMain& form() { return *m_form; }
    modWaveIn& waveIn() { return *m_waveIn; }
    EncoderOutput& output() { return *m_output; }
    /// The main window's parts, for those outside app/ that drive it (benchmarks).
    QWidget& window();
    RecordingController& controller();
    PeakMeterPanel& meterPanel();

private:
    std::unique_ptr<CaptureBackend> m_backend;
    std::unique_ptr<EncoderOutput> m_output;
    std::unique_ptr<modWaveIn> m_waveIn;
    std::unique_ptr<frmMain> m_form;
};
