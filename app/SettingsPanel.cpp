#include "app/SettingsPanel.h"

#include <QEventLoop>
#include <QGroupBox>
#include <QLineEdit>
#include <QTimer>

#include "app/AppGlobals.h"
#include "app/FileHandling.h"
#include "app/WindowUtils.h"
#include "controls/CmdButton.h"
#include "controls/frmDirSelect.h"
#include "recorder/RecordingController.h"

SettingsPanel::SettingsPanel(const Controls& controls, RecordingController& controller, QObject* parent)
    : QObject(parent), m_controller(controller), CmdSettings(controls.CmdSettings), frmSettings(controls.frmSettings),
      frmTAG(controls.frmTAG), frmTAG2(controls.frmTAG2), Text1(controls.Text1), cmdBrowse(controls.cmdBrowse)
{
    setObjectName(QStringLiteral("SettingsPanel"));
    tmrSettings = new QTimer(this);
    tmrSettings->setObjectName(QStringLiteral("tmrSettings"));
    tmrSettings->setInterval(500);
    connect(tmrSettings, &QTimer::timeout, this, &SettingsPanel::tmrSettings_Timer);
    connect(CmdSettings, &CmdButton::Click, this, &SettingsPanel::CmdSettings_Click);
    connect(cmdBrowse, &CmdButton::Click, this, &SettingsPanel::cmdBrowse_Click);

    frmSettings->move(frmSettings->x(), frmTAG->y());
    frmSettings->hide();
}

void SettingsPanel::applySettingsLayout(bool browserOpen)
{
    m_browserOpen = browserOpen;
    const int panelWidth = browserOpen ? 13935 : 7875;
    frmSettings->resize(Commands::TwipsToPixels(panelWidth), frmSettings->height());
    Text1->resize(Commands::TwipsToPixels(browserOpen ? 9105 : 4125), Text1->height());
    cmdBrowse->setGeometryTwips(browserOpen ? 12495 : 7455, 180, browserOpen ? 1335 : 330, 330);
    cmdBrowse->setCaption(browserOpen ? QStringLiteral("Durchsuchen...") : QStringLiteral("..."));
    emit layoutApplied();
}

void SettingsPanel::closeForPlay()
{
    emit heightWanted(ExpandedHeight);
    endSettingsCount();
    m_settingsOpen = false;
    CmdSettings->setCaption(QStringLiteral("6"));
    frmSettings->hide();
    frmTAG->show();
    frmTAG2->show();
}

void SettingsPanel::collapse()
{
    emit heightWanted(CompactHeight);
    CmdSettings->setCaption(QStringLiteral("6"));
    frmSettings->show();
    frmTAG->hide();
    frmTAG2->hide();
}

void SettingsPanel::showSaveFolder()
{
    Text1->setText(App().SaveFolder);
}

void SettingsPanel::cancelDirectoryDialog()
{
    if (m_dirSelect) {
        m_dirSelect->close();
    }
}

void SettingsPanel::unload()
{
    m_unloaded = true;
    cancelDirectoryDialog();
}

void SettingsPanel::CmdSettings_Click()
{
    const bool wasOpen = m_settingsOpen;
    m_settingsOpen = !m_settingsOpen;
    const bool playing = m_controller.Playing();
    // Only a panel opened in play mode closes by itself; any other toggle ends the count.
    endSettingsCount();
    if (wasOpen) {
        if (!playing) {
            emit heightWanted(CompactHeight);
            CmdSettings->setCaption(QStringLiteral("6"));
        }
        frmSettings->hide();
        frmTAG->show();
        frmTAG2->show();
        return;
    }
    emit heightWanted(ExpandedHeight);
    applySettingsLayout(m_browserOpen);
    frmSettings->show();
    frmTAG->hide();
    frmTAG2->hide();
    if (playing) {
        tmrSettings->start();
    } else {
        CmdSettings->setCaption(QStringLiteral("5"));
    }
}

void SettingsPanel::endSettingsCount()
{
    tmrSettings->stop();
    m_settingsTicks = 0;
}

void SettingsPanel::tmrSettings_Timer()
{
    if (!m_controller.Playing()) {
        // Stopped meanwhile: the panel stays open as one opened in standby.
        endSettingsCount();
        CmdSettings->setCaption(QStringLiteral("5"));
        return;
    }
    ++m_settingsTicks;
    if (m_settingsTicks >= 10) {
        // Height and caption stay: the window keeps showing the tag frames.
        frmSettings->hide();
        frmTAG->show();
        frmTAG2->show();
        m_settingsOpen = false;
        tmrSettings->stop();
        m_settingsTicks = 0;
    }
}

void SettingsPanel::cmdBrowse_Click()
{
    // One wait at a time: a second click while the dialog is open brings it to the front.
    if (m_browsing) {
        if (m_dirSelect) {
            m_dirSelect->raise();
            m_dirSelect->activateWindow();
        }
        return;
    }
    m_browsing = true;
    AppGlobals& app = App();
    app.DirSelectOpen = 1;
    app.DirSelectPath = Text1->text();
    app.DirSelectCaption = QStringLiteral("Speicherpfad auswählen");

    // No owner and not modal: the window stays usable while this handler waits.
    m_dirSelect = new frmDirSelect();
    QEventLoop wait;
    connect(m_dirSelect, &frmDirSelect::closed, &wait, &QEventLoop::quit);
    connect(m_dirSelect, &QObject::destroyed, &wait, &QEventLoop::quit);
    m_dirSelect->show();
    if (app.DirSelectOpen == 1) {
        wait.exec();
    }
    m_dirSelect = nullptr;
    m_browsing = false;
    if (m_unloaded) {
        return;
    }

    app.SaveFolder = app.DirSelectPath;
    FileHandling::AddBackslash(app.SaveFolder);
    Text1->setText(app.SaveFolder);
    emit saveFolderChosen();
}
