#include "app/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/AppGlobals.h"
#include "app/Commands.h"
#include "app/FileHandling.h"
#include "app/IniStore.h"
#include "app/WindowUtils.h"
#include "controls/CmdButton.h"
#include "recorder/PeakMeterPanel.h"
#include "recorder/RecordingController.h"
#include "recorder/RecordingOutput.h"
#include "recorder/modWaveIn.h"

namespace {
// The designed window sizes include the frame; these are its nominal twips.
constexpr int kFrameWidthTwips = 120;
constexpr int kFrameHeightTwips = 450;
constexpr int kLowerPanelTop = frmMain::CompactHeight - kFrameHeightTwips;

constexpr int tw(int twips)
{
    return twips / frmMain::TwipsPerPixel;
}

QRect twRect(int left, int top, int width, int height)
{
    return QRect(tw(left), tw(top), tw(width), tw(height));
}

QFont designFont(double pointSize, bool bold = false)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(rect);
    return label;
}

const QColor kFaceColor(224, 223, 227);
const QColor kTransportFace(192, 192, 192);
const QColor kBlack(0, 0, 0);
const QColor kDarkBlue(0, 0, 192);

const QStringList kBitrates = {
    QStringLiteral("320"), QStringLiteral("256"), QStringLiteral("224"), QStringLiteral("192"), QStringLiteral("160"),
    QStringLiteral("128"), QStringLiteral("112"), QStringLiteral("96"),  QStringLiteral("80"),  QStringLiteral("64"),
    QStringLiteral("56"),  QStringLiteral("48"),  QStringLiteral("32")};
} // namespace

frmMain::frmMain(modWaveIn& waveIn, RecordingOutput& output, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_waveIn(waveIn), m_output(output)
{
    setObjectName(QStringLiteral("frmMain"));
    setFont(designFont(8.25));
    m_controller = std::make_unique<RecordingController>(*this, waveIn, output, clock);
    buildControls();
    Form_Load();
}

frmMain::~frmMain()
{
    Form_Unload();
}

CmdButton* frmMain::makeButton(QWidget* parent, const char* name, const QString& caption, const QRect& twips,
                               const QString& fontName, double pointSize, bool bold, const QColor& back,
                               const QColor& fore, const QColor& over)
{
    auto* button = new CmdButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFontName(fontName);
    button->setFontSize(pointSize);
    button->setFontBold(bold);
    button->setBackColor(back);
    button->setForeColor(fore);
    button->setForeOver(over);
    button->setCaption(caption);
    button->setGeometryTwips(twips.x(), twips.y(), twips.width(), twips.height());
    return button;
}

void frmMain::buildControls()
{
    buildStatusFrame();

    chkMonitoring = new QCheckBox(QStringLiteral("Aussteuerungsanzeige"), this);
    chkMonitoring->setObjectName(QStringLiteral("chkMonitoring"));
    chkMonitoring->setGeometry(twRect(4200, 300, 2055, 255));
    connect(chkMonitoring, &QCheckBox::clicked, this, [this] { m_controller->chkMonitoring_Click(); });

    CmdReset = makeButton(this, "CmdReset", QStringLiteral("Reset"), QRect(6360, 300, 675, 255),
                          QStringLiteral("MS Sans Serif"), 8.25, false, kFaceColor, kBlack, kDarkBlue);
    connect(CmdReset, &CmdButton::Click, this, [this] { m_controller->CmdReset_Click(); });

    m_meter = new PeakMeterPanel(this);

    buildTransport();
    buildBrowserPane();
    buildLowerPanels();

    // Takes the focus so no visible control keeps a focus mark; lies outside the window.
    dummy = new QPushButton(this);
    dummy->setObjectName(QStringLiteral("dummy"));
    dummy->setGeometry(-100, -100, 10, 10);

    tmrTimer = new QTimer(this);
    tmrTimer->setObjectName(QStringLiteral("tmrTimer"));
    tmrTimer->setInterval(15);
    connect(tmrTimer, &QTimer::timeout, this, [this] { m_controller->Tick(); });

    tmrSettings = new QTimer(this);
    tmrSettings->setObjectName(QStringLiteral("tmrSettings"));
    tmrSettings->setInterval(500);
    tmrDirs = new QTimer(this);
    tmrDirs->setObjectName(QStringLiteral("tmrDirs"));
    tmrDirs->setInterval(3000);
}

void frmMain::buildStatusFrame()
{
    fraStatus = new QGroupBox(this);
    fraStatus->setObjectName(QStringLiteral("fraStatus"));
    fraStatus->setGeometry(twRect(120, 60, 3390, 1755));

    lblState = makeLabel(fraStatus, "lblState", QString(), twRect(60, 180, 3270, 420));
    lblState->setAlignment(Qt::AlignCenter);
    lblState->setFont(designFont(12));

    makeLabel(fraStatus, "lblTimeCaption", QStringLiteral("Zeit:"), twRect(180, 840, 1500, 255));
    lblTime = makeLabel(fraStatus, "lblTime", QStringLiteral("00:00:00"), twRect(1740, 840, 1560, 255));
    makeLabel(fraStatus, "lblBytesCaption", QStringLiteral("Bytes geschrieben:"), twRect(180, 1200, 1500, 255));
    lblBytesWritten = makeLabel(fraStatus, "lblBytesWritten", QStringLiteral("0 bytes"), twRect(1740, 1200, 1560, 255));
    // Audio that could not be kept, on a line of its own under the count so it is read in full.
    lblDropped = makeLabel(fraStatus, "lblDropped", QString(), twRect(180, 1455, 3120, 255));
    lblDropped->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void frmMain::buildTransport()
{
    const QString webdings = QStringLiteral("Webdings");
    const QColor grey(192, 192, 192);
    CmdRecord = makeButton(this, "CmdRecord", QStringLiteral("="), QRect(240, 1920, 1560, 930), webdings, 36, true,
                           grey, QColor(192, 0, 0), QColor(255, 0, 0));
    CmdRecord->setToolTip(QStringLiteral(" R E C "));
    CmdStop = makeButton(this, "CmdStop", QStringLiteral("<"), QRect(1980, 1920, 3300, 930), webdings, 36, true, grey,
                         QColor(0, 0, 128), QColor(0, 0, 192));
    CmdStop->setToolTip(QStringLiteral(" S T O P "));
    CmdPause = makeButton(this, "CmdPause", QStringLiteral(";"), QRect(5460, 1920, 1560, 930), webdings, 36, true, grey,
                          QColor(128, 128, 0), QColor(192, 192, 0));
    CmdPause->setToolTip(QStringLiteral(" P A U S E "));
    CmdPrev = makeButton(this, "CmdPrev", QStringLiteral("9"), QRect(240, 3000, 1560, 930), webdings, 36, true, grey,
                         kBlack, QColor(64, 64, 64));
    CmdPrev->setToolTip(QStringLiteral(" P R E V "));
    CmdPlay = makeButton(this, "CmdPlay", QStringLiteral("4"), QRect(1980, 3000, 3300, 930), webdings, 36, true, grey,
                         QColor(0, 128, 0), QColor(0, 192, 0));
    CmdPlay->setToolTip(QStringLiteral(" P L A Y "));
    CmdNext = makeButton(this, "CmdNext", QStringLiteral(":"), QRect(5460, 3000, 1560, 930), webdings, 36, true, grey,
                         kBlack, QColor(64, 64, 64));
    CmdNext->setToolTip(QStringLiteral(" N E X T "));

    connect(CmdRecord, &CmdButton::Click, this, [this] { m_controller->CmdRecord(); });
    connect(CmdPause, &CmdButton::Click, this, [this] { m_controller->CmdPause(); });
    connect(CmdStop, &CmdButton::Click, this, [this] { m_controller->CmdStop(); });

    // The pane and panel toggles stand in a strip at the right edge of the compact window.
    fraSide = new QWidget(this);
    fraSide->setObjectName(QStringLiteral("fraSide"));
    fraSide->setGeometry(twRect(7155, 0, 600, 4080));
    CmdBrowser = makeButton(fraSide, "CmdBrowser", QStringLiteral("4"), QRect(90, 300, 360, 1440), webdings, 14.25,
                            false, kFaceColor, kBlack, kDarkBlue);
    CmdBrowser->setToolTip(QStringLiteral(" Datei-Browser "));
    connect(CmdBrowser, &CmdButton::Click, this, &frmMain::CmdBrowser_Click);
    CmdSettings = makeButton(fraSide, "CmdSettings", QStringLiteral("6"), QRect(75, 2505, 375, 1425), webdings, 14.25,
                             false, kFaceColor, kBlack, kDarkBlue);
    CmdSettings->setToolTip(QStringLiteral(" Aufnahme-Einstellungen "));
}

void frmMain::buildBrowserPane()
{
    const QString wingdings = QStringLiteral("Wingdings");
    const QString leftArrow(QChar(231));
    CmdRootDir = makeButton(this, "CmdRootDir", leftArrow + leftArrow, QRect(8100, 120, 735, 255), wingdings, 9.75,
                            true, kFaceColor, kBlack, kDarkBlue);
    CmdRootDir->setToolTip(QStringLiteral("ins Hauptverzeichnis"));
    CmdDirBack = makeButton(this, "CmdDirBack", leftArrow, QRect(8880, 120, 735, 255), wingdings, 9.75, true,
                            kFaceColor, kBlack, kDarkBlue);
    CmdDirBack->setToolTip(QStringLiteral("eine Ebene höher"));

    lblDir = makeLabel(this, "lblDir", App().TextMainFolder, twRect(9660, 135, 1395, 255));
    Label1 = makeLabel(this, "Label1", QStringLiteral("Aufnahmen:"), twRect(11100, 15, 2955, 225));

    lstDirs = new QListWidget(this);
    lstDirs->setObjectName(QStringLiteral("lstDirs"));
    lstDirs->setGeometry(twRect(8100, 420, 2955, 3795));
    lstFiles = new QListWidget(this);
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    lstFiles->setGeometry(twRect(11100, 240, 2955, 3975));
}

void frmMain::buildLowerPanels()
{
    frmTAG = new QGroupBox(this);
    frmTAG->setObjectName(QStringLiteral("frmTAG"));
    frmTAG->setGeometry(twRect(75, kLowerPanelTop, 5100, 600));
    makeLabel(frmTAG, "lblArtist", QStringLiteral("Interpret:"), twRect(90, 195, 810, 255));
    txtArtist = new QLineEdit(frmTAG);
    txtArtist->setObjectName(QStringLiteral("txtArtist"));
    txtArtist->setGeometry(twRect(900, 150, 1680, 315));
    makeLabel(frmTAG, "lblTitle", QStringLiteral("Titel:"), twRect(2640, 195, 600, 255));
    txtTitle = new QLineEdit(frmTAG);
    txtTitle->setObjectName(QStringLiteral("txtTitle"));
    txtTitle->setGeometry(twRect(3240, 150, 1770, 315));

    frmTAG2 = new QGroupBox(this);
    frmTAG2->setObjectName(QStringLiteral("frmTAG2"));
    frmTAG2->setGeometry(twRect(5235, kLowerPanelTop, 2715, 600));
    makeLabel(frmTAG2, "lblYear", QStringLiteral("Jahr:"), twRect(90, 195, 480, 255));
    txtYear = new QLineEdit(frmTAG2);
    txtYear->setObjectName(QStringLiteral("txtYear"));
    txtYear->setGeometry(twRect(570, 150, 600, 315));
    makeLabel(frmTAG2, "lblAlbum", QStringLiteral("Album:"), twRect(1230, 195, 600, 255));
    txtAlbum = new QLineEdit(frmTAG2);
    txtAlbum->setObjectName(QStringLiteral("txtAlbum"));
    txtAlbum->setGeometry(twRect(1800, 150, 840, 315));

    frmSettings = new QGroupBox(this);
    frmSettings->setObjectName(QStringLiteral("frmSettings"));
    frmSettings->setGeometry(twRect(75, 0, 7875, 600));
    lblBitsNeu = makeLabel(frmSettings, "lblBitsNeu", QStringLiteral("Bitrate (kBit/s):"), twRect(90, 195, 1230, 255));
    cmbkBits = new QComboBox(frmSettings);
    cmbkBits->setObjectName(QStringLiteral("cmbkBits"));
    cmbkBits->addItems(kBitrates);
    cmbkBits->setGeometry(twRect(1320, 135, 870, 330));
    lblPath = makeLabel(frmSettings, "lblPath", QStringLiteral("Speicherpfad:"), twRect(2280, 195, 990, 255));
    Text1 = new QLineEdit(frmSettings);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twRect(3270, 150, 4125, 315));
    cmdBrowse = makeButton(frmSettings, "cmdBrowse", QStringLiteral("..."), QRect(7455, 180, 330, 330),
                           QStringLiteral("MS Sans Serif"), 8.25, false, kFaceColor, kBlack, kDarkBlue);
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
    tmrTimer->start();
}

void frmMain::Form_Unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    tmrTimer->stop();
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
    if (QDir(m_currentFolder).exists()) {
        m_listedFolder = m_currentFolder;
    }
    const QDir dir(m_listedFolder.isEmpty() ? QDir::currentPath() : m_listedFolder);
    lstDirs->clear();
    lstFiles->clear();
    QCoreApplication::processEvents();

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
    // Until recordings are named here, the window stays and shows the new file.
    FillDirAndFileLists();
}

void frmMain::collapseLowerPanel()
{
    setHeightTwips(CompactHeight);
    CmdSettings->setCaption(QStringLiteral("6"));
    frmSettings->show();
    frmTAG->hide();
    frmTAG2->hide();
}
