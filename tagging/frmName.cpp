#include "tagging/frmName.h"

#include <utility>

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "app/AppGlobals.h"
#include "app/Commands.h"
#include "app/WindowUtils.h"
#include "controls/CmdButton.h"
#include "controls/FormFile.h"
#include "tagging/ID3tag.h"

namespace {

constexpr int kTwipsPerPixel = 15;

QLineEdit* makeBox(QWidget* parent, const char* name, const QRect& rect)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(rect);
    box->setFont(Commands::MonoFont(9));
    return box;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& text, const QRect& rect)
{
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QLatin1String(name));
    check->setGeometry(rect);
    check->setFont(Commands::DesignFont(6.75));
    return check;
}

// The dialog's three buttons as designed: place, caption, font and colours from the saved form.
CmdButton* makeButton(QWidget* parent, const char* name)
{
    // Read per button: a form kept in a static would outlive the application's fonts.
    return CmdButton::Load(FormFile::load(QStringLiteral(":/forms/frmName.frm")), QLatin1String(name), parent);
}

/// The key filter for one key press: false when the typed character is to be swallowed.
bool keyPasses(const QKeyEvent& key, int mode)
{
    if (Commands::IsEditingKey(key.key(), key.modifiers())) {
        return true;
    }
    for (const QChar c : key.text()) {
        int code = c.unicode();
        Commands::FilterKeyAscii(code, mode);
        if (code == 0) {
            return false;
        }
    }
    return true;
}

} // namespace

frmName::frmName(QWidget* owner) : QWidget(owner, Qt::Window), m_namer(NamingTag())
{
    setObjectName(QStringLiteral("frmName"));
    setWindowTitle(QStringLiteral("Aufnahme benennen"));
    setFont(Commands::DesignFont(8.25));
    setFixedSize(ClientWidthTwips / kTwipsPerPixel, ClientHeightTwips / kTwipsPerPixel);
    buildControls();
    Form_Load();
}

ID3tag& frmName::NamingTag()
{
    static ID3tag tag;
    return tag;
}

void frmName::buildControls()
{
    Label1 = Commands::MakeLabel(this, "Label1", QStringLiteral("Künstler / Interpret / Unterordner 1:"),
                                 Commands::TwipsRect(120, 90, 2640, 255));
    chkArtistDir = makeCheck(this, "chkArtistDir", QStringLiteral("Unterordner 1 anlegen"),
                             Commands::TwipsRect(3600, 60, 1935, 255));
    txtSubDir = makeBox(this, "txtSubDir", Commands::TwipsRect(120, 300, 5175, 315));
    lblYear = Commands::MakeLabel(this, "lblYear", QStringLiteral("Jahr:"), Commands::TwipsRect(120, 735, 675, 255));
    Label3 = Commands::MakeLabel(this, "Label3", QStringLiteral("Album / Unterordner 2:"),
                                 Commands::TwipsRect(1035, 750, 1830, 255));
    chkAlbumDir = makeCheck(this, "chkAlbumDir", QStringLiteral("Unterordner 2 anlegen"),
                            Commands::TwipsRect(3600, 720, 1935, 255));
    txtYear = makeBox(this, "txtYear", Commands::TwipsRect(120, 960, 675, 330));
    Label5 = Commands::MakeLabel(this, "Label5", QStringLiteral("-"), Commands::TwipsRect(870, 915, 195, 255));
    Label5->setFont(Commands::DesignFont(13.5, true));
    txtAlbum = makeBox(this, "txtAlbum", Commands::TwipsRect(1035, 960, 4260, 330));
    lblNumber =
        Commands::MakeLabel(this, "lblNumber", QStringLiteral("Nummer:"), Commands::TwipsRect(120, 1410, 840, 255));
    Label2 = Commands::MakeLabel(this, "Label2", QStringLiteral("Song Titel / Aufnahme Bezeichnung / Dateiname:"),
                                 Commands::TwipsRect(1035, 1410, 4335, 255));
    Label2->setFont(Commands::DesignFont(8.25, true));
    QPalette palette = Label2->palette();
    palette.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label2->setPalette(palette);
    txtNumber = makeBox(this, "txtNumber", Commands::TwipsRect(120, 1620, 675, 330));
    Label7 = Commands::MakeLabel(this, "Label7", QStringLiteral("-"), Commands::TwipsRect(870, 1575, 195, 255));
    Label7->setFont(Commands::DesignFont(13.5, true));
    txtFileName = makeBox(this, "txtFileName", Commands::TwipsRect(1035, 1620, 4260, 330));

    CmdButton3 = makeButton(this, "CmdButton3");
    CmdButton1 = makeButton(this, "CmdButton1");
    CmdButton2 = makeButton(this, "CmdButton2");
    // The spaced capitals would be spelt out letter by letter; the third caption names itself.
    CmdButton1->setAccessibleName(QStringLiteral("Felder leeren (Standard)"));
    CmdButton2->setAccessibleName(QStringLiteral("Übernehmen"));
    for (const auto& [label, box] :
         {std::pair{Label1, txtSubDir}, std::pair{lblYear, txtYear}, std::pair{Label3, txtAlbum},
          std::pair{lblNumber, txtNumber}, std::pair{Label2, txtFileName}}) {
        label->setBuddy(box);
    }
    connect(CmdButton1, &CmdButton::Click, this, &frmName::CmdButton1_Click);
    connect(CmdButton2, &CmdButton::Click, this, &frmName::CmdButton2_Click);
    connect(CmdButton3, &CmdButton::Click, this, &frmName::CmdButton3_Click);

    for (QLineEdit* box : {txtSubDir, txtYear, txtAlbum, txtNumber, txtFileName}) {
        box->installEventFilter(this);
    }

    const QList<QWidget*> tabOrder = {txtSubDir,    txtFileName, CmdButton1, CmdButton2, txtAlbum,
                                      chkArtistDir, chkAlbumDir, txtYear,    txtNumber,  CmdButton3};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

void frmName::Form_Load()
{
    // Pending events are not run here: the caller (Stop) has just run them, and running them
    // again would let input reach the main window's handlers while it is being hidden.
    show();
    Commands::CenterForm(this);

    const RecordingNamer::Entries last = RecordingNamer::LastEntries();
    chkArtistDir->setChecked(last.artistDir);
    chkAlbumDir->setChecked(last.albumDir);
    txtSubDir->setText(last.artist);
    txtYear->setText(last.year);
    txtAlbum->setText(last.album);
    txtNumber->setText(RecordingNamer::NextNumber(last.number));
    txtFileName->setText(m_namer.RecordBaseName());
    txtFileName->selectAll();
    focusTitle();
    activateWindow();
}

void frmName::focusTitle()
{
    txtFileName->setFocus(Qt::OtherFocusReason);
}

void frmName::CmdButton1_Click()
{
    txtSubDir->clear();
    txtYear->clear();
    txtAlbum->clear();
    txtNumber->clear();
    txtFileName->setText(m_namer.RecordBaseName());
    txtFileName->selectAll();
    focusTitle();
}

void frmName::CmdButton3_Click()
{
    const RecordingNamer::Entries last = RecordingNamer::LastEntries();
    txtSubDir->setText(last.artist);
    txtYear->setText(last.year);
    txtAlbum->setText(last.album);
    txtNumber->setText(last.number);
    txtFileName->setText(last.title);
}

void frmName::CmdButton2_Click()
{
    // Not again while a question is open or the main window is coming back.
    if (m_busy || m_returning) {
        return;
    }
    m_busy = true;
    RecordingNamer::Entries entries;
    entries.artist = txtSubDir->text();
    entries.year = txtYear->text();
    entries.album = txtAlbum->text();
    entries.title = txtFileName->text();
    entries.number = txtNumber->text();
    entries.artistDir = chkArtistDir->isChecked();
    entries.albumDir = chkAlbumDir->isChecked();
    const RecordingNamer::Result result = m_namer.Accept(
        entries, [this](const QString& text) { return ask(text); },
        [](const QString& text) {
            QString caption;
            Commands::ShowMessage(text, Commands::MessageWarning, caption);
        });
    m_busy = false;

    switch (result) {
    case RecordingNamer::Result::ReturnToMain:
        ReturnToMain();
        break;
    case RecordingNamer::Result::StayInTitle:
        focusTitle();
        break;
    case RecordingNamer::Result::StayInArtist:
        txtSubDir->setFocus(Qt::OtherFocusReason);
        break;
    case RecordingNamer::Result::StayInAlbum:
        txtAlbum->setFocus(Qt::OtherFocusReason);
        break;
    }
}

bool frmName::ask(const QString& text)
{
    QMessageBox box(QMessageBox::Question, App().ProgramTitle, text, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void frmName::ReturnToMain()
{
    if (m_returning) {
        return;
    }
    m_returning = true;
    emit named(App().SelectFileName);
    close();
    deleteLater();
}

void frmName::closeEvent(QCloseEvent* event)
{
    if (m_busy) {
        event->ignore(); // a question is open
        return;
    }
    // By the frame: back to the main window, the recording as it is.
    ReturnToMain();
    event->accept();
}

bool frmName::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box == nullptr) {
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        box->selectAll();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        const bool number = box == txtYear || box == txtNumber;
        if (!keyPasses(key, number ? Commands::KeyFilterNumber : Commands::KeyFilterFileName)) {
            return true;
        }
        if (box == txtFileName && (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)) {
            CmdButton2_Click();
            return true;
        }
    }
    return false;
}
