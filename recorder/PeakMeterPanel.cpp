#include "recorder/PeakMeterPanel.h"

#include <array>

#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include "recorder/MeterBarImage.h"

namespace {

constexpr int TwipsPerPixel = 15;
constexpr int PeakBorder = 2;
constexpr int ScaleTickHeight = 90;
constexpr int ScaleLabelTop = 105;
constexpr double ScaleFontPoints = 6.0;

int Px(int twips)
{
    return twips / TwipsPerPixel;
}

QRect PxRect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

void Fill(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QWidget* MakeWidget(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* widget = new QWidget(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    widget->show();
    return widget;
}

QLabel* MakeBar(QWidget* parent, const QString& name, const QString& accessibleName, int top)
{
    auto* bar = new QLabel(parent);
    bar->setObjectName(name);
    bar->setAccessibleName(accessibleName);
    bar->setPixmap(QPixmap::fromImage(MeterBarImage::Create()));
    bar->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bar->setGeometry(0, Px(top), 0, Px(255));
    bar->show();
    return bar;
}

QLabel* MakeLevelLabel(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 192));
    label->setPalette(palette);
    label->setAutoFillBackground(true); // a new level repaints the label alone
    label->show();
    return label;
}

struct ScaleMark
{
    const char* caption;
    int labelLeft;
    int tickX;
};

constexpr std::array<ScaleMark, 8> ScaleMarks{{
    {"0", 2790, 2835},
    {"-5", 2565, 2655},
    {"-10", 2355, 2475},
    {"-20", 2070, 2175},
    {"-30", 1770, 1875},
    {"-50", 1155, 1260},
    {"-70", 495, 630},
    {"-90", 0, 45},
}};

/// The bar's level for a screen reader, told only when it changes: a reader would repeat every update.
void DescribeLevel(QLabel* bar, double level)
{
    const QString text = level > LevelMeter::MinimumLevel ? LevelMeter::FormatLevel(level) + QStringLiteral(" dB")
                                                          : QStringLiteral("kein Signal");
    if (bar->accessibleDescription() != text)
        bar->setAccessibleDescription(text);
}

} // namespace

PeakMeterPanel::PeakMeterPanel(QWidget* parentWindow)
{
    m_picPeak = new QFrame(parentWindow);
    m_picPeak->setObjectName(QStringLiteral("picPeak"));
    m_picPeak->setGeometry(PxRect(4185, 660, 2880, 690));
    m_picPeak->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_picPeak->setLineWidth(PeakBorder);
    Fill(m_picPeak, QColor(64, 64, 64));
    m_picPeak->show();

    // Bars longer than the scale are clipped by this inner area, not drawn over the border.
    m_picPeakClient = MakeWidget(m_picPeak, QStringLiteral("picPeakClient"),
                                 m_picPeak->rect().adjusted(PeakBorder, PeakBorder, -PeakBorder, -PeakBorder));
    // Its own background: a bar that shrinks repaints this area, not the sunken frame.
    Fill(m_picPeakClient, QColor(64, 64, 64));

    m_picPeakLeft = MakeBar(m_picPeakClient, QStringLiteral("picPeakLeft"), QStringLiteral("Pegel links"), 0);
    m_picPeakRight = MakeBar(m_picPeakClient, QStringLiteral("picPeakRight"), QStringLiteral("Pegel rechts"), 360);
    // Created after the bars so they stay on top of them.
    m_picHiPeakL = MakeWidget(m_picPeakClient, QStringLiteral("picHiPeakL"), PxRect(0, 0, 30, 255));
    m_picHiPeakR = MakeWidget(m_picPeakClient, QStringLiteral("picHiPeakR"), PxRect(0, 360, 30, 255));
    Fill(m_picHiPeakL, QColor(255, 0, 0));
    Fill(m_picHiPeakR, QColor(255, 0, 0));

    m_lblLeft = MakeLevelLabel(parentWindow, QStringLiteral("lblLeft"), PxRect(3585, 690, 555, 255));
    m_lblRight = MakeLevelLabel(parentWindow, QStringLiteral("lblRight"), PxRect(3585, 1065, 555, 255));

    m_picDecibels = MakeWidget(parentWindow, QStringLiteral("picDecibels"), PxRect(4185, 1395, 2940, 405));
    CreateScale();
}

void PeakMeterPanel::CreateScale()
{
    QFont font = m_picDecibels->font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(ScaleFontPoints);

    for (int i = 0; i < static_cast<int>(ScaleMarks.size()); ++i) {
        const ScaleMark& mark = ScaleMarks[static_cast<std::size_t>(i)];
        const int lineIndex = i + 3;

        // A grey line left of a white one: an etched tick.
        QWidget* gray = MakeWidget(m_picDecibels, QStringLiteral("linGray%1").arg(lineIndex),
                                   QRect(Px(mark.tickX - TwipsPerPixel), 0, 1, Px(ScaleTickHeight)));
        Fill(gray, QColor(128, 128, 128));
        QWidget* white = MakeWidget(m_picDecibels, QStringLiteral("linWhite%1").arg(lineIndex),
                                    QRect(Px(mark.tickX), 0, 1, Px(ScaleTickHeight)));
        Fill(white, QColor(255, 255, 255));

        auto* label = new QLabel(QString::fromLatin1(mark.caption), m_picDecibels);
        label->setObjectName(QStringLiteral("lblDBScale%1").arg(i));
        label->setFont(font);
        label->adjustSize();
        label->move(Px(mark.labelLeft), Px(ScaleLabelTop));
        label->show();
    }
}

int PeakMeterPanel::ScaleWidth() const
{
    return m_picPeakClient->width();
}

void PeakMeterPanel::SetPeakmeter(double lLeft, double lRight)
{
    const MeterReading reading = m_meter.SetPeakmeter(lLeft, lRight, ScaleWidth());
    m_picPeakLeft->resize(reading.leftWidth, m_picPeakLeft->height());
    m_picPeakRight->resize(reading.rightWidth, m_picPeakRight->height());
    m_lblLeft->setText(reading.leftLabel);
    m_lblRight->setText(reading.rightLabel);
    DescribeLevel(m_picPeakLeft, reading.leftLevel);
    DescribeLevel(m_picPeakRight, reading.rightLevel);
    m_picHiPeakL->move(reading.markerLeft, m_picHiPeakL->y());
    m_picHiPeakR->move(reading.markerRight, m_picHiPeakR->y());
}

void PeakMeterPanel::ResetMeter()
{
    m_meter.Reset();
    m_picHiPeakL->move(0, m_picHiPeakL->y());
    m_picHiPeakR->move(0, m_picHiPeakR->y());
    SetPeakmeter(0.0, 0.0);
}
