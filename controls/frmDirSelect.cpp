#include "controls/frmDirSelect.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/AppGlobals.h"
#include "app/Commands.h"
#include "app/FileHandling.h"
#include "app/WindowUtils.h"
#include "controls/DirListBox.h"
#include "controls/DirSelectRules.h"

namespace {

constexpr int kTwipsPerPixel = 15;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QRect& rect)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(rect);
    // Enter clicks the button that has the focus, as the classic buttons do; none is the default.
    button->setAutoDefault(true);
    return button;
}

/// The character code a key press types, as a text box's key-press event gets it; 0 for keys that type none.
int keyAsciiOf(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    default:
        break;
    }
    if (Commands::IsEditingKey(event->key(), event->modifiers())) {
        return 0;
    }
    const QString text = event->text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

const QString kFolderExists = QStringLiteral("Ein Ordner mit diesem Namen existiert bereits.");
const QString kCannotCreate = QStringLiteral("Der Ordner konnte nicht angelegt werden. \r\n"
                                             "Datenträger ist möglicherweise schreibgeschützt.  ");

} // namespace

frmDirSelect::frmDirSelect(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("frmDirSelect"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Pfad auswählen..."));
    setFont(Commands::DesignFont(8.25, false));
    setFixedSize(ClientWidthTwips / kTwipsPerPixel, ClientHeightTwips / kTwipsPerPixel);

    Command2 =
        makeButton(this, "Command2", QStringLiteral("A B B R E C H E N"), Commands::TwipsRect(2520, 3660, 2715, 615));
    Command1 =
        makeButton(this, "Command1", QStringLiteral("Ü B E R N E H M E N"), Commands::TwipsRect(2520, 4320, 2715, 615));
    Command1->setFont(Commands::DesignFont(9.75, true));
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Commands::TwipsRect(2520, 0, 2715, 3210));
    File1->setEnabled(false);
    Dir1 = new DirListBox(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(Commands::TwipsRect(0, 360, 2475, 4590));
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Commands::TwipsRect(0, 0, 2475, 315));
    Command3 = makeButton(this, "Command3", QStringLiteral("N e u e r  O r d n e r"),
                          Commands::TwipsRect(2520, 3240, 2715, 375));
    Text1 = new QLineEdit(QStringLiteral("Neuer Ordner"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(Commands::TwipsRect(2520, 3270, 2685, 315));
    Text1->hide();
    Text1->installEventFilter(this);
    // Holds the focus so that no visible control shows a focus mark; lies beyond the right edge.
    // A plain widget and no Tab stop, so that no one meets it by keyboard or screen reader.
    dummy = new QWidget(this);
    dummy->setObjectName(QStringLiteral("dummy"));
    dummy->setGeometry(Commands::TwipsRect(7560, 420, 195, 195));
    // A screen reader would spell the spaced letters out.
    Command1->setAccessibleName(QStringLiteral("Übernehmen"));
    Command2->setAccessibleName(QStringLiteral("Abbrechen"));
    Command3->setAccessibleName(QStringLiteral("Neuer Ordner"));

    setTabOrder(Command2, Command1);
    setTabOrder(Command1, File1);
    setTabOrder(File1, Dir1);
    setTabOrder(Dir1, Drive1);
    setTabOrder(Drive1, Command3);
    setTabOrder(Command3, Text1);
    setTabOrder(Text1, dummy);

    connect(Command1, &QPushButton::clicked, this, &frmDirSelect::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmDirSelect::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmDirSelect::Command3_Click);
    connect(Dir1, &DirListBox::pathChanged, this, &frmDirSelect::Dir1_Change);
    connect(Drive1, &QComboBox::currentIndexChanged, this, &frmDirSelect::Drive1_Change);

    Form_Load();
}

frmDirSelect::~frmDirSelect()
{
    unload();
}

void frmDirSelect::Form_Load()
{
    Commands::CenterForm(this);
    Commands::MakeTopmost(this);
    raise();
    setWindowTitle(App().DirSelectCaption);

    const QStringList volumes = DirSelectRules::MountedVolumes();
    {
        const QSignalBlocker quiet(Drive1);
        Drive1->addItems(volumes);
    }
    const QString given = App().DirSelectPath;
    const bool present = FileHandling::IsFolderPresent(given);
    // Otherwise the lists start where the process is, as the classic lists do.
    QString start = !given.isEmpty() && present ? given : QDir::currentPath();
    start = QDir::cleanPath(QDir(start).absolutePath());
    const QString root = DirSelectRules::VolumeOf(start, volumes);
    showDriveOf(root);
    if (!Dir1->setPath(start, root)) {
        showDriveOf(QStringLiteral("/"));
        Dir1->setPath(QStringLiteral("/"), QStringLiteral("/"));
    }
    dummy->setFocus();
}

void frmDirSelect::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_focusParked) {
        m_focusParked = true;
        dummy->setFocus();
    }
}

void frmDirSelect::showDriveOf(const QString& root)
{
    const QSignalBlocker quiet(Drive1);
    Drive1->setCurrentIndex(Drive1->findText(root));
}

void frmDirSelect::Drive1_Change()
{
    const QString root = Drive1->currentText();
    if (root.isEmpty() || root == Dir1->root()) {
        return;
    }
    if (!Dir1->setPath(root, root)) {
        QString caption;
        Commands::ShowMessage(QStringLiteral("Auf den Datenträger %1 kann nicht zugegriffen werden.").arg(root),
                              Commands::MessageWarning, caption);
        showDriveOf(Dir1->root());
    }
}

void frmDirSelect::Dir1_Change()
{
    File1->clear();
    File1->addItems(DirSelectRules::MatchingFiles(Dir1->path(), QStringLiteral("*.exe")));
    showDriveOf(Dir1->root());
    // The focus leaves only a closing name box; otherwise it stays in the list being walked.
    endNaming(!Text1->isHidden());
}

void frmDirSelect::Command3_Click()
{
    Text1->setText(QStringLiteral("Neuer Ordner"));
    Text1->show();
    Command3->hide();
    Text1->setSelection(0, static_cast<int>(Text1->text().size()));
    Text1->setFocus();
}

void frmDirSelect::endNaming(bool parkFocus)
{
    Text1->hide();
    Command3->show();
    if (parkFocus) {
        dummy->setFocus();
    }
}

bool frmDirSelect::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const int keyAscii = keyAsciiOf(static_cast<QKeyEvent*>(event));
        return keyAscii != 0 && Text1_KeyPress(keyAscii);
    }
    return QWidget::eventFilter(watched, event);
}

bool frmDirSelect::Text1_KeyPress(int keyAscii)
{
    if (keyAscii == 27) {
        endNaming(true);
    } else if (keyAscii == 13) {
        createFolder();
        return true;
    }
    int code = keyAscii;
    Commands::FilterKeyAscii(code, Commands::KeyFilterFileName);
    return code == 0;
}

void frmDirSelect::createFolder()
{
    QString caption;
    QString target = DirSelectRules::NewFolderPath(Dir1->path(), Text1->text());
    if (!target.isEmpty() && FileHandling::IsFolderPresent(target)) {
        Commands::ShowMessage(kFolderExists, Commands::MessageInformation, caption);
        Text1->setCursorPosition(static_cast<int>(Text1->text().size()));
        Text1->setFocus();
        return;
    }
    // A name that leads above the folder shown creates nothing.
    if (target.isEmpty() || !FileHandling::CreateFolderPath(target) || !FileHandling::IsFolderPresent(target)) {
        Commands::ShowMessage(kCannotCreate, Commands::MessageError, caption);
        Text1->setFocus();
        return;
    }
    Dir1->setPath(target, Dir1->root());
    endNaming(false);
    Command1->setFocus();
}

void frmDirSelect::Command1_Click()
{
    QString path = Dir1->path();
    App().DirSelectPath = FileHandling::AddBackslash(path);
    App().DirSelectOpen = 0;
    close();
}

void frmDirSelect::Command2_Click()
{
    App().DirSelectOpen = 0;
    close();
}

void frmDirSelect::closeEvent(QCloseEvent* event)
{
    unload();
    event->accept();
}

void frmDirSelect::unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    App().DirSelectOpen = 0;
    emit closed();
}
