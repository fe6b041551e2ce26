#pragma once

#include <QByteArray>
#include <QString>

/**
 * A capture device without hardware for the whole test process: ALSA's default PCM becomes
 * the file plugin over the null slave, reading samples from a signal file (after its end the
 * backend gets silence). The reads are not paced.
 *
 * ALSA reads its configuration once per process, so it is set up once (before the first
 * ALSA call: call ensureConfigured() or setSignal() first) and only the signal changes.
 */
namespace AlsaTestDevice {

/// Points ALSA_CONFIG_PATH at the system configuration plus ours; idempotent.
void ensureConfigured();

/// The configuration file that redefines the default PCM.
QString configPath();

/// The raw signal the default PCM delivers to the next stream that opens it.
QString signalPath();

/// Replaces the signal (raw interleaved samples in the stream's format).
void setSignal(const QByteArray& pcm);

} // namespace AlsaTestDevice
