#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

/// Closes every message box that opens while it lives and remembers what it showed,
/// so a test that triggers one does not hang in its event loop.
class MessageBoxCatcher : public QObject
{
    Q_OBJECT
public:
    explicit MessageBoxCatcher(QObject* parent = nullptr);

    QStringList texts;
    QStringList captions;
    QList<QMessageBox::Icon> icons;

private:
    void poll();

    QTimer m_timer;
};
