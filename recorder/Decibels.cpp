#include "recorder/Decibels.h"

#include <cmath>

namespace Decibels {

double FullScale()
{
    return 32767.0;
}

double PeakToDb(double peak)
{
    if (peak == 0.0) {
        return -120.0;
    }
    // Natural logarithm, not base 10: the meter's scale was designed around it.
    return 20.0 * std::log(peak / FullScale());
}

} // namespace Decibels
