#include "app/BrowserPane.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "app/AppGlobals.h"
#include "app/FileHandling.h"
#include "controls/CmdButton.h"
#include "recorder/RecordingController.h"
#include "recorder/RecordingView.h"

namespace {
const QColor kPlayColor(0, 128, 0);
} // namespace

BrowserPane::BrowserPane(const Controls& controls, RecordingController& controller, RecordingView& view,
                         QObject* parent)
    : QObject(parent), m_controller(controller), m_view(view), CmdBrowser(controls.CmdBrowser),
      CmdRootDir(controls.CmdRootDir), lblDir(controls.lblDir), lstDirs(controls.lstDirs), lstFiles(controls.lstFiles)
{
    setObjectName(QStringLiteral("BrowserPane"));
    tmrDirs = new QTimer(this);
    tmrDirs->setObjectName(QStringLiteral("tmrDirs"));
    tmrDirs->setInterval(3000);
    connect(tmrDirs, &QTimer::timeout, this, &BrowserPane::tmrDirs_Timer);

    connect(CmdBrowser, &CmdButton::Click, this, &BrowserPane::CmdBrowser_Click);
    connect(controls.CmdDirBack, &CmdButton::Click, this, &BrowserPane::CmdDirBack_Click);
    connect(CmdRootDir, &CmdButton::Click, this, &BrowserPane::CmdRootDir_Click);
    connect(lstDirs, &QListWidget::itemDoubleClicked, this, &BrowserPane::lstDirs_DblClick);
    lstDirs->installEventFilter(this);
    // Previous and next react to the press itself; the button's click does nothing here.
    connect(controls.CmdPrev, &CmdButton::MouseDown, this, [this] { CmdPrev_MouseDown(); });
    connect(controls.CmdNext, &CmdButton::MouseDown, this, [this] { CmdNext_MouseDown(); });
    connect(controls.CmdPlay, &CmdButton::Click, this, &BrowserPane::CmdPlay_Click);

    CmdRootDir->hide();
    lstDirs->hide();
}

void BrowserPane::FillDirAndFileLists()
{
    // A folder that cannot be listed leaves the lists at the folder listed before.
    if (FileHandling::IsFolderPresent(m_currentFolder)) {
        m_listedFolder = m_currentFolder;
    }
    const QDir dir(m_listedFolder.isEmpty() ? QDir::currentPath() : m_listedFolder);
    lstDirs->clear();
    lstFiles->clear();

    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, order)) {
        lstDirs->addItem(name);
    }
    const QStringList patterns = {QStringLiteral("*.mp3"), QStringLiteral("*.wav")};
    QDir files(dir);
    files.setNameFilters(patterns);
    for (const QString& name : files.entryList(QDir::Files, order)) {
        lstFiles->addItem(name);
    }
}

void BrowserPane::CmdBrowser_Click()
{
    m_browserOpen = !m_browserOpen;
    emit widthWanted(m_browserOpen ? WideWidth : CompactWidth);
    if (m_browserOpen) {
        CmdBrowser->setCaption(QStringLiteral("3"));
        CmdRootDir->show();
        lstDirs->show();
    } else {
        CmdBrowser->setCaption(QStringLiteral("4"));
        CmdRootDir->hide();
        lstDirs->hide();
    }
    emit toggled(m_browserOpen);
}

void BrowserPane::showSaveFolder()
{
    m_currentFolder = App().SaveFolder;
    lblDir->setText(App().TextMainFolder);
    FillDirAndFileLists();
}

void BrowserPane::selectFile(const QString& name)
{
    for (int i = 0; i < lstFiles->count(); ++i) {
        if (lstFiles->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
            lstFiles->setCurrentRow(i);
        }
    }
}

QString BrowserPane::listedFolder() const
{
    QString folder = m_listedFolder.isEmpty() ? QDir::currentPath() : m_listedFolder;
    return FileHandling::AddBackslash(folder);
}

void BrowserPane::showFolderLabel()
{
    const bool atRoot = m_currentFolder.compare(App().SaveFolder, Qt::CaseInsensitive) == 0;
    lblDir->setText(atRoot ? App().TextMainFolder : FileHandling::LastPathPart(m_currentFolder));
}

void BrowserPane::refillUnlessListed()
{
    // Letter case counts here: on this file system two folders may differ in case alone.
    if (listedFolder() != m_currentFolder) {
        FillDirAndFileLists();
    }
}

void BrowserPane::lstDirs_DblClick()
{
    const QListWidgetItem* item = lstDirs->currentItem();
    if (item == nullptr || item->text().isEmpty()) {
        return;
    }
    FileHandling::AddBackslash(m_currentFolder);
    m_currentFolder += item->text() + u'/';
    showFolderLabel();
    FillDirAndFileLists();
}

void BrowserPane::CmdDirBack_Click()
{
    const QString saveFolder = App().SaveFolder;
    FileHandling::RemoveBackslash(m_currentFolder);
    m_currentFolder = FileHandling::ParentFolder(m_currentFolder);
    FileHandling::AddBackslash(m_currentFolder);
    if (m_currentFolder.left(saveFolder.size()).compare(saveFolder, Qt::CaseInsensitive) != 0) {
        // The step left the save folder's tree.
        m_currentFolder = saveFolder;
        lblDir->setText(App().TextMainFolder);
    } else {
        showFolderLabel();
    }
    refillUnlessListed();
}

void BrowserPane::CmdRootDir_Click()
{
    m_currentFolder = App().SaveFolder;
    lblDir->setText(App().TextMainFolder);
    refillUnlessListed();
}

void BrowserPane::CmdNext_MouseDown()
{
    stepFile(+1);
}

void BrowserPane::CmdPrev_MouseDown()
{
    stepFile(-1);
}

void BrowserPane::stepFile(int step)
{
    m_controller.noticeEndedRecording();
    if (m_controller.SessionActive()) {
        return;
    }
    const QList<QListWidgetItem*> selected = lstFiles->selectedItems();
    if (selected.isEmpty() || selected.first()->text().isEmpty()) {
        return;
    }
    const int row = lstFiles->row(selected.first());
    const bool atEnd = step > 0 ? row >= lstFiles->count() - 1 : row - 1 < 0;
    if (!atEnd) {
        lstFiles->setCurrentRow(row + step);
        lstFiles->scrollToItem(lstFiles->currentItem());
        return;
    }
    // A second hint while one shows keeps the text from before the first.
    if (!(tmrDirs->isActive() && m_view.stateCaption() == m_hintText)) {
        m_savedStateCaption = m_view.stateCaption();
    }
    m_hintText = step > 0 ? QStringLiteral("Letzte Datei im Ordner") : QStringLiteral("Erste Datei im Ordner");
    m_view.setStateCaption(m_hintText);
    tmrDirs->start();
}

void BrowserPane::tmrDirs_Timer()
{
    tmrDirs->stop();
    // A status set meanwhile (play, recording) is not overwritten by the old text.
    if (m_view.stateCaption() == m_hintText) {
        m_view.setStateCaption(m_savedStateCaption);
    }
}

void BrowserPane::CmdPlay_Click()
{
    m_controller.noticeEndedRecording();
    if (lstFiles->selectedItems().isEmpty() || m_controller.SessionActive()) {
        return;
    }
    if (m_controller.Paused()) {
        m_view.showState(App().TextPlay, kPlayColor, true);
        m_controller.setPaused(false);
    }
    emit playStarting();
    m_view.showState(App().TextPlay, kPlayColor, true);
    m_controller.setPlaying(true);
}

bool BrowserPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstDirs && event->type() == QEvent::KeyPress) {
        // Enter opens the folder as a double click does.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lstDirs_DblClick();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
