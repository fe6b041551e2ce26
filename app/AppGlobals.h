#pragma once

#include <QString>

/**
 * @brief The application-wide values, filled once at start-up.
 *
 * Folder paths always end in "/". Only SaveFolder and the recording names change
 * while the program runs. Tests may set any field directly.
 */
struct AppGlobals
{
    QString ProgramFolder;
    QString ExeName;
    QString ExeFileName; ///< with extension, if any; names the settings file
    QString SystemFolder;
    QString DocumentsFolder;
    QString ProgramTitle;
    QString IniFilePath;
    QString SaveFolder;
    QString EncoderPath;
    QString FileNameTemplate;

    QString TextStandby;
    QString TextRecording;
    QString TextPause;
    QString TextPlay;
    QString TextMainFolder;

    QString RecordBaseName;
    QString RecordExtension;
    QString RecordFilePath;
    QString SelectFileName;

    int DirSelectOpen = 0;
    QString DirSelectPath;
    QString DirSelectCaption;
};

/// The one instance of the application-wide values.
AppGlobals& App();
