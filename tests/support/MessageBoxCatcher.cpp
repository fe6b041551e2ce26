#include "support/MessageBoxCatcher.h"

#include <QApplication>

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
            box->done(QMessageBox::Ok);
        }
    }
}
