#pragma once

#include <QString>

/// Start-up routines that fill the application-wide values (see AppGlobals).
namespace AppModul {

/// The file of the running program, symbolic links resolved; argv0 stands in where the system cannot tell.
QString RunningExecutable(const char* argv0);

/// Program folder and executable name from the running executable's path; system folder.
void InitSystemPaths(const QString& executablePath);

/// The user's documents folder.
void InitShellFolders();

/// Title, settings file, status texts, file-name template, encoder path; installs the
/// embedded encoder when nothing of its name is there. Never touches an existing file of that name,
/// whether or not it can be read (a dangling link counts as existing, too).
void InitApplication();

/// Name of the installed encoder in the system folder.
inline constexpr const char* EncoderFileName = "mkmp3";

} // namespace AppModul
