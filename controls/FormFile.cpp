#include "controls/FormFile.h"

#include <limits>
#include <optional>

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QPixmap>

namespace {

/// Reads one value from its text form; nothing when the text is none of the forms listed.
class ValueReader
{
public:
    explicit ValueReader(const QString& text) : m_text(text) {}

    std::optional<QVariant> read()
    {
        std::optional<QVariant> value = readValue();
        skipBlanks();
        if (m_at != m_text.size())
            return std::nullopt;
        return value;
    }

private:
    std::optional<QVariant> readValue()
    {
        skipBlanks();
        if (peek() == QLatin1Char('"')) {
            const std::optional<QString> text = readString();
            return text ? std::optional<QVariant>(*text) : std::nullopt;
        }
        const QString word = readWord();
        if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return QVariant(true);
        if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return QVariant(false);
        if (word.compare(QLatin1String("Int16"), Qt::CaseInsensitive) == 0)
            return readInt16();
        if (word.compare(QLatin1String("Font"), Qt::CaseInsensitive) == 0)
            return readFont();
        if (word.compare(QLatin1String("Picture"), Qt::CaseInsensitive) == 0)
            return readPicture();
        bool ok = false;
        const qlonglong number = word.toLongLong(&ok);
        if (!ok || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return QVariant(qint32(number));
    }

    std::optional<QVariant> readInt16()
    {
        if (!expect(QLatin1Char('(')))
            return std::nullopt;
        bool ok = false;
        const int number = readWord().toInt(&ok);
        if (!ok || number < std::numeric_limits<qint16>::min() || number > std::numeric_limits<qint16>::max() ||
            !expect(QLatin1Char(')')))
            return std::nullopt;
        return QVariant::fromValue(qint16(number));
    }

    std::optional<QVariant> readFont()
    {
        if (!expect(QLatin1Char('(')))
            return std::nullopt;
        skipBlanks();
        const std::optional<QString> name = readString();
        bool ok = false;
        const double size = expect(QLatin1Char(',')) ? readWord().toDouble(&ok) : 0;
        if (!name || !ok || size <= 0)
            return std::nullopt;
        QFont font(*name);
        font.setPointSizeF(size);
        font.setBold(false);
        font.setItalic(false);
        font.setUnderline(false);
        font.setStrikeOut(false);
        skipBlanks();
        while (peek() == QLatin1Char(',')) {
            ++m_at;
            const QString flag = readWord().toLower();
            if (flag == QLatin1String("bold"))
                font.setBold(true);
            else if (flag == QLatin1String("italic"))
                font.setItalic(true);
            else if (flag == QLatin1String("underline"))
                font.setUnderline(true);
            else if (flag == QLatin1String("strikeout"))
                font.setStrikeOut(true);
            else
                return std::nullopt;
            skipBlanks();
        }
        if (!expect(QLatin1Char(')')))
            return std::nullopt;
        return QVariant(font);
    }

    std::optional<QVariant> readPicture()
    {
        if (!expect(QLatin1Char('(')))
            return std::nullopt;
        const QString data = readWord();
        if (!expect(QLatin1Char(')')))
            return std::nullopt;
        QPixmap picture;
        if (!data.isEmpty()) {
            const auto decoded =
                QByteArray::fromBase64Encoding(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded || !picture.loadFromData(*decoded, "PNG"))
                return std::nullopt;
        }
        return QVariant(picture);
    }

    std::optional<QString> readString()
    {
        if (peek() != QLatin1Char('"'))
            return std::nullopt;
        ++m_at;
        QString result;
        while (m_at < m_text.size()) {
            const QChar c = m_text.at(m_at++);
            if (c != QLatin1Char('"')) {
                result.append(c);
            } else if (peek() == QLatin1Char('"')) {
                result.append(c);
                ++m_at;
            } else {
                return result;
            }
        }
        return std::nullopt; // no closing quote
    }

    /// Letters, digits, signs, points and the base64 characters, up to a blank, comma or parenthesis.
    QString readWord()
    {
        skipBlanks();
        const qsizetype start = m_at;
        while (m_at < m_text.size() && !QStringLiteral(" \t,()\"").contains(m_text.at(m_at)))
            ++m_at;
        return m_text.mid(start, m_at - start);
    }

    bool expect(QChar c)
    {
        skipBlanks();
        if (peek() != c)
            return false;
        ++m_at;
        return true;
    }

    void skipBlanks()
    {
        while (m_at < m_text.size() && (m_text.at(m_at) == QLatin1Char(' ') || m_text.at(m_at) == QLatin1Char('\t')))
            ++m_at;
    }

    QChar peek() const { return m_at < m_text.size() ? m_text.at(m_at) : QChar(); }

    const QString m_text;
    qsizetype m_at = 0;
};

QString quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString valueText(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Int:
        return QString::number(value.toInt());
    case QMetaType::Short:
        return QStringLiteral("Int16(%1)").arg(value.value<qint16>());
    case QMetaType::QFont: {
        const QFont font = value.value<QFont>();
        QString text = QStringLiteral("Font(%1, %2").arg(quoted(font.family()), QString::number(font.pointSizeF()));
        if (font.bold())
            text += QLatin1String(", Bold");
        if (font.italic())
            text += QLatin1String(", Italic");
        if (font.underline())
            text += QLatin1String(", Underline");
        if (font.strikeOut())
            text += QLatin1String(", Strikeout");
        return text + QLatin1Char(')');
    }
    case QMetaType::QPixmap: {
        const QPixmap picture = value.value<QPixmap>();
        QByteArray png;
        if (!picture.isNull()) {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, "PNG");
        }
        return QStringLiteral("Picture(%1)").arg(QString::fromLatin1(png.toBase64()));
    }
    default:
        return quoted(value.toString());
    }
}

} // namespace

FormFile FormFile::fromText(const QString& text)
{
    FormFile form;
    qsizetype current = -1;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        const auto fail = [&form, i](const char* why) {
            form.m_errors.append(QStringLiteral("line %1: %2").arg(i + 1).arg(QLatin1String(why)));
        };
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = form.indexOf(name);
            if (current < 0) {
                form.m_controls.append({name, PropertyBag()});
                current = form.m_controls.size() - 1;
            }
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            fail("not a key and value");
            continue;
        }
        if (current < 0) {
            fail("a value before the first control");
            continue;
        }
        const std::optional<QVariant> value = ValueReader(line.mid(equals + 1)).read();
        if (!value) {
            fail("unreadable value");
            continue;
        }
        form.m_controls[current].second.WriteProperty(line.left(equals).trimmed(), *value);
    }
    return form;
}

FormFile FormFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FormFile form;
        form.m_errors.append(QStringLiteral("%1: %2").arg(path, file.errorString()));
        return form;
    }
    return fromText(QString::fromUtf8(file.readAll()));
}

QString FormFile::toText() const
{
    QString text;
    for (const auto& [name, bag] : m_controls) {
        text += QLatin1Char('[') + name + QLatin1String("]\n");
        for (const QString& key : bag.keys())
            text += key + QLatin1String(" = ") + valueText(bag.ReadProperty(key)) + QLatin1Char('\n');
    }
    return text;
}

QStringList FormFile::names() const
{
    QStringList result;
    for (const auto& control : m_controls)
        result.append(control.first);
    return result;
}

PropertyBag FormFile::bag(const QString& name) const
{
    const qsizetype at = indexOf(name);
    return at < 0 ? PropertyBag() : m_controls.at(at).second;
}

void FormFile::setBag(const QString& name, const PropertyBag& bag)
{
    const qsizetype at = indexOf(name);
    if (at >= 0)
        m_controls[at].second = bag;
    else
        m_controls.append({name, bag});
}

qsizetype FormFile::indexOf(const QString& name) const
{
    for (qsizetype i = 0; i < m_controls.size(); ++i)
        if (m_controls.at(i).first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
