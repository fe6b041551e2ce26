#include "support/TestApp.h"

#include <QDir>
#include <QFile>

#include "app/AppGlobals.h"
#include "app/AppModul.h"

namespace TestApp {

void init(const QString& root)
{
    AppGlobals& app = App();
    app = AppGlobals();
    app.ProgramFolder = root + QStringLiteral("/bin/");
    app.ExeName = QStringLiteral("quernbell");
    app.ExeFileName = QStringLiteral("quernbell");
    app.SystemFolder = root + QStringLiteral("/system/");
    QDir().mkpath(app.ProgramFolder);
    QDir().mkpath(app.SystemFolder);
    // The executable's own file is there in a real start; the settings file is named from it.
    QFile exe(app.ProgramFolder + app.ExeFileName);
    exe.open(QIODevice::WriteOnly);
    // The test binary carries no encoder resource: the installation step finds none and
    // stays silent; the real encoder stands in.
    AppModul::InitApplication();
    app.EncoderPath = QStringLiteral(QB_LAME_EXECUTABLE);
    app.DocumentsFolder = root + QStringLiteral("/Dokumente/");
    QDir().mkpath(app.DocumentsFolder);
}

} // namespace TestApp
