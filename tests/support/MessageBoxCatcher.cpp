#include "support/MessageBoxCatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

MessageBoxCatcher::MessageBoxCatcher(QObject* parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxCatcher::poll);
    m_timer.start(20);
}

void MessageBoxCatcher::poll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible()) {
            texts << box->text();
            captions << box->windowTitle();
            icons << box->icon();
            buttons << box->standardButtons();
            defaults << box->standardButton(box->defaultButton());
            if (box->buttons().size() > 1) {
                const QMessageBox::StandardButton answer =
                    m_answers.isEmpty() ? box->standardButton(box->defaultButton()) : m_answers.takeFirst();
                if (QAbstractButton* button = box->button(answer)) {
                    button->click();
                    continue;
                }
            }
            box->done(QMessageBox::Ok);
        }
    }
}
