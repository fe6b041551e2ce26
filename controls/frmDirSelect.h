#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class DirListBox;

/**
 * @brief The directory selection dialog: a volume list, a folder list and a new-folder box.
 *
 * Talks to its caller through App().DirSelectOpen, DirSelectPath and DirSelectCaption: it starts in
 * DirSelectPath, OK writes the open folder back (ending in "/"), and every way of closing sets
 * DirSelectOpen to 0 and emits closed(). Shown without being modal; deletes itself when closed.
 */
class frmDirSelect : public QWidget
{
    Q_OBJECT
public:
    explicit frmDirSelect(QWidget* parent = nullptr);
    ~frmDirSelect() override;

    static constexpr int ClientWidthTwips = 5235;
    static constexpr int ClientHeightTwips = 4965;

signals:
    /// The dialog closed, by OK, Cancel or otherwise.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void Command3_Click();
    /// Handles one typed character; returns true when the text box must not see it.
    bool Text1_KeyPress(int keyAscii);
    void Command1_Click();
    void Command2_Click();
    void createFolder();
    void endNaming(bool parkFocus);
    void showDriveOf(const QString& root);
    void unload();

    bool m_unloaded = false;
    bool m_focusParked = false;

    QPushButton* Command2 = nullptr;
    QPushButton* Command1 = nullptr;
    QListWidget* File1 = nullptr;
    DirListBox* Dir1 = nullptr;
    QComboBox* Drive1 = nullptr;
    QPushButton* Command3 = nullptr;
    QLineEdit* Text1 = nullptr;
    QWidget* dummy = nullptr;
};
