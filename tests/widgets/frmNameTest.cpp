#include "tagging/frmName.h"

#include <optional>

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/IniStore.h"
#include "app/frmMain.h"
#include "controls/CmdButton.h"
#include "support/FileSizeLimit.h"
#include "support/MainWindowTest.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestFiles.h"
#include "tagging/ID3tag.h"

namespace {

const QString kBase = QStringLiteral("Rec_(2026-12-07)_(23-59-01)");
const QString kRecorded = kBase + QStringLiteral(".mp3");
const QByteArray kAudio(4000, 'M');
const QString kAsk = QStringLiteral("  \r\nSoll Datum + Zeit als Dateiname verwendet werden ? (Standard)   ");

using TestFiles::read;

class frmNameTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        m_form = loadWindow();
    }

    /// A finished recording in the save folder, handed on as Stop does.
    void open()
    {
        AppGlobals& app = App();
        app.RecordBaseName = kBase;
        app.RecordExtension = QStringLiteral(".mp3");
        app.RecordFilePath = app.SaveFolder + kRecorded;
        app.SelectFileName = kRecorded;
        ASSERT_TRUE(TestFiles::write(app.RecordFilePath, kAudio));
        m_form->recordingFinished();
    }
    frmName* dialog() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return m_form->findChild<frmName*>();
    }
    template <typename T = QLineEdit> T* get(const char* name) const { return dialog()->findChild<T*>(name); }
    QString text(const char* name) const { return get(name)->text(); }
    void click(const char* name) { QTest::mouseClick(get<CmdButton>(name), Qt::LeftButton); }

    std::unique_ptr<frmMain> m_form;
    MessageBoxCatcher m_boxes;
};

TEST_F(frmNameTest, OpensInPlaceOfTheMainWindowWithTheRememberedEntriesAndTheNumberCountedOn)
{
    Commands::WriteIniValue(App().ProgramTitle, "LastNumber", "07", App().IniFilePath);
    Commands::WriteIniValue(App().ProgramTitle, "ArtistSubDir", "1", App().IniFilePath);
    open();
    ASSERT_NE(dialog(), nullptr);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(dialog()->windowTitle(), "Aufnahme benennen");
    EXPECT_EQ(text("txtNumber"), "8");
    EXPECT_TRUE(get<QCheckBox>("chkArtistDir")->isChecked());
    EXPECT_EQ(get("txtFileName")->selectedText(), kBase);
    EXPECT_EQ(dialog()->focusWidget(), get("txtFileName"));
    // The labels name their boxes; the buttons say what they do.
    // clang-format off
    const std::pair<const char*, const char*> names[] = {
        {"txtSubDir", "Künstler / Interpret / Unterordner 1:"}, {"txtYear", "Jahr:"},
        {"txtAlbum", "Album / Unterordner 2:"}, {"txtNumber", "Nummer:"},
        {"txtFileName", "Song Titel / Aufnahme Bezeichnung / Dateiname:"}, {"CmdButton1", "Felder leeren (Standard)"},
        {"CmdButton2", "Übernehmen"}, {"CmdButton3", "Letzte Einträge laden"}};
    // clang-format on
    for (const auto& [control, name] : names)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(get<QWidget>(control))->text(QAccessible::Name),
                  QString::fromUtf8(name));

    get("txtNumber")->setText("7");
    get("txtFileName")->setText("  T ");
    get<QCheckBox>("chkArtistDir")->setChecked(false);
    // Accepted through the screen reader's press action.
    QAccessible::queryAccessibleInterface(get<CmdButton>("CmdButton2"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QFile::exists(App().SaveFolder + "07 - T.mp3"));
    EXPECT_EQ(m_form->FilesList()->currentItem()->text(), "07 - T.mp3");

    open();
    EXPECT_EQ(text("txtNumber"), "8");
    EXPECT_FALSE(get<QCheckBox>("chkArtistDir")->isChecked());
    get("txtSubDir")->setText("X");
    click("CmdButton3");
    EXPECT_EQ(text("txtNumber") + text("txtFileName") + text("txtSubDir"), "7T");
    click("CmdButton1");
    EXPECT_EQ(text("txtNumber") + text("txtFileName"), kBase);
}

TEST_F(frmNameTest, KeysAreFilteredDoubleClickSelectsAllAndOnlyEnterInTheTitleAccepts)
{
    open();
    QTest::keyClicks(get("txtAlbum"), "a.b/c?");
    QTest::keyClicks(get("txtNumber"), "1x2.");
    EXPECT_EQ(text("txtAlbum") + text("txtNumber"), "abc?12.");
    QTest::mouseDClick(get("txtAlbum"), Qt::LeftButton);
    EXPECT_EQ(get("txtAlbum")->selectedText(), "abc?");
    // Editing keys keep their meaning: select all and retype, delete forwards, Tab to the next box.
    QTest::keyClick(get("txtNumber"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(get("txtNumber"), "7");
    get("txtYear")->setText("2004");
    get("txtYear")->setCursorPosition(0);
    QTest::keyClick(get("txtYear"), Qt::Key_Delete);
    EXPECT_EQ(text("txtNumber") + text("txtYear"), "7004");
    get("txtFileName")->setFocus();
    QTest::keyClick(get("txtFileName"), Qt::Key_Tab);
    EXPECT_NE(dialog()->focusWidget(), get("txtFileName"));

    QTest::keyClick(get("txtAlbum"), Qt::Key_Return);
    EXPECT_TRUE(m_boxes.texts.isEmpty());
    get("txtFileName")->clear();
    QTest::keyClick(get("txtFileName"), Qt::Key_Enter);
    EXPECT_EQ(dialog(), nullptr) << "the default answer Yes returns";
    EXPECT_EQ(read(App().SaveFolder + kRecorded), kAudio);
    ASSERT_EQ(m_boxes.texts.size(), 1);
    EXPECT_EQ(m_boxes.texts[0], "Es wurde kein Titel angegeben." + kAsk);
    EXPECT_EQ(m_boxes.icons[0], QMessageBox::Question);
    EXPECT_EQ(m_boxes.buttons[0], QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(m_boxes.defaults[0], QMessageBox::Yes);
    EXPECT_EQ(m_boxes.captions[0], "Quernbell Audio Recorder");

    // A recording whose file is gone has nothing to name.
    QFile::remove(App().SaveFolder + kRecorded);
    m_form->recordingFinished();
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(m_form->isVisible());
}

TEST_F(frmNameTest, AcceptNamesFilesAndTagsOrTellsWhyNotAndNeverLosesTheRecording)
{
    // Flags: a/b the folder boxes ticked, Y/N the answer, c closed by the frame instead, s the dialog stays (the focus
    // in the title box, or A the artist's, L the album's), t tagged, i entries stored, x a file "A - T.mp3" is there
    // already, F the disk is full once the recording is renamed. "~" in the boxes stands for a name too long
    // for the file system.
    struct Case
    {
        const char* what;
        const char* boxes; // artist|year|album|number|title
        const char* flags;
        QString file; // where the recording is afterwards, below the save folder
        QString message;
    };
    // clang-format off
    const Case cases[] = {
        {"only a number, Yes", "|||5|", "Y", kRecorded, "Es wurden keine Angaben gemacht." + kAsk},
        {"nothing, No", "||||", "Ns", kRecorded, "Es wurden keine Angaben gemacht."},
        {"closed by the frame", "A|2004|B|7|T", "abc", kRecorded, ""},
        {"no title, Yes", "A||||", "aYi", kRecorded, "Es wurde kein Titel angegeben." + kAsk},
        {"no title, No", "A||||", "aNs", kRecorded, "Es wurde kein Titel"},
        {"artist and title", "A||||T", "ti", "A - T.mp3", ""},
        {"both folders", "A|2004|B|7|T", "abti", "A/2004 - B/A - 07 - T.mp3", ""},
        {"no year", "A||B||T", "abti", "A/B/A - T.mp3", ""},
        {"album box, no album", "|2004||12|T", "bti", "12 - T.mp3", ""},
        {"number 0", "|||0|T", "ti", "00 - T.mp3", ""},
        {"the recorded name", "||||Rec_(2026-12-07)_(23-59-01)", "ti", kRecorded, ""},
        {"separators", "||||../a/b", "ti", ".._a_b.mp3", ""},
        {"control characters", "A\x01" "B||||T\tU", "ti", "A_B - T_U.mp3", ""},
        {"artist folder ..", "..||||T", "asA", kRecorded, "„..“ ist als Ordnername nicht möglich"},
        {"album folder .", "||.||T", "bsL", kRecorded, "„.“ ist als Ordnername nicht möglich"},
        {"title too long", "||||~", "s", kRecorded, "Der Name ist zu lang"},
        {"folder too long", "~||||T", "asA", kRecorded, "Der Name ist zu lang"},
        {"album folder too long", "A||~||T", "absL", kRecorded, "Der Name ist zu lang"},
        {"tag on a full disk", "A||||T", "iF", "A - T.mp3", "Die Angaben können nicht in die Aufnahme"},
        {"name taken", "A||||T", "sx", kRecorded, "gibt es schon"},
    };
    // clang-format on
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString flags = QString::fromLatin1(c.flags);
        App().SaveFolder = m_dir.filePath(QStringLiteral("case%1/").arg(++n));
        QDir().mkpath(App().SaveFolder);
        QFile::remove(App().IniFilePath);
        const QString other = App().SaveFolder + "A - T.mp3";
        if (flags.contains('x')) {
            ASSERT_TRUE(TestFiles::write(other, "other"));
        }
        m_boxes.texts.clear();
        open();
        const QStringList boxes = QString::fromLatin1(c.boxes).replace("~", QString(300, 'x')).split('|');
        for (int i = 0; const char* name : {"txtSubDir", "txtYear", "txtAlbum", "txtNumber", "txtFileName"}) {
            get(name)->setText(boxes.value(i++));
        }
        get<QCheckBox>("chkArtistDir")->setChecked(flags.contains('a'));
        get<QCheckBox>("chkAlbumDir")->setChecked(flags.contains('b'));
        if (flags.contains('Y') || flags.contains('N')) {
            m_boxes.answer(flags.contains('N') ? QMessageBox::No : QMessageBox::Yes);
        }
        if (flags.contains('c')) {
            dialog()->close();
        } else {
            std::optional<FileSizeLimit> full;
            if (flags.contains('F')) {
                full.emplace(kAudio.size());
            }
            click("CmdButton2");
        }
        if (flags.contains('s')) {
            const char* box = flags.contains('A') ? "txtSubDir" : flags.contains('L') ? "txtAlbum" : "txtFileName";
            EXPECT_EQ(dialog()->focusWidget(), get(box));
        }
        EXPECT_EQ(m_form->isVisible(), !flags.contains('s'));
        EXPECT_EQ(m_boxes.texts.size(), c.message.isEmpty() ? 0 : 1);
        EXPECT_TRUE(m_boxes.texts.value(0).contains(c.message)) << m_boxes.texts.value(0).toStdString();
        const QByteArray kept = read(App().SaveFolder + c.file);
        EXPECT_EQ(kept.left(kAudio.size()), kAudio);
        EXPECT_EQ(kept.size(), kAudio.size() + (flags.contains('t') ? 128 : 0));
        EXPECT_TRUE(c.file == kRecorded || !QFile::exists(App().SaveFolder + kRecorded));
        EXPECT_EQ(QFile::exists(App().IniFilePath), flags.contains('i'));
        if (flags.contains('x')) {
            EXPECT_EQ(read(other), "other");
        }
        if (dialog() != nullptr) {
            dialog()->close();
            EXPECT_TRUE(m_form->isVisible());
        }
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 3 + n)
        << "nothing beside bin, system, Dokumente and the save folders";
    EXPECT_TRUE(QDir(m_dir.filePath("case4/A")).exists()) << "made before the title is asked";
    ID3tag tag;
    tag.setFileName(m_dir.filePath("case7/A/2004 - B/A - 07 - T.mp3"));
    EXPECT_EQ(QStringList({tag.Artist(), tag.Album(), tag.Name(), tag.Comment()}),
              QStringList({"A", "B", "T", QString("made with Yarv's Vellumtracker").left(28)}));
    EXPECT_EQ(QList<int>({tag.Year(), tag.SongNumber(), tag.Genre()}), QList<int>({2004, 7, 255}));
}

} // namespace
