#pragma once

#include <memory>

#include <QList>
#include <QPointer>
#include <QWidget>

#include "app/BrowserPane.h"
#include "app/SettingsPanel.h"
#include "recorder/RecordingView.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMessageBox;
class QTimer;

class CmdButton;
class Clock;
class PeakMeterPanel;
class RecordingController;
class RecordingOutput;
class modWaveIn;

/**
 * @brief The main window: status, level meter, transport buttons, and the browser pane and
 * lower settings and tag panels it composes. Positions follow the designed twips at 15 per pixel.
 *
 * Window sizes in twips include a nominal frame (8 x 30 pixels) as the designed sizes do;
 * the client area is the rest.
 */
class frmMain : public QWidget, public RecordingView
{
    Q_OBJECT
public:
    frmMain(modWaveIn& waveIn, RecordingOutput& output, const Clock& clock, QWidget* parent = nullptr);
    ~frmMain() override;

    /// Ends the program as a log-out does, whatever window is open: the window unloads (settings
    /// written, a running recording finished), then every event loop ends with exit code 0. A
    /// recording waiting in the naming dialog keeps the name it has.
    void Terminate();
    /// Reads bitrate, save folder and browser state from the settings file.
    void LoadSettings();
    /// Refills the folder and file lists from the folder shown.
    void FillDirAndFileLists() { m_browser->FillDirAndFileLists(); }
    /// Draws the level meter from two raw peaks.
    void SetPeakmeter(double lLeft, double lRight);

    int WidthTwips() const;
    int HeightTwips() const;
    void setWidthTwips(int twips);
    void setHeightTwips(int twips);

    RecordingController& controller() { return *m_controller; }
    PeakMeterPanel& meterPanel() { return *m_meter; }
    bool BrowserOpen() const { return m_browser->BrowserOpen(); }
    bool SettingsOpen() const { return m_settings->SettingsOpen(); }
    QString CurrentFolder() const { return m_browser->CurrentFolder(); }
    /// The browser's file list.
    QListWidget* FilesList() const { return m_browser->FilesList(); }

    // RecordingView
    void showState(const QString& text, const QColor& color, bool bold) override;
    QString stateCaption() const override;
    void setStateCaption(const QString& text) override;
    void setSettingsControlsEnabled(bool enabled) override;
    void setTimeText(const QString& text) override;
    void setBytesText(const QString& text) override;
    void setDroppedText(const QString& text) override;
    bool isShownNormally() const override;
    int selectedBitrateIndex() const override;
    bool monitoringTicked() const override;
    void setMonitoringTicked(bool ticked) override;
    void parkFocus() override;
    void setPeakmeter(double left, double right) override;
    void resetPeakHolds() override;
    void processPendingEvents() override;
    void recordingFinished() override;
    bool settingsOpen() const override { return SettingsOpen(); }
    void collapseLowerPanel() override { m_settings->collapse(); }
    void setTicking(int intervalMs) override;

    static constexpr int TwipsPerPixel = 15;
    static constexpr int CompactWidth = BrowserPane::CompactWidth;
    static constexpr int WideWidth = BrowserPane::WideWidth;
    static constexpr int CompactHeight = SettingsPanel::CompactHeight;
    static constexpr int ExpandedHeight = SettingsPanel::ExpandedHeight;
    static constexpr int FullDesignHeight = 5310;

public slots:
    void CmdBrowser_Click() { m_browser->CmdBrowser_Click(); }
    void CmdSettings_Click() { m_settings->CmdSettings_Click(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Controls beyond the window's edge (a closed pane or panel) take no focus.
    void updateReachableControls();
    void exitWhenIdle();
    void Form_Load();
    void Form_Unload();
    void buildControls();
    void buildStatusFrame();
    void buildTransport(BrowserPane::Controls& browser);
    void buildBrowserPane(BrowserPane::Controls& browser);
    void buildLowerPanels(SettingsPanel::Controls& settings);
    /// Accessible names for the buttons and the labels' boxes.
    void nameControls(const BrowserPane::Controls& browser, QLineEdit* Text1);
    /// The naming dialog is done: back to this window, with the named file selected.
    void returnFromNaming(const QString& fileName);
    void showDeviceError(const QString& text);
    CmdButton* makeButton(QWidget* parent, const char* name);

    modWaveIn& m_waveIn;
    RecordingOutput& m_output;
    std::unique_ptr<RecordingController> m_controller;
    bool m_unloaded = false;
    BrowserPane* m_browser = nullptr;
    SettingsPanel* m_settings = nullptr;

    // Status frame
    QGroupBox* fraStatus = nullptr;
    QLabel* lblState = nullptr;
    QLabel* lblTime = nullptr;
    QLabel* lblBytesWritten = nullptr;
    QLabel* lblDropped = nullptr;
    QList<QPointer<QMessageBox>> m_errorBoxes;

    // Meter and its switches
    QCheckBox* chkMonitoring = nullptr;
    CmdButton* CmdReset = nullptr;
    PeakMeterPanel* m_meter = nullptr;

    // Transport
    CmdButton* CmdRecord = nullptr;
    CmdButton* CmdStop = nullptr;
    CmdButton* CmdPause = nullptr;
    CmdButton* CmdPrev = nullptr;
    CmdButton* CmdPlay = nullptr;
    CmdButton* CmdNext = nullptr;
    QWidget* fraSide = nullptr;
    CmdButton* CmdBrowser = nullptr;
    CmdButton* CmdSettings = nullptr;

    // Lower panels: what the window itself still reads or switches (the pane and panel hold the rest).
    CmdButton* cmdBrowse = nullptr;
    QComboBox* cmbkBits = nullptr;
    QGroupBox* frmTAG = nullptr;
    QGroupBox* frmTAG2 = nullptr;
    QLineEdit* txtArtist = nullptr;
    QLineEdit* txtTitle = nullptr;
    QLineEdit* txtYear = nullptr;
    QLineEdit* txtAlbum = nullptr;
    QWidget* dummy = nullptr;

    QTimer* tmrTimer = nullptr;
};
