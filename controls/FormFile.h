#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "controls/PropertyBag.h"

/**
 * @brief A window's saved controls: one property bag per control name, as text.
 *
 * The text holds one section per control, "[name]", followed by "key = value" lines; ";" and "#"
 * start comment lines. Values: "text" (a doubled quote is one quote), True or False, a 32-bit integer,
 * Int16(n), Font("face", size[, Bold][, Italic][, Underline][, Strikeout]), Picture() or
 * Picture(<PNG in base64>). Lines that cannot be read are skipped and listed in errors(), so that
 * their keys read as missing.
 */
class FormFile
{
public:
    static FormFile fromText(const QString& text);
    /// Reads a file or resource in UTF-8; one that cannot be read gives an empty form and an error.
    static FormFile load(const QString& path);
    QString toText() const;

    QStringList names() const;
    bool contains(const QString& name) const { return indexOf(name) >= 0; }
    /// The named control's bag; an empty bag when the form has no such control.
    PropertyBag bag(const QString& name) const;
    void setBag(const QString& name, const PropertyBag& bag);
    QStringList errors() const { return m_errors; }

private:
    qsizetype indexOf(const QString& name) const;

    QList<std::pair<QString, PropertyBag>> m_controls;
    QStringList m_errors;
};
