#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QListWidget;
class QTimer;

class CmdButton;
class RecordingController;
class RecordingView;

/**
 * @brief The main window's browser pane: the folder and file lists below the save folder, the
 * steps through them (previous, next, up, to the top), its toggle and the play button.
 *
 * The window makes the controls and hands them over; the pane asks the window through its
 * signals for what changes the window itself (its width, the lower panel for playing).
 */
class BrowserPane : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        CmdButton* CmdBrowser = nullptr;
        CmdButton* CmdRootDir = nullptr;
        CmdButton* CmdDirBack = nullptr;
        CmdButton* CmdPrev = nullptr;
        CmdButton* CmdPlay = nullptr;
        CmdButton* CmdNext = nullptr;
        QLabel* lblDir = nullptr;
        QListWidget* lstDirs = nullptr;
        QListWidget* lstFiles = nullptr;
    };

    /// The window's width in twips with the pane closed and open.
    static constexpr int CompactWidth = 8175;
    static constexpr int WideWidth = 14235;

    /// Starts closed: the folder list and its top button hidden.
    BrowserPane(const Controls& controls, RecordingController& controller, RecordingView& view, QObject* parent);

    bool BrowserOpen() const { return m_browserOpen; }
    QString CurrentFolder() const { return m_currentFolder; }
    void setCurrentFolder(const QString& folder) { m_currentFolder = folder; }
    /// The file list.
    QListWidget* FilesList() const { return lstFiles; }

    /// Refills the folder and file lists from the folder shown.
    void FillDirAndFileLists();
    /// Shows the save folder again (it has just been chosen).
    void showSaveFolder();
    /// Selects the listed file of that name, letter case aside.
    void selectFile(const QString& name);

public slots:
    void CmdBrowser_Click();
    void CmdDirBack_Click();
    void CmdRootDir_Click();
    void CmdPlay_Click();
    void CmdPrev_MouseDown();
    void CmdNext_MouseDown();
    void lstDirs_DblClick();
    void tmrDirs_Timer();

signals:
    /// The window is to take this width in twips (the pane opens or closes).
    void widthWanted(int twips);
    /// Opened or closed: the lower panel is laid out for it.
    void toggled(bool open);
    /// Playing starts: the window makes room for the tag frames in place of the settings panel.
    void playStarting();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stepFile(int step);
    void showFolderLabel();
    void refillUnlessListed();
    QString listedFolder() const;

    RecordingController& m_controller;
    RecordingView& m_view;

    bool m_browserOpen = false;
    QString m_currentFolder;
    QString m_listedFolder;
    QString m_savedStateCaption;
    QString m_hintText;

    CmdButton* CmdBrowser = nullptr;
    CmdButton* CmdRootDir = nullptr;
    QLabel* lblDir = nullptr;
    QListWidget* lstDirs = nullptr;
    QListWidget* lstFiles = nullptr;
    QTimer* tmrDirs = nullptr;
};
