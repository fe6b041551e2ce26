#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

/// Closes every message box that opens while it lives and remembers what it showed,
/// so a test that triggers one does not hang in its event loop.
///
/// A box with one button is closed with it; a box with more (a question) is answered with the
/// next button queued by answer(), or with its default button when none is queued.
class MessageBoxCatcher : public QObject
{
    Q_OBJECT
public:
    explicit MessageBoxCatcher(QObject* parent = nullptr);

    /// Queues the answer to the next question box.
    void answer(QMessageBox::StandardButton button) { m_answers << button; }

    QStringList texts;
    QStringList captions;
    QList<QMessageBox::Icon> icons;
    QList<QMessageBox::StandardButtons> buttons;
    QList<QMessageBox::StandardButton> defaults;

private:
    void poll();

    QTimer m_timer;
    QList<QMessageBox::StandardButton> m_answers;
};
