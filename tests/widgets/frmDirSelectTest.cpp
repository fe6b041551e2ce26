#include "controls/frmDirSelect.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "controls/DirListBox.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestApp.h"
#include "support/TestFiles.h"

namespace {

class frmDirSelectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestApp::init(m_dir.path());
        m_start = m_dir.path() + "/Aufnahmen/";
        ASSERT_TRUE(QDir(m_start).mkpath("Alt"));
        for (const char* name : {"setup.exe", "datei.txt"}) {
            ASSERT_TRUE(TestFiles::write(m_start + name));
        }
        App().DirSelectOpen = 1;
        App().DirSelectPath = m_start;
        App().DirSelectCaption = "Speicherpfad auswählen";
        m_form = new frmDirSelect();
        m_form->show();
    }
    void TearDown() override { delete m_form.data(); }

    template <typename T = QWidget> T* child(const char* name) { return m_form->findChild<T*>(QLatin1String(name)); }
    DirListBox* dir1() { return child<DirListBox>("Dir1"); }
    QLineEdit* text1() { return child<QLineEdit>("Text1"); }
    void press(const char* name, Qt::Key key) { QTest::keyClick(child(name), key); }

    QTemporaryDir m_dir;
    QString m_start;
    QPointer<frmDirSelect> m_form;
    MessageBoxCatcher m_boxes;
};

TEST_F(frmDirSelectTest, OpensInTheStartFolderAndTakesTheFolderOpenedInTheList)
{
    EXPECT_EQ(m_form->windowTitle(), "Speicherpfad auswählen");
    EXPECT_TRUE(m_form->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !m_form->isModal());
    EXPECT_TRUE(text1()->isHidden() && !child("File1")->isEnabled());
    EXPECT_EQ(m_form->focusWidget(), child("dummy"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(child("Command1"))->text(QAccessible::Name), "Übernehmen");
    EXPECT_EQ(dir1()->path(), m_start);
    EXPECT_EQ(child<QListWidget>("File1")->item(0)->text(), "setup.exe");

    // A volume that cannot be read is reported, and the list stays where it was.
    auto* drive1 = child<QComboBox>("Drive1");
    EXPECT_EQ(drive1->itemText(0), "/");
    const QString volume = drive1->currentText();
    drive1->addItem("/nicht-da/");
    drive1->setCurrentIndex(drive1->count() - 1);
    EXPECT_TRUE(m_boxes.texts.value(0).contains("/nicht-da/"));
    EXPECT_EQ(drive1->currentText(), volume);

    // A click only highlights; a double click opens, and OK takes the open folder.
    const QPoint alt = dir1()->visualItemRect(dir1()->findItems("Alt", Qt::MatchRecursive).value(0)).center();
    QTest::mouseClick(dir1()->viewport(), Qt::LeftButton, {}, alt);
    EXPECT_EQ(dir1()->path(), m_start);
    QTest::mouseDClick(dir1()->viewport(), Qt::LeftButton, {}, alt);
    EXPECT_EQ(dir1()->path(), m_start + "Alt/");
    EXPECT_EQ(child<QListWidget>("File1")->count(), 0);
    QTest::mouseClick(child("Command1"), Qt::LeftButton);
    EXPECT_EQ(App().DirSelectPath, m_start + "Alt/");
    EXPECT_EQ(App().DirSelectOpen, 0);
}

TEST_F(frmDirSelectTest, AMissingStartOpensTheWorkingFolderAndClosingKeepsThePath)
{
    delete m_form.data();
    App().DirSelectPath = m_dir.path() + "/fehlt/";
    App().DirSelectOpen = 1;
    m_form = new frmDirSelect();
    EXPECT_EQ(dir1()->path(), QDir::currentPath() + "/");
    m_form->close(); // the title bar's close button
    EXPECT_EQ(App().DirSelectOpen, 0);
    EXPECT_EQ(App().DirSelectPath, m_dir.path() + "/fehlt/");
}

TEST_F(frmDirSelectTest, ANameThatCannotBeMadeKeepsTheNameBoxAndSaysWhy)
{
    const QString exists = "Ein Ordner mit diesem Namen existiert bereits.";
    const QString cannot =
        "Der Ordner konnte nicht angelegt werden. \r\nDatenträger ist möglicherweise schreibgeschützt.  ";
    for (const QString& name :
         {QString(), QString("Alt"), QString(300, 'x'), QString("datei.txt/unter"), QString("../../draussen")}) {
        const QString& message = name.size() <= 3 ? exists : cannot;
        QTest::mouseClick(child("Command3"), Qt::LeftButton);
        text1()->setText(name); // pasted
        QTest::keyClick(text1(), Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(text1()->selectedText(), name) << "Ctrl+A keeps its meaning";
        press("Text1", Qt::Key_Return);
        EXPECT_EQ(m_boxes.texts.value(0), message) << name.toStdString();
        EXPECT_EQ(m_boxes.icons.value(0), message == exists ? QMessageBox::Information : QMessageBox::Critical);
        m_boxes.texts.clear();
        m_boxes.icons.clear();
        EXPECT_TRUE(!text1()->isHidden() && text1()->text() == name && m_form->focusWidget() == text1());
        press("Text1", Qt::Key_Escape);
        EXPECT_TRUE(text1()->isHidden() && !child("Command3")->isHidden());
    }
    EXPECT_FALSE(QFileInfo::exists(m_dir.path() + "/draussen"));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(m_dir.path()).path() + "/draussen"));
}

} // namespace
