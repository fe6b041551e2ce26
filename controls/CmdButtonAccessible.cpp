#include "controls/CmdButtonAccessible.h"

#include <QKeySequence>

#include "controls/CmdButton.h"
#include "controls/SharedFont.h"
#include "controls/SymbolCaption.h"

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("CmdButton") && object && object->isWidgetType())
        return new CmdButtonAccessible(static_cast<CmdButton*>(object));
    return nullptr;
}

/// The caption as read: "&&" is one ampersand, a single "&" only marks the access key.
QString withoutMarks(const QString& caption)
{
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&'))
                text += caption.at(++i);
            continue;
        }
        text += caption.at(i);
    }
    return text.simplified();
}

} // namespace

CmdButtonAccessible::CmdButtonAccessible(CmdButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

void CmdButtonAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

CmdButton* CmdButtonAccessible::button() const
{
    return static_cast<CmdButton*>(widget());
}

QString CmdButtonAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        if (!button()->accessibleName().isEmpty())
            return button()->accessibleName();
        if (SymbolCaption::isSymbolFace(button()->Font()->font()))
            return QString();
        return withoutMarks(button()->Caption());
    case QAccessible::Description:
        if (!button()->accessibleDescription().isEmpty())
            return button()->accessibleDescription();
        return button()->toolTip();
    case QAccessible::Accelerator:
        if (button()->AccessKeys().isEmpty())
            return QString();
        return QKeySequence::mnemonic(QLatin1Char('&') + button()->AccessKeys()).toString(QKeySequence::NativeText);
    default:
        return QAccessibleWidget::text(t);
    }
}

QStringList CmdButtonAccessible::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled())
        names << pressAction();
    return names + QAccessibleWidget::actionNames();
}

void CmdButtonAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        button()->Press();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList CmdButtonAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction() && !button()->AccessKeys().isEmpty())
        return {text(QAccessible::Accelerator)};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
