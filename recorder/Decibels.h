#pragma once

/// Peak-to-level arithmetic of the level meter.
namespace Decibels {

/// The largest magnitude of a 16-bit sample.
double FullScale();

/// The meter level of a peak: -120 for 0, else 20 * ln(peak / FullScale()).
double PeakToDb(double peak);

} // namespace Decibels
