#include "app/AppModul.h"

#include <QFileInfo>

#include "app/AppGlobals.h"
#include "app/FileHandling.h"

namespace AppModul {

QString RunningExecutable(const char* argv0)
{
    const QString resolved = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!resolved.isEmpty()) {
        return resolved;
    }
    return QFileInfo(QString::fromLocal8Bit(argv0)).canonicalFilePath();
}

void InitSystemPaths(const QString& executablePath)
{
    const QFileInfo exe(executablePath);
    App().ProgramFolder = exe.absolutePath();
    FileHandling::AddBackslash(App().ProgramFolder);
    App().ExeName = exe.completeBaseName();
    App().ExeFileName = exe.fileName();
    App().SystemFolder = FileHandling::GetSystemFolder();
}

void InitShellFolders()
{
    constexpr int personalFolder = 5;
    App().DocumentsFolder = FileHandling::GetSpecialFolder(personalFolder);
}

void InitApplication()
{
    AppGlobals& app = App();
    app.ProgramTitle = QStringLiteral("Quernbell Audio Recorder");

    // The settings file follows the executable's own file name, so a renamed copy keeps its own.
    // An installed program's folder is not the user's to write: its settings go to the user's
    // settings folder instead, under the same name.
    const QString iniName = app.ExeFileName + QStringLiteral(".ini");
    if (FileHandling::IsFolderWritable(app.ProgramFolder)) {
        app.IniFilePath = FileHandling::GetLongName(app.ProgramFolder + app.ExeFileName) + QStringLiteral(".ini");
    } else {
        QString folder = FileHandling::GetConfigFolder();
        FileHandling::CreateFolderPath(folder);
        app.IniFilePath = folder + iniName;
    }

    app.TextStandby = QStringLiteral("Aufnahmebereitschaft");
    app.TextRecording = QStringLiteral("A U F N A H M E  !");
    app.TextPause = QStringLiteral("- P A U S E -");
    app.TextPlay = QStringLiteral("P L A Y");
    app.TextMainFolder = QStringLiteral("Hauptordner:");
    app.FileNameTemplate = QStringLiteral("Rec_(%date%)_(%time%)");
    app.EncoderPath = app.SystemFolder + QLatin1String(EncoderFileName);

    // Presence, not readability: a file that cannot be read is still somebody's file.
    const QFileInfo encoder(app.EncoderPath);
    if (!encoder.exists() && !encoder.isSymLink()) {
        // A failed write stays silent; the next start tries again by the same test.
        FileHandling::SaveResourceToFile(app.EncoderPath, QStringLiteral("LAME"), QStringLiteral("CUSTOM"));
    }
}

} // namespace AppModul
