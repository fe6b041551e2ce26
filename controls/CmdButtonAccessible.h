#pragma once

#include <QAccessibleWidget>

class CmdButton;

/**
 * @brief What assistive technology sees of a CmdButton: a push button with a name, the tooltip as
 * description and a press action that clicks it.
 *
 * The name is the button's accessibleName; without one, a text caption without its access-key
 * marks. A symbol caption names nothing, so the windows give those buttons names.
 */
class CmdButtonAccessible : public QAccessibleWidget
{
public:
    explicit CmdButtonAccessible(CmdButton* button);

    /// Registers the interface for every CmdButton; safe to call more than once.
    static void install();

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    CmdButton* button() const;
};
