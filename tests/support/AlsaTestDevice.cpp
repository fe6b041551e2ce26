#include "support/AlsaTestDevice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

namespace AlsaTestDevice {

namespace {

struct Setup
{
    QTemporaryDir dir;
    QString config;
    QString signal;

    Setup()
    {
        signal = dir.filePath(QStringLiteral("signal.raw"));
        config = dir.filePath(QStringLiteral("asound.conf"));
        QFile(signal).open(QIODevice::WriteOnly);
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QStringLiteral("pcm.!default { type file; slave.pcm \"null\"; file \"/dev/null\"; "
                                      "infile \"%1\"; format \"raw\" }\n")
                           .arg(signal)
                           .toLocal8Bit());
        }
        qputenv("ALSA_CONFIG_PATH", QStringLiteral("/usr/share/alsa/alsa.conf:%1").arg(config).toLocal8Bit());
    }
};

Setup& setup()
{
    static Setup instance;
    return instance;
}

} // namespace

void ensureConfigured()
{
    setup();
}

QString configPath()
{
    return setup().config;
}

QString signalPath()
{
    return setup().signal;
}

void setSignal(const QByteArray& pcm)
{
    QFile file(setup().signal);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(pcm);
    }
}

} // namespace AlsaTestDevice
