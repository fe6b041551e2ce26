#pragma once

#include <QFont>
#include <QObject>

/**
 * @brief A font object that several holders share: whoever changes it changes it for all of them.
 *
 * A button given a SharedFont keeps the object rather than a copy, and lays its caption out again when
 * changed() reports an edit. Hold it through std::shared_ptr; it has no QObject parent.
 */
class SharedFont : public QObject
{
    Q_OBJECT
public:
    explicit SharedFont(const QFont& font = QFont());

    QFont font() const { return m_font; }
    /// Replaces the font; reports changed() when it differs from the one held.
    void setFont(const QFont& font);

    QString Name() const { return m_font.family(); }
    void setName(const QString& name);
    double Size() const { return m_font.pointSizeF(); }
    void setSize(double pointSize);
    bool Bold() const { return m_font.bold(); }
    void setBold(bool bold);
    bool Italic() const { return m_font.italic(); }
    void setItalic(bool italic);
    bool Underline() const { return m_font.underline(); }
    void setUnderline(bool underline);

signals:
    void changed();

private:
    QFont m_font;
};
