#include "app/frmMain.h"

#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTimer>

#include "app/AppGlobals.h"
#include "app/BrowserPane.h"
#include "app/Commands.h"
#include "app/FileHandling.h"
#include "app/IniStore.h"
#include "app/ReachableControls.h"
#include "app/SettingsPanel.h"
#include "app/WindowUtils.h"
#include "controls/CmdButton.h"
#include "controls/FormFile.h"
#include "recorder/PeakMeterPanel.h"
#include "recorder/RecordingController.h"
#include "recorder/RecordingOutput.h"
#include "recorder/modWaveIn.h"
#include "tagging/frmName.h"

namespace {
// The designed window sizes include the frame; these are its nominal twips.
constexpr int kFrameWidthTwips = Commands::NominalFrameWidth * frmMain::TwipsPerPixel;
constexpr int kFrameHeightTwips = Commands::NominalFrameHeight * frmMain::TwipsPerPixel;
constexpr int kLowerPanelTop = frmMain::CompactHeight - kFrameHeightTwips;

const QStringList kBitrates = {
    QStringLiteral("320"), QStringLiteral("256"), QStringLiteral("224"), QStringLiteral("192"), QStringLiteral("160"),
    QStringLiteral("128"), QStringLiteral("112"), QStringLiteral("96"),  QStringLiteral("80"),  QStringLiteral("64"),
    QStringLiteral("56"),  QStringLiteral("48"),  QStringLiteral("32")};
} // namespace

frmMain::frmMain(modWaveIn& waveIn, RecordingOutput& output, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_waveIn(waveIn), m_output(output)
{
    setObjectName(QStringLiteral("frmMain"));
    setFont(Commands::DesignFont(8.25));
    m_controller = std::make_unique<RecordingController>(*this, waveIn, output, clock);
    buildControls();
    Form_Load();
}

frmMain::~frmMain()
{
    Form_Unload();
}

CmdButton* frmMain::makeButton(QWidget* parent, const char* name)
{
    // The buttons as designed: place, caption, font and colours from the saved form.
    // Read per button: a form kept in a static would outlive the application's fonts.
    return CmdButton::Load(FormFile::load(QStringLiteral(":/forms/frmMain.frm")), QLatin1String(name), parent);
}

void frmMain::buildControls()
{
    buildStatusFrame();
    BrowserPane::Controls browser;
    SettingsPanel::Controls settings;

    chkMonitoring = new QCheckBox(QStringLiteral("Aussteuerungsanzeige"), this);
    chkMonitoring->setObjectName(QStringLiteral("chkMonitoring"));
    chkMonitoring->setGeometry(Commands::TwipsRect(4200, 300, 2055, 255));
    // The state change rather than the click: assistive technology toggles the box without clicking it.
    connect(chkMonitoring, &QCheckBox::toggled, this, [this] { m_controller->chkMonitoring_Click(); });

    CmdReset = makeButton(this, "CmdReset");
    connect(CmdReset, &CmdButton::Click, this, [this] { m_controller->CmdReset_Click(); });

    m_meter = new PeakMeterPanel(this);

    buildTransport(browser);
    buildBrowserPane(browser);
    buildLowerPanels(settings);
    nameControls(browser, settings.Text1);

    // Takes the focus so no visible control keeps a focus mark; lies outside the window.
    // A plain widget, no Tab stop: neither a keyboard nor a screen reader user meets it.
    dummy = new QWidget(this);
    dummy->setObjectName(QStringLiteral("dummy"));
    dummy->setGeometry(-100, -100, 10, 10);

    tmrTimer = new QTimer(this);
    tmrTimer->setObjectName(QStringLiteral("tmrTimer"));
    // Never early: a tick that came a little before the blink is due would put it off a whole tick.
    tmrTimer->setTimerType(Qt::PreciseTimer);
    tmrTimer->setInterval(15);
    connect(tmrTimer, &QTimer::timeout, this, [this] { m_controller->Tick(); });

    m_settings = new SettingsPanel(settings, *m_controller, this);
    connect(m_settings, &SettingsPanel::heightWanted, this, &frmMain::setHeightTwips);
    connect(m_settings, &SettingsPanel::layoutApplied, this, &frmMain::updateReachableControls);
    m_settings->applySettingsLayout(false); // the short "..." button while the browser pane is closed
    m_browser = new BrowserPane(browser, *m_controller, *this, this);
    connect(m_browser, &BrowserPane::widthWanted, this, &frmMain::setWidthTwips);
    connect(m_browser, &BrowserPane::toggled, m_settings, &SettingsPanel::applySettingsLayout);
    connect(m_browser, &BrowserPane::playStarting, m_settings, &SettingsPanel::closeForPlay);
    connect(m_settings, &SettingsPanel::saveFolderChosen, m_browser, &BrowserPane::showSaveFolder);
}

void frmMain::buildStatusFrame()
{
    fraStatus = new QGroupBox(this);
    fraStatus->setObjectName(QStringLiteral("fraStatus"));
    fraStatus->setGeometry(Commands::TwipsRect(120, 60, 3390, 1755));
    // A click on the frame only parks the focus, so that no visible control keeps a focus mark.
    fraStatus->installEventFilter(this);

    lblState = Commands::MakeLabel(fraStatus, "lblState", QString(), Commands::TwipsRect(60, 180, 3270, 420));
    lblState->setAlignment(Qt::AlignCenter);
    lblState->setFont(Commands::DesignFont(12));

    Commands::MakeLabel(fraStatus, "lblTimeCaption", QStringLiteral("Zeit:"), Commands::TwipsRect(180, 840, 1500, 255));
    lblTime = Commands::MakeLabel(fraStatus, "lblTime", QStringLiteral("00:00:00"),
                                  Commands::TwipsRect(1740, 840, 1560, 255));
    Commands::MakeLabel(fraStatus, "lblBytesCaption", QStringLiteral("Bytes geschrieben:"),
                        Commands::TwipsRect(180, 1200, 1500, 255));
    lblBytesWritten = Commands::MakeLabel(fraStatus, "lblBytesWritten", QStringLiteral("0 bytes"),
                                          Commands::TwipsRect(1740, 1200, 1560, 255));
    // Audio that could not be kept, on a line of its own under the count so it is read in full.
    lblDropped = Commands::MakeLabel(fraStatus, "lblDropped", QString(), Commands::TwipsRect(180, 1455, 3120, 255));
    lblDropped->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void frmMain::buildTransport(BrowserPane::Controls& browser)
{
    CmdRecord = makeButton(this, "CmdRecord");
    CmdRecord->setToolTip(QStringLiteral(" R E C "));
    CmdStop = makeButton(this, "CmdStop");
    CmdStop->setToolTip(QStringLiteral(" S T O P "));
    CmdPause = makeButton(this, "CmdPause");
    CmdPause->setToolTip(QStringLiteral(" P A U S E "));
    CmdPrev = makeButton(this, "CmdPrev");
    CmdPrev->setToolTip(QStringLiteral(" P R E V "));
    CmdPlay = makeButton(this, "CmdPlay");
    CmdPlay->setToolTip(QStringLiteral(" P L A Y "));
    CmdNext = makeButton(this, "CmdNext");
    CmdNext->setToolTip(QStringLiteral(" N E X T "));

    connect(CmdRecord, &CmdButton::Click, this, [this] {
        // The save folder must not change under a recording: an open folder choice is cancelled.
        m_settings->cancelDirectoryDialog();
        m_controller->CmdRecord();
    });
    connect(CmdPause, &CmdButton::Click, this, [this] { m_controller->CmdPause(); });
    connect(CmdStop, &CmdButton::Click, this, [this] { m_controller->CmdStop(); });
    browser.CmdPrev = CmdPrev;
    browser.CmdPlay = CmdPlay;
    browser.CmdNext = CmdNext;

    // The pane and panel toggles stand in a strip at the right edge of the compact window.
    fraSide = new QWidget(this);
    fraSide->setObjectName(QStringLiteral("fraSide"));
    fraSide->setGeometry(Commands::TwipsRect(7155, 0, 600, 4080));
    CmdBrowser = makeButton(fraSide, "CmdBrowser");
    CmdBrowser->setToolTip(QStringLiteral(" Datei-Browser "));
    browser.CmdBrowser = CmdBrowser;
    CmdSettings = makeButton(fraSide, "CmdSettings");
    CmdSettings->setToolTip(QStringLiteral(" Aufnahme-Einstellungen "));
}

void frmMain::buildBrowserPane(BrowserPane::Controls& browser)
{
    browser.CmdRootDir = makeButton(this, "CmdRootDir");
    browser.CmdRootDir->setToolTip(QStringLiteral("ins Hauptverzeichnis"));
    browser.CmdDirBack = makeButton(this, "CmdDirBack");
    browser.CmdDirBack->setToolTip(QStringLiteral("eine Ebene höher"));

    browser.lblDir =
        Commands::MakeLabel(this, "lblDir", App().TextMainFolder, Commands::TwipsRect(9660, 135, 1395, 255));
    Commands::MakeLabel(this, "Label1", QStringLiteral("Aufnahmen:"), Commands::TwipsRect(11100, 15, 2955, 225));

    browser.lstDirs = new QListWidget(this);
    browser.lstDirs->setObjectName(QStringLiteral("lstDirs"));
    browser.lstDirs->setGeometry(Commands::TwipsRect(8100, 420, 2955, 3795));
    browser.lstFiles = new QListWidget(this);
    browser.lstFiles->setObjectName(QStringLiteral("lstFiles"));
    browser.lstFiles->setGeometry(Commands::TwipsRect(11100, 240, 2955, 3975));
}

void frmMain::buildLowerPanels(SettingsPanel::Controls& settings)
{
    frmTAG = new QGroupBox(this);
    frmTAG->setObjectName(QStringLiteral("frmTAG"));
    frmTAG->setGeometry(Commands::TwipsRect(75, kLowerPanelTop, 5100, 600));
    Commands::MakeLabel(frmTAG, "lblArtist", QStringLiteral("Interpret:"), Commands::TwipsRect(90, 195, 810, 255));
    txtArtist = new QLineEdit(frmTAG);
    txtArtist->setObjectName(QStringLiteral("txtArtist"));
    txtArtist->setGeometry(Commands::TwipsRect(900, 150, 1680, 315));
    Commands::MakeLabel(frmTAG, "lblTitle", QStringLiteral("Titel:"), Commands::TwipsRect(2640, 195, 600, 255));
    txtTitle = new QLineEdit(frmTAG);
    txtTitle->setObjectName(QStringLiteral("txtTitle"));
    txtTitle->setGeometry(Commands::TwipsRect(3240, 150, 1770, 315));

    frmTAG2 = new QGroupBox(this);
    frmTAG2->setObjectName(QStringLiteral("frmTAG2"));
    frmTAG2->setGeometry(Commands::TwipsRect(5235, kLowerPanelTop, 2715, 600));
    Commands::MakeLabel(frmTAG2, "lblYear", QStringLiteral("Jahr:"), Commands::TwipsRect(90, 195, 480, 255));
    txtYear = new QLineEdit(frmTAG2);
    txtYear->setObjectName(QStringLiteral("txtYear"));
    txtYear->setGeometry(Commands::TwipsRect(570, 150, 600, 315));
    Commands::MakeLabel(frmTAG2, "lblAlbum", QStringLiteral("Album:"), Commands::TwipsRect(1230, 195, 600, 255));
    txtAlbum = new QLineEdit(frmTAG2);
    txtAlbum->setObjectName(QStringLiteral("txtAlbum"));
    txtAlbum->setGeometry(Commands::TwipsRect(1800, 150, 840, 315));

    auto* frmSettings = new QGroupBox(this);
    frmSettings->setObjectName(QStringLiteral("frmSettings"));
    frmSettings->setGeometry(Commands::TwipsRect(75, 0, 7875, 600));
    QLabel* lblBitsNeu = Commands::MakeLabel(frmSettings, "lblBitsNeu", QStringLiteral("Bitrate (kBit/s):"),
                                             Commands::TwipsRect(90, 195, 1230, 255));
    cmbkBits = new QComboBox(frmSettings);
    cmbkBits->setObjectName(QStringLiteral("cmbkBits"));
    cmbkBits->addItems(kBitrates);
    cmbkBits->setGeometry(Commands::TwipsRect(1320, 135, 870, 330));
    QLabel* lblPath = Commands::MakeLabel(frmSettings, "lblPath", QStringLiteral("Speicherpfad:"),
                                          Commands::TwipsRect(2220, 195, 1050, 255));
    auto* Text1 = new QLineEdit(frmSettings);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(Commands::TwipsRect(3270, 150, 4125, 315));
    cmdBrowse = makeButton(frmSettings, "cmdBrowse");
    settings = {CmdSettings, frmSettings, frmTAG, frmTAG2, Text1, cmdBrowse};

    // Clicks on these only park the focus, so that no visible control keeps a focus mark.
    for (QWidget* widget :
         {static_cast<QWidget*>(frmSettings), static_cast<QWidget*>(lblPath), static_cast<QWidget*>(lblBitsNeu)}) {
        widget->installEventFilter(this);
    }
}

void frmMain::nameControls(const BrowserPane::Controls& browser, QLineEdit* Text1)
{
    // A symbol caption says nothing to a screen reader: each button is named after what it does.
    const std::pair<CmdButton*, const char*> buttons[] = {
        {CmdRecord, "Aufnahme"},
        {CmdPause, "Pause"},
        {CmdStop, "Stopp"},
        {CmdPrev, "Vorherige Datei"},
        {CmdPlay, "Abspielen"},
        {CmdNext, "Nächste Datei"},
        {CmdBrowser, "Datei-Browser"},
        {CmdSettings, "Aufnahme-Einstellungen"},
        {browser.CmdRootDir, "Zum Hauptverzeichnis"},
        {browser.CmdDirBack, "Eine Ebene höher"},
        {CmdReset, "Spitzenwerte zurücksetzen"},
        {cmdBrowse, "Speicherordner wählen"},
    };
    for (const auto& [button, name] : buttons) {
        button->setAccessibleName(QString::fromUtf8(name));
    }
    // Lists take no name from a label.
    browser.lstDirs->setAccessibleName(QStringLiteral("Ordner"));
    browser.lstFiles->setAccessibleName(QStringLiteral("Aufnahmen"));
    // The boxes are named by the labels beside them (a combo box through the relation).
    const std::pair<const char*, QWidget*> buddies[] = {
        {"lblBitsNeu", cmbkBits}, {"lblPath", Text1},   {"lblArtist", txtArtist},
        {"lblTitle", txtTitle},   {"lblYear", txtYear}, {"lblAlbum", txtAlbum},
    };
    for (const auto& [label, box] : buddies) {
        findChild<QLabel*>(QLatin1String(label))->setBuddy(box);
    }
}

void frmMain::Form_Load()
{
    // Centred from the full design size, before the window shrinks to its compact size.
    setWidthTwips(WideWidth);
    setHeightTwips(FullDesignHeight);
    Commands::CenterForm(this);

    setHeightTwips(CompactHeight);
    setWidthTwips(CompactWidth);

    txtArtist->clear();
    txtTitle->clear();
    txtYear->clear();
    txtAlbum->clear();

    // Holds back to 0; the bars and markers follow with the first drawing.
    m_meter->meter().Reset();
    if (!m_waveIn.MonitorActive()) {
        SetPeakmeter(0, 0);
    }

    showState(App().TextStandby, QColor(0, 0, 255), false);
    m_waveIn.HookMainWindow(true);
    m_waveIn.setErrorReporter([this](const QString& text) { showDeviceError(text); });
    // The timer starts when the window is shown, and runs only while it has something to do.
}

void frmMain::Form_Unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    tmrTimer->stop();
    m_settings->unload();
    m_waveIn.HookMainWindow(false);
    m_waveIn.CloseRecording();
    m_waveIn.CloseMonitor();
    // A box without an owner would keep the program running after its window has gone.
    for (const QPointer<QMessageBox>& box : std::as_const(m_errorBoxes)) {
        if (box) {
            box->close();
        }
    }
    QCoreApplication::processEvents();

    const AppGlobals& app = App();
    Commands::WriteIniValue(app.ProgramTitle, QStringLiteral("Bitrate"), QString::number(cmbkBits->currentIndex()),
                            app.IniFilePath);
    Commands::WriteIniValue(app.ProgramTitle, QStringLiteral("SavePath"), app.SaveFolder, app.IniFilePath);
    Commands::WriteIniValue(app.ProgramTitle, QStringLiteral("Browser"),
                            m_browser->BrowserOpen() ? QStringLiteral("1") : QStringLiteral("0"), app.IniFilePath);
    QCoreApplication::processEvents();
}

void frmMain::Terminate()
{
    close();
    Form_Unload();
    exitWhenIdle();
}

void frmMain::exitWhenIdle()
{
    // A Stop that is finishing its file waits for the encoder in a local loop: ending the loops
    // now would cut the file short.
    if (m_controller->Finishing()) {
        QTimer::singleShot(10, this, &frmMain::exitWhenIdle);
        return;
    }
    // Not quit(): that would close the other windows first, and the naming dialog would bring
    // this one back.
    QCoreApplication::exit(0);
}

void frmMain::showDeviceError(const QString& text)
{
    // No owner window, and shown without waiting for it: the capture path that reports goes on
    // at once, so the meter keeps moving and a shared device's reader does not fall behind.
    auto* box =
        new QMessageBox(QMessageBox::Critical, QStringLiteral("Quernbell Audio Recorder"), text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Like a box without owner on the original platform, it blocks no other window.
    box->setWindowModality(Qt::NonModal);
    m_errorBoxes.removeAll(nullptr);
    m_errorBoxes.append(box);
    box->show();
    // The level display may be what failed: the box must not stay ticked over a frozen meter.
    m_controller->noticeClosedMonitor();
}

void frmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setTicking(RecordingController::MeterTickMs); // one tick shows what changed meanwhile
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateReachableControls();
}

void frmMain::updateReachableControls()
{
    if (ReachableControls::update(*this)) {
        // Keys must not reach it unseen.
        parkFocus();
    }
}

void frmMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        // A restored window catches up; a minimized one stops at the next tick.
        setTicking(RecordingController::MeterTickMs);
    }
}

void frmMain::setTicking(int intervalMs)
{
    if (intervalMs <= 0 || m_unloaded) {
        tmrTimer->stop();
        return;
    }
    if (tmrTimer->interval() != intervalMs) {
        tmrTimer->setInterval(intervalMs);
    }
    if (!tmrTimer->isActive()) {
        tmrTimer->start();
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmMain::LoadSettings()
{
    AppGlobals& app = App();
    const QString bitrate =
        Commands::ReadIniValue(app.ProgramTitle, QStringLiteral("Bitrate"), app.IniFilePath, QStringLiteral("3"));
    const int index = Commands::BitrateIndexFromIni(bitrate);
    // An index the list does not have selects nothing; the next unload then writes -1.
    cmbkBits->setCurrentIndex(index >= 0 && index < cmbkBits->count() ? index : -1);

    app.SaveFolder =
        Commands::ReadIniValue(app.ProgramTitle, QStringLiteral("SavePath"), app.IniFilePath, app.DocumentsFolder);
    if (Commands::ReadIniValue(app.ProgramTitle, QStringLiteral("Browser"), app.IniFilePath, QStringLiteral("0")) ==
        QLatin1String("1")) {
        m_browser->CmdBrowser_Click();
    }
    FileHandling::AddBackslash(app.SaveFolder);
    m_browser->setCurrentFolder(app.SaveFolder);
    m_settings->showSaveFolder();
    m_browser->FillDirAndFileLists();
}

void frmMain::SetPeakmeter(double lLeft, double lRight)
{
    m_meter->SetPeakmeter(lLeft, lRight);
}

int frmMain::WidthTwips() const
{
    return width() * TwipsPerPixel + kFrameWidthTwips;
}

int frmMain::HeightTwips() const
{
    return height() * TwipsPerPixel + kFrameHeightTwips;
}

void frmMain::setWidthTwips(int twips)
{
    setFixedWidth(Commands::TwipsToPixels(twips - kFrameWidthTwips));
}

void frmMain::setHeightTwips(int twips)
{
    setFixedHeight(Commands::TwipsToPixels(twips - kFrameHeightTwips));
}

void frmMain::showState(const QString& text, const QColor& color, bool bold)
{
    lblState->setText(text);
    QPalette palette = lblState->palette();
    palette.setColor(QPalette::WindowText, color);
    lblState->setPalette(palette);
    QFont font = lblState->font();
    font.setBold(bold);
    lblState->setFont(font);
}

QString frmMain::stateCaption() const
{
    return lblState->text();
}

void frmMain::setStateCaption(const QString& text)
{
    lblState->setText(text);
}

void frmMain::setSettingsControlsEnabled(bool enabled)
{
    CmdSettings->setEnabled(enabled);
    cmdBrowse->setEnabled(enabled);
    CmdBrowser->setEnabled(enabled);
    cmbkBits->setEnabled(enabled);
}

void frmMain::setTimeText(const QString& text)
{
    if (lblTime->text() != text) {
        lblTime->setText(text);
    }
}

void frmMain::setBytesText(const QString& text)
{
    if (lblBytesWritten->text() != text) {
        lblBytesWritten->setText(text);
    }
}

void frmMain::setDroppedText(const QString& text)
{
    lblDropped->setText(text);
}

bool frmMain::isShownNormally() const
{
    return isVisible() && !isMinimized();
}

int frmMain::selectedBitrateIndex() const
{
    return cmbkBits->currentIndex();
}

bool frmMain::monitoringTicked() const
{
    return chkMonitoring->isChecked();
}

void frmMain::setMonitoringTicked(bool ticked)
{
    const QSignalBlocker quiet(chkMonitoring);
    chkMonitoring->setChecked(ticked);
}

void frmMain::parkFocus()
{
    dummy->setFocus();
}

void frmMain::setPeakmeter(double left, double right)
{
    SetPeakmeter(left, right);
}

void frmMain::resetPeakHolds()
{
    m_meter->meter().Reset();
}

void frmMain::processPendingEvents()
{
    QCoreApplication::processEvents();
}

void frmMain::recordingFinished()
{
    // Unloaded while Stop finished the file: the program is ending, nothing is to be named.
    if (m_unloaded) {
        return;
    }
    // A recording whose file is gone (the device could not be opened, the encoder was missing)
    // has nothing to name: the window stays.
    if (!QFileInfo(App().RecordFilePath).isFile()) {
        m_browser->FillDirAndFileLists();
        return;
    }
    // Shows itself; owned by this window, it unloads itself when done and this window comes back.
    auto* dialog = new frmName(this);
    connect(dialog, &frmName::named, this, &frmMain::returnFromNaming);
    hide();
}

void frmMain::returnFromNaming(const QString& fileName)
{
    show();
    // The dialog took the focus when it opened; without a window manager nobody gives it back.
    raise();
    activateWindow();
    m_controller->CmdReset_Click();
    m_browser->FillDirAndFileLists();
    m_browser->selectFile(fileName);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        dummy->setFocus();
    }
    return QWidget::eventFilter(watched, event);
}
