#pragma once

#include <QString>

/// Start-up routines that fill the application-wide values (see AppGlobals).
namespace AppModul {

/// Program folder and executable name from the running executable's path; system folder.
void InitSystemPaths(const QString& executablePath);

/// The user's documents folder.
void InitShellFolders();

/// Title, settings file, status texts, file-name template, encoder path; installs the
/// embedded encoder when no file of its name is there. Never overwrites an existing one.
void InitApplication();

/// Name of the installed encoder in the system folder.
inline constexpr const char* EncoderFileName = "mkmp3";

} // namespace AppModul
