#pragma once

#include <QObject>
#include <QPointer>

class QGroupBox;
class QLineEdit;
class QTimer;

class CmdButton;
class RecordingController;
class frmDirSelect;

/**
 * @brief The main window's settings panel below the transport: its toggle, its layout beside a
 * closed or open browser pane, and the choice of the save folder in the directory dialog.
 *
 * The panel and the tag frames share one place: whichever shows, the other is hidden. Opened
 * while playing, the panel closes by itself after ten ticks of its timer.
 */
class SettingsPanel : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        CmdButton* CmdSettings = nullptr;
        QGroupBox* frmSettings = nullptr;
        QGroupBox* frmTAG = nullptr;
        QGroupBox* frmTAG2 = nullptr;
        QLineEdit* Text1 = nullptr;
        CmdButton* cmdBrowse = nullptr;
    };

    /// The window's height in twips with the lower panel collapsed and shown.
    static constexpr int CompactHeight = 4680;
    static constexpr int ExpandedHeight = 5310;

    /// Starts closed, in the tag frames' place.
    SettingsPanel(const Controls& controls, RecordingController& controller, QObject* parent);

    bool SettingsOpen() const { return m_settingsOpen; }
    /// Widths and the browse button's caption for a closed or open browser pane.
    void applySettingsLayout(bool browserOpen);
    /// Playing starts: the tag frames take the panel's place; it is closed, not just hidden.
    void closeForPlay();
    /// The window shrinks to its compact height with the panel (not the tag frames) in place.
    void collapse();
    /// Shows the save folder in the path box.
    void showSaveFolder();
    /// An open directory dialog counts as cancelled; its waiting handler then returns.
    void cancelDirectoryDialog();
    /// The window unloads: the dialog is cancelled and its result no longer applied.
    void unload();

public slots:
    void CmdSettings_Click();
    void tmrSettings_Timer();
    /// Chooses the save folder in the directory dialog; returns when the dialog has closed.
    void cmdBrowse_Click();

signals:
    /// The window is to take this height in twips.
    void heightWanted(int twips);
    /// Controls moved: the window checks which of them it can still reach.
    void layoutApplied();
    /// A save folder was chosen (it is in the shared values).
    void saveFolderChosen();

private:
    void endSettingsCount();

    RecordingController& m_controller;
    bool m_settingsOpen = false;
    bool m_browserOpen = false;
    int m_settingsTicks = 0;
    bool m_browsing = false;
    bool m_unloaded = false;
    QPointer<frmDirSelect> m_dirSelect;

    CmdButton* CmdSettings = nullptr;
    QGroupBox* frmSettings = nullptr;
    QGroupBox* frmTAG = nullptr;
    QGroupBox* frmTAG2 = nullptr;
    QLineEdit* Text1 = nullptr;
    CmdButton* cmdBrowse = nullptr;
    QTimer* tmrSettings = nullptr;
};
