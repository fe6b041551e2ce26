#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/Program.h"
#include "recorder/CaptureBackend.h"
#include "fakes/FixedDateClock.h"
#include "support/MessageBoxCatcher.h"

class EncoderOutput;
class RecordingController;
class frmMain;

/**
 * The whole program inside the test process, as start-up builds it: the real window, a real capture
 * backend, the real encoder, every folder below a temporary one, a fixed date for file names. Message
 * boxes are caught. A test sets up its capture device and then calls start().
 */
class ProgramTest : public ::testing::Test
{
protected:
    /// Long enough for a slow machine; only a hang should reach it.
    static constexpr int Timeout = 120000;

    void SetUp() override;

    /// Starts the program, on ALSA's default device unless another backend is given.
    void start(std::unique_ptr<CaptureBackend> backend = {});
    /// Lets the program run on its own copy of the encoder, whose process a test can then find.
    QString copyEncoder();

    frmMain& form() { return m_program->form(); }
    EncoderOutput& output() { return m_program->output(); }
    RecordingController& controller();

    /// Clicks the main window's button (or other control) in its centre.
    void click(const char* name);
    /// One tick of the window's timer, which notices a recording that ended by itself.
    void tick();
    /// The text of the main window's label.
    QString label(const char* name);
    QString state() { return label("lblState"); }
    /// The files in the save folder, by name.
    QStringList files() const;

    /// Runs the event loop until condition holds; false when it does not within timeoutMs.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs = Timeout);
    /// Waits until the running recording holds this many seconds.
    bool recorded(qint64 seconds);

    QTemporaryDir m_dir;
    FixedDateClock m_clock;
    MessageBoxCatcher m_boxes;
    std::unique_ptr<Program> m_program;
};
