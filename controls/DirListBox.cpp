#include "controls/DirListBox.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

#include "app/FileHandling.h"
#include "controls/DirSelectRules.h"

DirListBox::DirListBox(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(12);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { openItem(item); });
}

bool DirListBox::setPath(const QString& path, const QString& root)
{
    QString folder = path;
    FileHandling::AddBackslash(folder);
    if (!FileHandling::IsFolderPresent(folder)) {
        return false;
    }
    const bool changed = folder != m_path;
    m_path = folder;
    m_root = root;
    FileHandling::AddBackslash(m_root);
    refresh();
    if (changed) {
        emit pathChanged();
    }
    return true;
}

void DirListBox::refresh()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent = nullptr;
    QTreeWidgetItem* current = nullptr;
    for (const DirSelectRules::FolderRow& row : DirSelectRules::FolderRows(m_path, m_root)) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        item->setText(0, row.label);
        item->setData(0, Qt::UserRole, row.path);
        item->setIcon(0, row.open ? openIcon : closedIcon);
        if (row.open) {
            parent = item;
            current = item;
        }
    }
    expandAll();
    setCurrentItem(current);
}

void DirListBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem() != nullptr) {
        openItem(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DirListBox::openItem(QTreeWidgetItem* item)
{
    if (item != nullptr) {
        setPath(item->data(0, Qt::UserRole).toString(), m_root);
    }
}
