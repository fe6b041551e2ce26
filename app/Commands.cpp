#include "app/Commands.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "platform/Clock.h"

namespace Commands {

namespace {

constexpr std::array<int, 13> kBitrates = {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 32};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// strtod follows LC_NUMERIC, which the application sets from the environment; Val always reads ".".
double parseCLocale(const QByteArray& ascii)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (cLocale == static_cast<locale_t>(nullptr)) {
        return std::atof(ascii.constData());
    }
    return strtod_l(ascii.constData(), nullptr, cLocale);
}

} // namespace

void FilterKeyAscii(int& keyCode, int mode)
{
    const int c = keyCode;
    if (c == 3 || c == 8 || c == 13 || c == 22) {
        return;
    }
    if (mode == KeyFilterFileName) {
        if (c == 32 || c == 33 || c == 38 || c == 39 || c == 43 || c == 45) {
            return;
        }
        if (c < 48 || (c >= 58 && c <= 62) || (c >= 91 && c <= 94)) {
            keyCode = 0;
        }
    } else if (mode == KeyFilterNumber) {
        if (!(c == 44 || c == 46 || (c >= 48 && c <= 58))) {
            keyCode = 0;
        }
    }
}

bool IsEditingKey(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier);
    }
}

int BitrateFromIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(kBitrates.size())) {
        return -1;
    }
    return kBitrates[static_cast<std::size_t>(index)];
}

QString DateStamp(const Clock& clock)
{
    const QDate date = clock.now().date();
    return QString::asprintf("%04d-%02d-%02d", date.year(), date.month(), date.day());
}

QString TimeStamp(const Clock& clock)
{
    const QTime time = clock.now().time();
    return QString::asprintf("%02d-%02d-%02d", time.hour(), time.minute(), time.second());
}

double Val(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r')) {
        ++i;
    }
    QByteArray number;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        number.append(static_cast<char>(text[i].unicode()));
        ++i;
    }
    bool haveDigits = false;
    bool havePoint = false;
    for (; i < n; ++i) {
        if (isDigit(text[i])) {
            haveDigits = true;
        } else if (text[i] == u'.' && !havePoint) {
            havePoint = true;
        } else {
            break;
        }
        number.append(static_cast<char>(text[i].unicode()));
    }
    if (!haveDigits) {
        return 0.0;
    }
    // An exponent counts only when digits follow it; "1e" is 1.
    if (i < n && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        qsizetype j = i + 1;
        QByteArray exponent("e");
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            exponent.append(static_cast<char>(text[j].unicode()));
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j])) {
                exponent.append(static_cast<char>(text[j].unicode()));
                ++j;
            }
            number.append(exponent);
        }
    }
    return parseCLocale(number);
}

int RoundHalfEven(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double rounded = lower;
    if (fraction > 0.5) {
        rounded = lower + 1.0;
    } else if (fraction == 0.5) {
        rounded = std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
    }
    return static_cast<int>(rounded);
}

int BitrateIndexFromIni(const QString& text)
{
    return RoundHalfEven(Val(text));
}

} // namespace Commands
