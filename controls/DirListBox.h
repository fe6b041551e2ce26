#pragma once

#include <QString>
#include <QTreeWidget>

/**
 * @brief A folder list in the classic form: the volume's root and every level down to the open folder,
 * then that folder's subfolders.
 *
 * Its path is the open folder. A double click or Enter on a row opens that folder; moving the
 * highlight alone does not change the path.
 */
class DirListBox : public QTreeWidget
{
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);

    /// The open folder, with trailing "/".
    QString path() const { return m_path; }
    /// The volume whose root heads the list, with trailing "/".
    QString root() const { return m_root; }

    /**
     * @brief Opens a folder, listed from the given volume root.
     * @return false, with path and list unchanged, when the folder cannot be listed.
     * Emits pathChanged() when the path changes.
     */
    bool setPath(const QString& path, const QString& root);
    /// Lists the open folder again.
    void refresh();

signals:
    void pathChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openItem(QTreeWidgetItem* item);

    QString m_path;
    QString m_root = QStringLiteral("/");
};
