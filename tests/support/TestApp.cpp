#include "support/TestApp.h"

#include <QDir>

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
    // The test binary carries no encoder resource: the installation step finds none and
    // stays silent; the real encoder stands in.
    AppModul::InitApplication();
    app.EncoderPath = QStringLiteral(QB_LAME_EXECUTABLE);
    app.DocumentsFolder = root + QStringLiteral("/Dokumente/");
    QDir().mkpath(app.DocumentsFolder);
}

} // namespace TestApp
