#pragma once

#include <QWidget>

#include "tagging/RecordingNamer.h"

class QCheckBox;
class QLabel;
class QLineEdit;

class CmdButton;
class ID3tag;

/**
 * @brief The naming dialog "Aufnahme benennen": gives a finished recording its name, folders and
 * tag, remembers the entries, and tells its owner which file the recording now is.
 *
 * Opens itself when made (the load steps run at once) as a window of its own above its hidden owner.
 * The recording it names is the one in the shared values at that moment. Closing it by its frame
 * reports back too and leaves the recording as it is.
 */
class frmName : public QWidget
{
    Q_OBJECT
public:
    explicit frmName(QWidget* owner);

    /// The one tag object of the run, made on first use.
    static ID3tag& NamingTag();

    /// "Felder leeren  (STANDARD)"
    void CmdButton1_Click();
    /// "Ü B E R N E H M E N": the accept steps.
    void CmdButton2_Click();
    /// "Letzte Einträge laden"
    void CmdButton3_Click();

    static constexpr int ClientWidthTwips = 5415;
    static constexpr int ClientHeightTwips = 3285;

signals:
    /// Done, once: the recording's file name now (letter case may differ from the listing).
    /// The dialog closes and unloads itself after this.
    void named(const QString& fileName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void ReturnToMain();
    bool ask(const QString& text);
    void focusTitle();

    RecordingNamer m_namer;
    bool m_busy = false;
    bool m_returning = false;

    QLabel* Label1 = nullptr;
    QCheckBox* chkArtistDir = nullptr;
    QLineEdit* txtSubDir = nullptr;
    QLabel* lblYear = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* chkAlbumDir = nullptr;
    QLineEdit* txtYear = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtAlbum = nullptr;
    QLabel* lblNumber = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtNumber = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtFileName = nullptr;
    CmdButton* CmdButton3 = nullptr;
    CmdButton* CmdButton1 = nullptr;
    CmdButton* CmdButton2 = nullptr;
};
