#include "controls/PropertyBag.h"

#include <QStringList>

QVariant PropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const
{
    const qsizetype at = indexOf(key);
    return at < 0 ? defaultValue : m_entries.at(at).second;
}

void PropertyBag::WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue)
{
    const qsizetype at = indexOf(key);
    if (defaultValue.isValid() && value == defaultValue) {
        if (at >= 0)
            m_entries.removeAt(at);
        return;
    }
    if (at >= 0)
        m_entries[at].second = value;
    else
        m_entries.append({key, value});
}

QStringList PropertyBag::keys() const
{
    QStringList result;
    for (const auto& entry : m_entries)
        result.append(entry.first);
    return result;
}

qsizetype PropertyBag::indexOf(const QString& key) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (m_entries.at(i).first.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
