#include "app/frmMain.h"

#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTimer>

#include "app/AppGlobals.h"
#include "app/Commands.h"
#include "app/FileHandling.h"
#include "app/IniStore.h"
#include "app/WindowUtils.h"
#include "controls/CmdButton.h"
#include "controls/FormFile.h"
#include "controls/frmDirSelect.h"
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

constexpr int tw(int twips)
{
    return twips / frmMain::TwipsPerPixel;
}

const QColor kPlayColor(0, 128, 0);

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

    chkMonitoring = new QCheckBox(QStringLiteral("Aussteuerungsanzeige"), this);
    chkMonitoring->setObjectName(QStringLiteral("chkMonitoring"));
    chkMonitoring->setGeometry(Commands::TwipsRect(4200, 300, 2055, 255));
    // The state change rather than the click: assistive technology toggles the box without clicking it.
    connect(chkMonitoring, &QCheckBox::toggled, this, [this] { m_controller->chkMonitoring_Click(); });

    CmdReset = makeButton(this, "CmdReset");
    connect(CmdReset, &CmdButton::Click, this, [this] { m_controller->CmdReset_Click(); });

    m_meter = new PeakMeterPanel(this);

    buildTransport();
    buildBrowserPane();
    buildLowerPanels();
    nameControls();

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

    tmrSettings = new QTimer(this);
    tmrSettings->setObjectName(QStringLiteral("tmrSettings"));
    tmrSettings->setInterval(500);
    connect(tmrSettings, &QTimer::timeout, this, &frmMain::tmrSettings_Timer);
    tmrDirs = new QTimer(this);
    tmrDirs->setObjectName(QStringLiteral("tmrDirs"));
    tmrDirs->setInterval(3000);
    connect(tmrDirs, &QTimer::timeout, this, &frmMain::tmrDirs_Timer);

    // Clicks on these only park the focus, so that no visible control keeps a focus mark.
    for (QWidget* widget : {static_cast<QWidget*>(frmSettings), static_cast<QWidget*>(lblPath),
                            static_cast<QWidget*>(lblBitsNeu), static_cast<QWidget*>(fraStatus)}) {
        widget->installEventFilter(this);
    }
}

void frmMain::buildStatusFrame()
{
    fraStatus = new QGroupBox(this);
    fraStatus->setObjectName(QStringLiteral("fraStatus"));
    fraStatus->setGeometry(Commands::TwipsRect(120, 60, 3390, 1755));

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

void frmMain::buildTransport()
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
        if (m_dirSelect) {
            m_dirSelect->close();
        }
        m_controller->CmdRecord();
    });
    connect(CmdPause, &CmdButton::Click, this, [this] { m_controller->CmdPause(); });
    connect(CmdStop, &CmdButton::Click, this, [this] { m_controller->CmdStop(); });
    // Previous and next react to the press itself; the button's click does nothing here.
    connect(CmdPrev, &CmdButton::MouseDown, this, [this] { CmdPrev_MouseDown(); });
    connect(CmdNext, &CmdButton::MouseDown, this, [this] { CmdNext_MouseDown(); });
    connect(CmdPlay, &CmdButton::Click, this, &frmMain::CmdPlay_Click);

    // The pane and panel toggles stand in a strip at the right edge of the compact window.
    fraSide = new QWidget(this);
    fraSide->setObjectName(QStringLiteral("fraSide"));
    fraSide->setGeometry(Commands::TwipsRect(7155, 0, 600, 4080));
    CmdBrowser = makeButton(fraSide, "CmdBrowser");
    CmdBrowser->setToolTip(QStringLiteral(" Datei-Browser "));
    connect(CmdBrowser, &CmdButton::Click, this, &frmMain::CmdBrowser_Click);
    CmdSettings = makeButton(fraSide, "CmdSettings");
    CmdSettings->setToolTip(QStringLiteral(" Aufnahme-Einstellungen "));
    connect(CmdSettings, &CmdButton::Click, this, &frmMain::CmdSettings_Click);
}

void frmMain::buildBrowserPane()
{
    CmdRootDir = makeButton(this, "CmdRootDir");
    CmdRootDir->setToolTip(QStringLiteral("ins Hauptverzeichnis"));
    CmdDirBack = makeButton(this, "CmdDirBack");
    CmdDirBack->setToolTip(QStringLiteral("eine Ebene höher"));

    lblDir = Commands::MakeLabel(this, "lblDir", App().TextMainFolder, Commands::TwipsRect(9660, 135, 1395, 255));
    Label1 =
        Commands::MakeLabel(this, "Label1", QStringLiteral("Aufnahmen:"), Commands::TwipsRect(11100, 15, 2955, 225));

    lstDirs = new QListWidget(this);
    lstDirs->setObjectName(QStringLiteral("lstDirs"));
    lstDirs->setGeometry(Commands::TwipsRect(8100, 420, 2955, 3795));
    lstFiles = new QListWidget(this);
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    lstFiles->setGeometry(Commands::TwipsRect(11100, 240, 2955, 3975));

    connect(CmdDirBack, &CmdButton::Click, this, &frmMain::CmdDirBack_Click);
    connect(CmdRootDir, &CmdButton::Click, this, &frmMain::CmdRootDir_Click);
    connect(lstDirs, &QListWidget::itemDoubleClicked, this, &frmMain::lstDirs_DblClick);
    lstDirs->installEventFilter(this);
}

void frmMain::buildLowerPanels()
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

    frmSettings = new QGroupBox(this);
    frmSettings->setObjectName(QStringLiteral("frmSettings"));
    frmSettings->setGeometry(Commands::TwipsRect(75, 0, 7875, 600));
    lblBitsNeu = Commands::MakeLabel(frmSettings, "lblBitsNeu", QStringLiteral("Bitrate (kBit/s):"),
                                     Commands::TwipsRect(90, 195, 1230, 255));
    cmbkBits = new QComboBox(frmSettings);
    cmbkBits->setObjectName(QStringLiteral("cmbkBits"));
    cmbkBits->addItems(kBitrates);
    cmbkBits->setGeometry(Commands::TwipsRect(1320, 135, 870, 330));
    lblPath = Commands::MakeLabel(frmSettings, "lblPath", QStringLiteral("Speicherpfad:"),
                                  Commands::TwipsRect(2220, 195, 1050, 255));
    Text1 = new QLineEdit(frmSettings);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(Commands::TwipsRect(3270, 150, 4125, 315));
    cmdBrowse = makeButton(frmSettings, "cmdBrowse");
    connect(cmdBrowse, &CmdButton::Click, this, &frmMain::cmdBrowse_Click);
    applySettingsLayout(false); // the short "..." button while the browser pane is closed
}

void frmMain::nameControls()
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
        {CmdRootDir, "Zum Hauptverzeichnis"},
        {CmdDirBack, "Eine Ebene höher"},
        {CmdReset, "Spitzenwerte zurücksetzen"},
        {cmdBrowse, "Speicherordner wählen"},
    };
    for (const auto& [button, name] : buttons) {
        button->setAccessibleName(QString::fromUtf8(name));
    }
    // Lists take no name from a label.
    lstDirs->setAccessibleName(QStringLiteral("Ordner"));
    lstFiles->setAccessibleName(QStringLiteral("Aufnahmen"));
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

    frmSettings->move(frmSettings->x(), frmTAG->y());
    frmSettings->hide();
    CmdRootDir->hide();
    lstDirs->hide();

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
    // An open directory dialog counts as cancelled; its waiting handler then returns.
    if (m_dirSelect) {
        m_dirSelect->close();
    }
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
                            m_browserOpen ? QStringLiteral("1") : QStringLiteral("0"), app.IniFilePath);
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
    static constexpr char kPolicy[] = "qbFocusPolicy";
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->window() != this) {
            continue;
        }
        QVariant policy = widget->property(kPolicy);
        if (!policy.isValid()) {
            if (widget->focusPolicy() == Qt::NoFocus) {
                continue;
            }
            policy = static_cast<int>(widget->focusPolicy());
            widget->setProperty(kPolicy, policy);
        }
        const bool reachable = rect().intersects(QRect(widget->mapTo(this, QPoint(0, 0)), widget->size()));
        widget->setFocusPolicy(reachable ? static_cast<Qt::FocusPolicy>(policy.toInt()) : Qt::NoFocus);
        if (!reachable && widget->hasFocus()) {
            // Keys must not reach it unseen.
            parkFocus();
        }
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
        CmdBrowser_Click();
    }
    FileHandling::AddBackslash(app.SaveFolder);
    m_currentFolder = app.SaveFolder;
    Text1->setText(app.SaveFolder);
    FillDirAndFileLists();
}

void frmMain::FillDirAndFileLists()
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

void frmMain::CmdBrowser_Click()
{
    const bool wasOpen = m_browserOpen;
    m_browserOpen = !m_browserOpen;
    if (wasOpen) {
        setWidthTwips(CompactWidth);
        CmdBrowser->setCaption(QStringLiteral("4"));
        CmdRootDir->hide();
        lstDirs->hide();
    } else {
        setWidthTwips(WideWidth);
        CmdBrowser->setCaption(QStringLiteral("3"));
        CmdRootDir->show();
        lstDirs->show();
    }
    applySettingsLayout(m_browserOpen);
}

void frmMain::applySettingsLayout(bool browserOpen)
{
    const int panelWidth = browserOpen ? 13935 : 7875;
    frmSettings->resize(tw(panelWidth), frmSettings->height());
    Text1->resize(tw(browserOpen ? 9105 : 4125), Text1->height());
    cmdBrowse->setGeometryTwips(browserOpen ? 12495 : 7455, 180, browserOpen ? 1335 : 330, 330);
    cmdBrowse->setCaption(browserOpen ? QStringLiteral("Durchsuchen...") : QStringLiteral("..."));
    updateReachableControls();
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
    setFixedWidth(tw(twips - kFrameWidthTwips));
}

void frmMain::setHeightTwips(int twips)
{
    setFixedHeight(tw(twips - kFrameHeightTwips));
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
        FillDirAndFileLists();
        return;
    }
    // Shows itself; owned by this window, it brings it back and unloads itself.
    new frmName(*this);
    hide();
}

void frmMain::collapseLowerPanel()
{
    setHeightTwips(CompactHeight);
    CmdSettings->setCaption(QStringLiteral("6"));
    frmSettings->show();
    frmTAG->hide();
    frmTAG2->hide();
}

QString frmMain::listedFolder() const
{
    QString folder = m_listedFolder.isEmpty() ? QDir::currentPath() : m_listedFolder;
    return FileHandling::AddBackslash(folder);
}

void frmMain::showFolderLabel()
{
    const bool atRoot = m_currentFolder.compare(App().SaveFolder, Qt::CaseInsensitive) == 0;
    lblDir->setText(atRoot ? App().TextMainFolder : FileHandling::LastPathPart(m_currentFolder));
}

void frmMain::refillUnlessListed()
{
    // Letter case counts here: on this file system two folders may differ in case alone.
    if (listedFolder() != m_currentFolder) {
        FillDirAndFileLists();
    }
}

void frmMain::lstDirs_DblClick()
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

void frmMain::CmdDirBack_Click()
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

void frmMain::CmdRootDir_Click()
{
    m_currentFolder = App().SaveFolder;
    lblDir->setText(App().TextMainFolder);
    refillUnlessListed();
}

void frmMain::CmdNext_MouseDown()
{
    stepFile(+1);
}

void frmMain::CmdPrev_MouseDown()
{
    stepFile(-1);
}

void frmMain::stepFile(int step)
{
    m_controller->noticeEndedRecording();
    if (m_controller->SessionActive()) {
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
    if (!(tmrDirs->isActive() && lblState->text() == m_hintText)) {
        m_savedStateCaption = lblState->text();
    }
    m_hintText = step > 0 ? QStringLiteral("Letzte Datei im Ordner") : QStringLiteral("Erste Datei im Ordner");
    lblState->setText(m_hintText);
    tmrDirs->start();
}

void frmMain::tmrDirs_Timer()
{
    tmrDirs->stop();
    // A status set meanwhile (play, recording) is not overwritten by the old text.
    if (lblState->text() == m_hintText) {
        lblState->setText(m_savedStateCaption);
    }
}

void frmMain::CmdPlay_Click()
{
    m_controller->noticeEndedRecording();
    if (lstFiles->selectedItems().isEmpty() || m_controller->SessionActive()) {
        return;
    }
    if (m_controller->Paused()) {
        showState(App().TextPlay, kPlayColor, true);
        m_controller->setPaused(false);
    }
    setHeightTwips(ExpandedHeight);
    // The tag frames take the panel's place: it is closed, not just hidden.
    endSettingsCount();
    m_settingsOpen = false;
    CmdSettings->setCaption(QStringLiteral("6"));
    frmSettings->hide();
    frmTAG->show();
    frmTAG2->show();
    showState(App().TextPlay, kPlayColor, true);
    m_controller->setPlaying(true);
}

void frmMain::CmdSettings_Click()
{
    const bool wasOpen = m_settingsOpen;
    m_settingsOpen = !m_settingsOpen;
    const bool playing = m_controller->Playing();
    // Only a panel opened in play mode closes by itself; any other toggle ends the count.
    endSettingsCount();
    if (wasOpen) {
        if (!playing) {
            setHeightTwips(CompactHeight);
            CmdSettings->setCaption(QStringLiteral("6"));
        }
        frmSettings->hide();
        frmTAG->show();
        frmTAG2->show();
        return;
    }
    setHeightTwips(ExpandedHeight);
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

void frmMain::endSettingsCount()
{
    tmrSettings->stop();
    m_settingsTicks = 0;
}

void frmMain::tmrSettings_Timer()
{
    if (!m_controller->Playing()) {
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

void frmMain::cmdBrowse_Click()
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
    m_currentFolder = app.SaveFolder;
    Text1->setText(app.SaveFolder);
    lblDir->setText(app.TextMainFolder);
    FillDirAndFileLists();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched != lstDirs) {
        dummy->setFocus();
    } else if (watched == lstDirs && event->type() == QEvent::KeyPress) {
        // Enter opens the folder as a double click does.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lstDirs_DblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
