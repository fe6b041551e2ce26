#pragma once

#include <memory>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/frmMain.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeRecordingOutput.h"
#include "fakes/SignalSourceBackend.h"
#include "recorder/modWaveIn.h"
#include "support/TestApp.h"

/// The main window over a signal source, an output that records its calls and a clock set by hand,
/// with every folder below a temporary one.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        TestApp::init(m_dir.path());
    }

    /// A new main window, shown and with its settings loaded, as start-up leaves it.
    std::unique_ptr<frmMain> loadWindow()
    {
        auto form = std::make_unique<frmMain>(m_waveIn, m_output, m_clock);
        form->show();
        form->LoadSettings();
        return form;
    }

    QTemporaryDir m_dir;
    SignalSourceBackend m_backend;
    FakeRecordingOutput m_output;
    modWaveIn m_waveIn{m_backend, m_output};
    FakeClock m_clock;
};
