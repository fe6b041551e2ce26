#pragma once

#include <utility>

#include <QList>
#include <QString>
#include <QVariant>

/**
 * @brief A control's saved design-time settings: typed values under short keys.
 *
 * Keys match without regard to letter case and keep the order of their first writing. Values keep the
 * type they were written with (32-bit or 16-bit integer, string, boolean, QFont, QPixmap).
 */
class PropertyBag
{
public:
    /// The stored value, or defaultValue when the key is missing.
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue = QVariant()) const;
    /**
     * @brief Stores a value; a key already there keeps its place.
     *
     * With a valid defaultValue equal to value the key is removed instead, so that a later read
     * gives the reader's own default.
     */
    void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue = QVariant());

    bool contains(const QString& key) const { return indexOf(key) >= 0; }
    /// Keys in their stored order and letter case.
    QStringList keys() const;
    bool isEmpty() const { return m_entries.isEmpty(); }

private:
    qsizetype indexOf(const QString& key) const;

    QList<std::pair<QString, QVariant>> m_entries;
};
