#include "app/frmMain.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSet>
#include <QLocale>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/IniStore.h"
#include "controls/CmdButton.h"
#include "recorder/RecordingController.h"
#include "support/MainWindowTest.h"
#include "support/TestFiles.h"
#include "support/WhenShown.h"

namespace {

class frmMainTest : public MainWindowTest
{
protected:
    void writeIni(const QByteArray& text) { ASSERT_TRUE(TestFiles::write(App().IniFilePath, text)); }

    QString readIni(const QString& key) const
    {
        return Commands::ReadIniValue(App().ProgramTitle, key, App().IniFilePath, QStringLiteral("<none>"));
    }

    template <typename T> T* child(frmMain& form, const char* name)
    {
        T* widget = form.findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void click(frmMain& form, const char* name)
    {
        QTest::mouseClick(child<QWidget>(form, name), Qt::LeftButton, {}, QPoint(5, 5));
    }
    void fire(frmMain& form, const char* timer, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            QMetaObject::invokeMethod(child<QTimer>(form, timer), "timeout");
        }
    }
    static void touch(const QString& path) { ASSERT_TRUE(TestFiles::write(path)); }
    /// The folder label and both lists, as "label | dirs | files".
    std::string pane(frmMain& form)
    {
        QStringList parts = {child<QLabel>(form, "lblDir")->text()};
        for (const char* name : {"lstDirs", "lstFiles"}) {
            QStringList items;
            for (const QListWidgetItem* item : child<QListWidget>(form, name)->findItems("*", Qt::MatchWildcard)) {
                items << item->text();
            }
            parts << items.join(',');
        }
        return parts.join(" | ").toStdString();
    }
    /// Height, settings caption and what the lower part shows.
    std::string lower(frmMain& form)
    {
        const bool panel = !child<QWidget>(form, "frmSettings")->isHidden();
        const bool tags = !child<QWidget>(form, "frmTAG")->isHidden() && !child<QWidget>(form, "frmTAG2")->isHidden();
        const QString shown = panel ? "panel" : tags ? "tags" : "-";
        const QString caption = child<CmdButton>(form, "CmdSettings")->Caption();
        return QStringLiteral("%1 %2 %3").arg(form.HeightTwips()).arg(caption, shown).toStdString();
    }
};

TEST_F(frmMainTest, OpensCompactWithEveryControlAtItsDesignedPlace)
{
    auto form = loadWindow();
    EXPECT_EQ(form->WidthTwips(), 8175);
    EXPECT_EQ(form->HeightTwips(), 4680);

    // Designed twips at 15 per pixel.
    const std::pair<const char*, QRect> buttons[] = {
        {"CmdRecord", QRect(16, 128, 104, 62)}, {"CmdStop", QRect(132, 128, 220, 62)},
        {"CmdPause", QRect(364, 128, 104, 62)}, {"CmdPrev", QRect(16, 200, 104, 62)},
        {"CmdPlay", QRect(132, 200, 220, 62)},  {"CmdNext", QRect(364, 200, 104, 62)},
        {"CmdReset", QRect(424, 20, 45, 17)},   {"CmdDirBack", QRect(592, 8, 49, 17)},
        {"CmdRootDir", QRect(540, 8, 49, 17)},  {"CmdBrowser", QRect(6, 20, 24, 96)},
        {"CmdSettings", QRect(5, 167, 25, 95)},
    };
    for (const auto& [name, rect] : buttons) {
        auto* button = child<CmdButton>(*form, name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), rect) << name;
    }
    EXPECT_EQ(child<QCheckBox>(*form, "chkMonitoring")->geometry(), QRect(280, 20, 137, 17));
    EXPECT_FALSE(child<QCheckBox>(*form, "chkMonitoring")->isChecked());
    EXPECT_EQ(child<QListWidget>(*form, "lstFiles")->geometry(), QRect(740, 16, 197, 265));
    EXPECT_EQ(child<CmdButton>(*form, "CmdRecord")->Caption(), "=");
    EXPECT_EQ(child<CmdButton>(*form, "CmdRecord")->toolTip(), " R E C ");

    // What a screen reader finds: each button named after what it does, the boxes named by their labels.
    // clang-format off
    const std::pair<const char*, const char*> names[] = {
        {"CmdRecord", "Aufnahme"}, {"CmdPause", "Pause"}, {"CmdStop", "Stopp"}, {"CmdPrev", "Vorherige Datei"},
        {"CmdPlay", "Abspielen"}, {"CmdNext", "Nächste Datei"}, {"CmdBrowser", "Datei-Browser"},
        {"CmdSettings", "Aufnahme-Einstellungen"}, {"CmdRootDir", "Zum Hauptverzeichnis"},
        {"CmdDirBack", "Eine Ebene höher"}, {"CmdReset", "Spitzenwerte zurücksetzen"},
        {"cmdBrowse", "Speicherordner wählen"}, {"Text1", "Speicherpfad:"}, {"txtArtist", "Interpret:"},
        {"txtTitle", "Titel:"}, {"txtYear", "Jahr:"}, {"txtAlbum", "Album:"}, {"lstFiles", "Aufnahmen"},
        {"lstDirs", "Ordner"}, {"picPeakLeft", "Pegel links"}};
    // clang-format on
    for (const auto& [control, name] : names)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(child<QWidget>(*form, control))->text(QAccessible::Name),
                  QString::fromUtf8(name));
    // A combo box's name is its value; its label comes through the relation.
    const auto labels = QAccessible::queryAccessibleInterface(child<QWidget>(*form, "cmbkBits"))->relations();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), "Bitrate (kBit/s):");

    // Pane and lower panel closed; the settings frame shares the tag frame's place.
    EXPECT_TRUE(child<QListWidget>(*form, "lstDirs")->isHidden());
    EXPECT_TRUE(child<CmdButton>(*form, "CmdRootDir")->isHidden());
    EXPECT_TRUE(child<QGroupBox>(*form, "frmSettings")->isHidden());
    EXPECT_EQ(child<QGroupBox>(*form, "frmSettings")->y(), child<QGroupBox>(*form, "frmTAG")->y());
    EXPECT_GE(child<QGroupBox>(*form, "frmTAG")->y(), form->height()) << "tag frames lie below the compact window";

    auto* state = child<QLabel>(*form, "lblState");
    EXPECT_EQ(state->text(), "Aufnahmebereitschaft");
    EXPECT_EQ(state->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_FALSE(state->font().bold());
    EXPECT_EQ(child<QLabel>(*form, "lblTime")->text(), "00:00:00");
    EXPECT_EQ(child<QComboBox>(*form, "cmbkBits")->count(), 13);

    // Centred from the full design size with its frame, before it shrank.
    const QRect area = form->screen()->geometry();
    const long top = std::lround(area.height() * 15 * 0.85) / 2 - 5310 / 2;
    EXPECT_EQ(form->y(), area.y() + std::lround(top / 15.0));
}

TEST_F(frmMainTest, NoSettingsFileGivesTheDefaultsAndClosingWritesThemInOrder)
{
    auto form = loadWindow();
    EXPECT_EQ(child<QComboBox>(*form, "cmbkBits")->currentIndex(), 3);
    EXPECT_EQ(child<QComboBox>(*form, "cmbkBits")->currentText(), "192");
    EXPECT_EQ(App().SaveFolder, App().DocumentsFolder);
    EXPECT_EQ(child<QLineEdit>(*form, "Text1")->text(), App().DocumentsFolder);
    EXPECT_FALSE(form->BrowserOpen());

    form->close();
    QFile file(App().IniFilePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    const qsizetype bitrate = text.indexOf("Bitrate=3");
    const qsizetype savePath = text.indexOf("SavePath=" + App().DocumentsFolder);
    const qsizetype browser = text.indexOf("Browser=0");
    EXPECT_TRUE(bitrate >= 0 && bitrate < savePath && savePath < browser) << text.toStdString();
}

TEST_F(frmMainTest, BitrateTakesTheLeadingNumberRoundedHalfToEven)
{
    const std::pair<QByteArray, int> cases[] = {{"7abc", 7}, {"abc", 0}, {"2.5", 2}, {"3.5", 4}, {"", 3},
                                                {" 12", 12}, {"13", -1}, {"-2", -1}, {"-1", -1}};
    for (const auto& [value, index] : cases) {
        writeIni("[Quernbell Audio Recorder]\nBitrate=" + value + "\n");
        auto form = loadWindow();
        EXPECT_EQ(child<QComboBox>(*form, "cmbkBits")->currentIndex(), index) << value.toStdString();
        form->close();
        EXPECT_EQ(readIni("Bitrate"), QString::number(index)) << "written back: " << value.toStdString();
    }
}

TEST_F(frmMainTest, SavePathAndBrowserAreReadInAnyLetterCase)
{
    writeIni("[QUERNBELL AUDIO RECORDER]\nSAVEPATH=/srv/aufnahmen\nBROWSER=1\n");
    auto form = loadWindow();
    EXPECT_EQ(App().SaveFolder, "/srv/aufnahmen/");
    EXPECT_EQ(form->CurrentFolder(), "/srv/aufnahmen/");
    EXPECT_TRUE(form->BrowserOpen());
    EXPECT_EQ(form->WidthTwips(), 14235);
    EXPECT_EQ(child<CmdButton>(*form, "CmdBrowser")->Caption(), "3");
    EXPECT_FALSE(child<QListWidget>(*form, "lstDirs")->isHidden());
    EXPECT_EQ(child<CmdButton>(*form, "cmdBrowse")->Caption(), "Durchsuchen...");
    EXPECT_EQ(child<CmdButton>(*form, "cmdBrowse")->x(), 12495 / 15);
    form->close();
    EXPECT_EQ(readIni("SavePath"), "/srv/aufnahmen/");
    EXPECT_EQ(readIni("Browser"), "1");
}

TEST_F(frmMainTest, OnlyExactlyOneOpensTheBrowserAndAnEmptySavePathMeansDocuments)
{
    for (const QByteArray& value : {QByteArray("true"), QByteArray("01"), QByteArray(" 1x")}) {
        writeIni("[Quernbell Audio Recorder]\nSavePath=\nBrowser=" + value + "\n");
        auto form = loadWindow();
        EXPECT_FALSE(form->BrowserOpen()) << value.toStdString();
        EXPECT_EQ(App().SaveFolder, App().DocumentsFolder);
    }
}

TEST_F(frmMainTest, BrowserListsShowSubfoldersAndOnlyMp3AndWavFiles)
{
    const QString save = App().DocumentsFolder;
    QDir(save).mkpath("Rock");
    QDir(save).mkpath("Jazz");
    QDir(save).mkpath(".versteckt");
    for (const char* name : {"b.mp3", "a.WAV", "notes.txt", "c.mp3.part", ".d.mp3", "Rock/e.mp3"}) {
        touch(save + name);
    }
    auto form = loadWindow();
    EXPECT_EQ(pane(*form), "Hauptordner: | Jazz,Rock | a.WAV,b.mp3");
}

TEST_F(frmMainTest, BrowserWalksTheSaveFolderTreeAndNeverLeavesIt)
{
    const QString save = App().DocumentsFolder;
    auto form = loadWindow();
    EXPECT_EQ(pane(*form), "Hauptordner: |  | ");
    QDir(save).mkpath("Rock/Live");
    touch(save + "Rock/a.mp3");
    form->FillDirAndFileLists();
    form->CmdBrowser_Click();
    touch(save + "neu.mp3");
    click(*form, "CmdDirBack");
    EXPECT_EQ(pane(*form), "Hauptordner: | Rock | ") << "the save folder is not listed again";

    auto* dirs = child<QListWidget>(*form, "lstDirs");
    const QPoint rock = dirs->visualItemRect(dirs->item(0)).center();
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, rock);
    QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, rock);
    EXPECT_EQ(pane(*form), "Rock | Live | a.mp3");
    click(*form, "CmdDirBack");
    EXPECT_EQ(pane(*form), "Hauptordner: | Rock | neu.mp3");
    for (const bool gone : {false, true}) {
        // A folder that has gone: the lists keep the folder listed before.
        if (gone) {
            QDir(save + "Rock/Live").removeRecursively();
        }
        dirs->setCurrentRow(0);
        QTest::keyClick(dirs, Qt::Key_Return);
    }
    EXPECT_EQ(form->CurrentFolder(), save + "Rock/Live/");
    EXPECT_EQ(pane(*form), "Live |  | a.mp3");
    click(*form, "CmdRootDir");
    EXPECT_EQ(form->CurrentFolder(), save);
    EXPECT_EQ(pane(*form), "Hauptordner: | Rock | neu.mp3");
}

TEST_F(frmMainTest, PrevNextAndPlayWorkOnTheSelectedFileOutsideASession)
{
    touch(App().DocumentsFolder + "a.mp3");
    touch(App().DocumentsFolder + "b.wav");
    auto form = loadWindow();
    RecordingController& controller = form->controller();
    auto* files = child<QListWidget>(*form, "lstFiles");
    auto* state = child<QLabel>(*form, "lblState");
    click(*form, "CmdNext");
    EXPECT_TRUE(files->selectedItems().isEmpty()) << "nothing selected: nothing happens";
    files->setCurrentRow(0);
    click(*form, "CmdNext");
    click(*form, "CmdNext");
    click(*form, "CmdNext");
    EXPECT_EQ(files->currentRow(), 1);
    EXPECT_EQ(state->text(), "Letzte Datei im Ordner");
    EXPECT_EQ(child<QTimer>(*form, "tmrDirs")->interval(), 3000);
    fire(*form, "tmrDirs");
    EXPECT_EQ(state->text(), "Aufnahmebereitschaft") << "a second hint is not taken for the status";
    click(*form, "CmdPrev");
    click(*form, "CmdPrev");
    EXPECT_EQ(state->text(), "Erste Datei im Ordner");

    click(*form, "CmdPlay");
    fire(*form, "tmrDirs");
    EXPECT_EQ(state->text(), "P L A Y") << "a status shown meanwhile stays";
    EXPECT_EQ(state->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_TRUE(state->font().bold() && controller.Playing());
    EXPECT_EQ(lower(*form), "5310 6 tags");
    click(*form, "CmdPause");
    click(*form, "CmdStop");
    EXPECT_EQ(state->text(), "Aufnahmebereitschaft");
    EXPECT_FALSE(controller.Playing() || controller.Paused()) << "Stop ends in standby";

    click(*form, "CmdRecord");
    EXPECT_TRUE(controller.SessionActive()) << "a new recording, not a resumed one";
    for (const char* name : {"CmdNext", "CmdPrev", "CmdPlay"}) {
        click(*form, name);
    }
    EXPECT_EQ(files->currentRow(), 0);
    EXPECT_FALSE(controller.Playing());
}

TEST_F(frmMainTest, SettingsPanelTakesTheBrowsersWidthAndClosesItselfInPlayMode)
{
    touch(App().DocumentsFolder + "a.mp3");
    auto form = loadWindow();
    auto* browse = child<CmdButton>(*form, "cmdBrowse");
    for (const bool browser : {false, true}) {
        if (browser) {
            form->CmdBrowser_Click(); // applied to the hidden panel
        }
        EXPECT_EQ(child<QLineEdit>(*form, "Text1")->width(), browser ? 607 : 275);
        EXPECT_EQ(browse->Caption() + QString::number(browse->x()), browser ? "Durchsuchen...833" : "...497");
        click(*form, "CmdSettings");
        EXPECT_EQ(lower(*form), "5310 5 panel");
        QTest::mouseClick(child<QLabel>(*form, "lblPath"), Qt::LeftButton);
        EXPECT_EQ(form->focusWidget(), child<QWidget>(*form, "dummy"));
        click(*form, "CmdSettings");
        EXPECT_EQ(lower(*form), "4680 6 tags");
    }

    child<QListWidget>(*form, "lstFiles")->setCurrentRow(0);
    click(*form, "CmdPlay");
    click(*form, "CmdSettings");
    fire(*form, "tmrSettings", 9);
    EXPECT_EQ(child<QTimer>(*form, "tmrSettings")->interval(), 500);
    click(*form, "CmdSettings"); // closed by hand: the count ends
    EXPECT_FALSE(child<QTimer>(*form, "tmrSettings")->isActive());
    click(*form, "CmdSettings"); // reopened: the count starts again
    fire(*form, "tmrSettings", 9);
    EXPECT_EQ(lower(*form), "5310 6 panel");
    fire(*form, "tmrSettings");
    EXPECT_EQ(lower(*form), "5310 6 tags");
    EXPECT_FALSE(form->SettingsOpen() || child<QTimer>(*form, "tmrSettings")->isActive());
}

TEST_F(frmMainTest, DroppedAudioIsReadableInFullAndADeviceErrorDoesNotHoldUpTheCapture)
{
    auto form = loadWindow();
    auto* timer = form->findChild<QTimer*>("tmrTimer");
    auto* bytes = child<QLabel>(*form, "lblBytesWritten");
    auto* dropped = child<QLabel>(*form, "lblDropped");
    QTest::mouseClick(child<CmdButton>(*form, "CmdRecord"), Qt::LeftButton);
    m_output.setBytesWritten(395598);
    m_output.CountLostCapture(176400 * 1234);
    QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_EQ(bytes->text(), "395598 bytes");
    EXPECT_EQ(dropped->text(), "(" + QLocale().toString(1234.0, 'f', 1) + " s verworfen)");
    for (QLabel* label : {bytes, dropped}) {
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
            << label->objectName().toStdString();
        EXPECT_TRUE(label->parentWidget()->rect().contains(label->geometry()));
    }

    // The level display runs on while a device error is on screen.
    QTest::mouseClick(child<QCheckBox>(*form, "chkMonitoring"), Qt::LeftButton);
    m_backend.setOpenFailure(-16, QStringLiteral("Device or resource busy"));
    QTest::mouseClick(child<CmdButton>(*form, "CmdStop"), Qt::LeftButton);
    QTest::mouseClick(child<CmdButton>(*form, "CmdRecord"), Qt::LeftButton);
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* candidate = qobject_cast<QMessageBox*>(widget); candidate && candidate->isVisible()) {
            box = candidate;
        }
    }
    ASSERT_NE(box, nullptr) << "the click returns while the box is open";
    EXPECT_EQ(box->text(), "Device or resource busy");
    EXPECT_EQ(box->windowTitle(), "Quernbell Audio Recorder");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->parentWidget(), nullptr) << "no owner window";
    EXPECT_FALSE(box->isModal());
    const int before = m_waveIn.LastMonitorBuffer();
    m_backend.produce(modWaveIn::MonitorBufferSize / 4);
    QCoreApplication::sendPostedEvents();
    EXPECT_NE(m_waveIn.LastMonitorBuffer(), before);

    // Closing the window closes the box, so the program can end.
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(qobject_cast<QMessageBox*>(widget) && widget->isVisible());
    }
}

TEST_F(frmMainTest, TheFastTimerRunsOnlyWhileSomethingItDrivesCanChange)
{
    auto form = loadWindow();
    auto* timer = child<QTimer>(*form, "tmrTimer");
    // The interval the timer keeps after the ticks that follow a change; 0 when it stops.
    const auto settled = [&] {
        for (int i = 0; i < 3 && timer->isActive(); ++i) {
            fire(*form, "tmrTimer");
        }
        return timer->isActive() ? timer->interval() : 0;
    };
    EXPECT_EQ(settled(), 0) << "standby";
    auto* level = child<QCheckBox>(*form, "chkMonitoring");
    // A screen reader toggles the box without a click.
    QAccessible::queryAccessibleInterface(level)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(settled(), RecordingController::MeterTickMs) << "level display on";
    EXPECT_TRUE(m_waveIn.MonitorActive());
    form->showMinimized();
    EXPECT_EQ(settled(), 0) << "nothing shown while minimized";
    form->showNormal();
    EXPECT_EQ(settled(), RecordingController::MeterTickMs) << "shown again";
    m_backend.failRunning(-5, QStringLiteral("Input/output error"));
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(level->isChecked() || form->controller().MeterOn())
        << "a failed level display is not shown as running";
    EXPECT_EQ(settled(), 0) << "level display failed";
    click(*form, "CmdReset");
    EXPECT_FALSE(m_waveIn.MonitorOpened()) << "Reset does not reopen it";
    QTest::mouseClick(level, Qt::LeftButton);
    EXPECT_TRUE(m_waveIn.MonitorActive()) << "ticked again, it opens anew";
    QTest::mouseClick(level, Qt::LeftButton);
    EXPECT_EQ(settled(), 0) << "level display off";

    click(*form, "CmdRecord");
    EXPECT_EQ(settled(), RecordingController::SessionTickMs) << "recording: the blink and the counts";
    click(*form, "CmdPause");
    EXPECT_EQ(settled(), RecordingController::SessionTickMs) << "paused: the recording may still end by itself";
    m_backend.failRunning(-5, QStringLiteral("Input/output error"));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(settled(), 0) << "ended by itself, seen by the window";
    EXPECT_EQ(child<QLabel>(*form, "lblState")->text(), "Aufnahmebereitschaft");
}

// A log-out ends the program whatever window is open; the recording keeps its name and the
// window does not come back.
TEST_F(frmMainTest, TerminationEndsEveryEventLoopWhateverWindowIsOpen)
{
    for (const char* open : {"naming dialog", "directory dialog", "error box"}) {
        SCOPED_TRACE(open);
        QFile::remove(App().IniFilePath);
        auto form = loadWindow();
        const QString recorded = App().SaveFolder + QStringLiteral("Rec.mp3");
        if (open[0] == 'n') {
            App().RecordFilePath = recorded;
            App().SelectFileName = QStringLiteral("Rec.mp3");
            touch(recorded);
            form->recordingFinished();
        } else if (open[0] == 'd') {
            click(*form, "CmdSettings");
            QTimer::singleShot(0, form.get(), [&] { click(*form, "cmdBrowse"); });
        } else {
            m_backend.setOpenFailure(-16, QStringLiteral("Device or resource busy"));
            QTest::mouseClick(child<QCheckBox>(*form, "chkMonitoring"), Qt::LeftButton);
            m_backend.setOpenFailure(0, QString());
        }
        QTimer::singleShot(0, form.get(), [&] { form->Terminate(); });
        QTimer hang;
        hang.callOnTimeout([] { QCoreApplication::exit(1); });
        hang.start(20000);
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(readIni("Bitrate"), "3");
        EXPECT_EQ(QFile::exists(recorded), open[0] == 'n');
        QFile::remove(recorded);
    }
}

// Click sequences no test of a single control tries, each with the state it must end in: "height
// caption lower part", whether the settings panel counts as open, and whether the count that closes
// it runs.
TEST_F(frmMainTest, ClickSequencesEndInAConsistentState)
{
    touch(App().DocumentsFolder + "a.mp3");
    struct Case
    {
        const char* steps;
        const char* lower;
        bool open;
    };
    // clang-format off
    const Case cases[] = {
        {"play settings settings stop settings 10ticks", "5310 5 panel", true},
        {"play settings stop tick 10ticks", "5310 5 panel", true},
        {"settings play", "5310 6 tags", false},
        {"settings play stop", "4680 6 panel", false},
        {"settings play settings", "5310 6 panel", true},
        {"record ended play", "5310 6 tags", false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps);
        auto form = loadWindow();
        child<QListWidget>(*form, "lstFiles")->setCurrentRow(0);
        for (const QString& step : QString::fromLatin1(c.steps).split(' ')) {
            if (step == "ended") {
                m_output.fireEnded(QStringLiteral("Der Encoder wurde unerwartet beendet."));
                QCoreApplication::sendPostedEvents();
            } else if (step.contains("tick")) {
                fire(*form, "tmrSettings", step == "tick" ? 1 : step.chopped(5).toInt());
            } else {
                click(*form, qPrintable("Cmd" + step.left(1).toUpper() + step.mid(1)));
            }
        }
        EXPECT_EQ(lower(*form), c.lower);
        EXPECT_EQ(form->SettingsOpen(), c.open);
        EXPECT_EQ(child<QTimer>(*form, "tmrSettings")->isActive(), QString(c.steps).endsWith("play settings"));
        click(*form, "CmdStop");
    }
}

// Keys reach only what the window shows, Tab shows where the focus is and a click does not, and the
// folder cannot change under a recording.
TEST_F(frmMainTest, TabWalksOnlyTheVisibleControlsAndRecordCancelsTheFolderChoice)
{
    auto form = loadWindow();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* reset = child<CmdButton>(*form, "CmdReset");
    const QImage designed = reset->grab().toImage();
    child<QWidget>(*form, "CmdRecord")->setFocus(Qt::TabFocusReason);
    for (const bool panel : {false, true}) {
        SCOPED_TRACE(panel ? "settings panel open" : "compact");
        if (panel) {
            click(*form, "CmdSettings");
        }
        QSet<QString> reached;
        QSet<QString> marked; // buttons showing style 3's focus edge
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            reached << focus->objectName();
            EXPECT_TRUE(form->rect().intersects(QRect(focus->mapTo(form.get(), QPoint(0, 0)), focus->size())))
                << focus->objectName().toStdString();
            auto* button = qobject_cast<CmdButton*>(focus);
            if (button && button->grab().toImage().pixel(button->width() / 2, 1) == qRgb(206, 231, 255))
                marked << button->objectName();
        }
        EXPECT_EQ(reached.contains("cmbkBits"), panel);
        EXPECT_TRUE(reached.contains("CmdRecord"));
        if (!panel) {
            EXPECT_EQ(marked.size(), 9) << QStringList(marked.values()).join(' ').toStdString();
        }
    }
    QTest::mouseClick(reset, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(reset->hasFocus());
    EXPECT_EQ(reset->grab().toImage(), designed);

    const QString folder = App().SaveFolder;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == "frmDirSelect") {
            window->close(); // left by other tests
        }
    }
    whenShown("frmDirSelect", [&](QWidget* dialog) {
        click(*form, "CmdRecord");
        if (dialog->isVisible()) { // without the mend, its OK takes another folder during the recording
            App().DirSelectPath = QStringLiteral("/elsewhere/");
            dialog->close();
        }
    });
    click(*form, "cmdBrowse");
    EXPECT_TRUE(form->controller().Recording());
    EXPECT_EQ(App().SaveFolder, folder);
    EXPECT_TRUE(App().RecordFilePath.startsWith(folder));
}

} // namespace
