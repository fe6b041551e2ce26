// Recording through a private PipeWire server, the sound server of today's desktops, reached through
// ALSA's pipewire plugin. Its own test binary, since ALSA reads its configuration once per process.
#include <cmath>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/frmMain.h"
#include "recorder/EncoderOutput.h"
#include "support/DecodedAudio.h"
#include "support/PipeWireServer.h"
#include "support/ProgramTest.h"
#include "support/TestSignal.h"
#include "tagging/frmName.h"

namespace {

PipeWireServer& server()
{
    static PipeWireServer instance;
    return instance;
}

class PipeWireEndToEndTest : public ProgramTest
{
protected:
    // Started in SetUp, not in SetUpTestSuite, whose failure CTest reports as a skip.
    void SetUp() override
    {
        ProgramTest::SetUp();
        static const QString failed = server().start();
        ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
    }
};

TEST_F(PipeWireEndToEndTest, TheRecordingHoldsTheSourcesToneWhole)
{
    start();
    ASSERT_TRUE(server().play(TestSignal::stereoSine(60, 1000, 440, 0.5, 0.1)));
    click("CmdRecord");
    ASSERT_TRUE(recorded(4));
    click("CmdStop");
    frmName* dialog = form().findChild<frmName*>();
    ASSERT_NE(dialog, nullptr);
    dialog->close();
    EXPECT_EQ(output().DroppedBytes(), 0);

    ASSERT_EQ(files().size(), 1u);
    const DecodedAudio audio(App().SaveFolder + files().front());
    ASSERT_TRUE(audio.valid());
    const qint64 pcmFrames = (output().PcmBytes() - 45) / 4;
    EXPECT_GE(audio.frames(), pcmFrames);
    EXPECT_LE(audio.frames(), pcmFrames + 2304);
    // The server delivers silence until the source's first cycle reaches the stream.
    constexpr qint64 kBlock = 441;
    qint64 onset = 0;
    while (onset < 22050 && audio.rms(0, onset, kBlock) < 0.3) {
        onset += kBlock;
    }
    ASSERT_LT(onset, 22050) << "the tone begins within half a second";
    // From then on every quarter second up to the end holds both tones at their level: a gap or a
    // stretch of silence would show in one of them.
    constexpr qint64 kWindow = 11025;
    for (qint64 first = onset + kBlock; first + kWindow <= pcmFrames; first += kWindow) {
        SCOPED_TRACE(first);
        EXPECT_NEAR(audio.frequency(0, first, kWindow), 1000.0, 15.0);
        EXPECT_NEAR(audio.frequency(1, first, kWindow), 440.0, 10.0);
        EXPECT_NEAR(audio.rms(0, first, kWindow), 0.5 / std::sqrt(2.0), 0.04);
        EXPECT_NEAR(audio.rms(1, first, kWindow), 0.1 / std::sqrt(2.0), 0.02);
    }
}

} // namespace
