#include "controls/SharedFont.h"

SharedFont::SharedFont(const QFont& font) : m_font(font) {}

void SharedFont::setFont(const QFont& font)
{
    if (font == m_font)
        return;
    m_font = font;
    emit changed();
}

void SharedFont::setName(const QString& name)
{
    QFont f = m_font;
    f.setFamily(name);
    setFont(f);
}

void SharedFont::setSize(double pointSize)
{
    if (pointSize <= 0)
        return; // a font has no such size; the old one stays
    QFont f = m_font;
    f.setPointSizeF(pointSize);
    setFont(f);
}

void SharedFont::setBold(bool bold)
{
    QFont f = m_font;
    f.setBold(bold);
    setFont(f);
}

void SharedFont::setItalic(bool italic)
{
    QFont f = m_font;
    f.setItalic(italic);
    setFont(f);
}

void SharedFont::setUnderline(bool underline)
{
    QFont f = m_font;
    f.setUnderline(underline);
    setFont(f);
}
