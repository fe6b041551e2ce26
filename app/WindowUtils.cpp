#include "app/WindowUtils.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

#include "app/AppGlobals.h"

namespace Commands {

void ShowMessage(const QString& text, int kind, QString& caption)
{
    if (caption.isEmpty()) {
        caption = App().ProgramTitle;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case MessageInformation:
        icon = QMessageBox::Information;
        break;
    case MessageWarning:
        icon = QMessageBox::Warning;
        break;
    case MessageError:
        icon = QMessageBox::Critical;
        break;
    case MessageQuestion:
        icon = QMessageBox::Question;
        break;
    default:
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

void CenterForm(QWidget* window)
{
    if (window == nullptr) {
        return;
    }
    QScreen* screen = window->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->geometry();
    const QSize size = window->size() + QSize(NominalFrameWidth, NominalFrameHeight);
    const long screenHeight = std::lround(area.height() * TwipsPerPixel * 0.85);
    const long screenWidth = static_cast<long>(area.width()) * TwipsPerPixel;
    long top = screenHeight / 2 - static_cast<long>(size.height()) * TwipsPerPixel / 2;
    long left = screenWidth / 2 - static_cast<long>(size.width()) * TwipsPerPixel / 2;
    top = std::max(top, 0L);
    left = std::max(left, 0L);
    window->move(area.x() + static_cast<int>(std::lround(static_cast<double>(left) / TwipsPerPixel)),
                 area.y() + static_cast<int>(std::lround(static_cast<double>(top) / TwipsPerPixel)));
}

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel, height / TwipsPerPixel);
}

QFont DesignFont(double pointSize, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont MonoFont(double pointSize)
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(rect);
    return label;
}

void MakeTopmost(QWidget* window)
{
    if (window == nullptr) {
        return;
    }
    if (!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // Changing the flags re-creates the native window and hides it; put it back as it was.
        const QPoint position = window->pos();
        const QSize size = window->size();
        const bool visible = window->isVisible();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        window->move(position);
        window->resize(size);
        if (visible) {
            window->show();
        }
    }
    QCoreApplication::processEvents();
}

} // namespace Commands
