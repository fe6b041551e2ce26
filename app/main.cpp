#include <csignal>

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include "app/AppModul.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/AlsaCaptureBackend.h"
#include "platform/SingleInstance.h"
#include "platform/SystemClock.h"
#include "platform/TerminationSignals.h"

int main(int, char** argv)
{
    // From the first moment, a log-out or kill must end in the orderly unload.
    TerminationSignals::install();
    // A file-size limit must make a write fail, not end the program in the middle of a recording.
    std::signal(SIGXFSZ, SIG_IGN);

    // A symbolic link starts the program it points to: lock and settings file take the target's name.
    const QString executable = AppModul::RunningExecutable(argv[0]);
    // Before anything that needs a display: a second start ends silently and at once.
    SingleInstance instance(QFileInfo(executable).fileName() + QStringLiteral(".lock"));
    if (!instance.tryAcquire()) {
        return 0;
    }

    Program::prepareEnvironment();
    // The command line is not interpreted, Qt's own options included; the environment still
    // chooses the platform.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    TerminationSignals termination;
    AppModul::InitSystemPaths(executable);
    AppModul::InitShellFolders();
    AppModul::InitApplication();

    // A signal may arrive while the window is still being built (loading settings lets
    // events run); it then closes the window as soon as the event loop runs.
    std::unique_ptr<Program> program;
    bool terminationPending = false;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app, [&] {
        if (program) {
            program->form().Terminate();
        } else {
            terminationPending = true;
        }
    });
    program = std::make_unique<Program>(std::make_unique<AlsaCaptureBackend>(), SystemClock::instance());
    if (terminationPending) {
        QTimer::singleShot(0, &program->form(), [&program] { program->form().Terminate(); });
    }
    return app.exec();
}
