#include "app/AppModul.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "support/ScopedEnv.h"

namespace {

TEST(AppModulTest, SettingsLieBesideAWritableProgramAndInTheUsersFolderOtherwise)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedEnv config("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    App() = AppGlobals();
    App().ExeFileName = QStringLiteral("aufnahme");

    App().ProgramFolder = dir.path() + QStringLiteral("/");
    QFile exe(dir.filePath("aufnahme"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    AppModul::InitApplication();
    EXPECT_EQ(App().IniFilePath, dir.filePath("aufnahme.ini"));

    // Nobody, root included, can create a file here: as for a program installed in a system folder.
    App().ProgramFolder = QStringLiteral("/proc/");
    AppModul::InitApplication();
    EXPECT_EQ(App().IniFilePath, dir.filePath("config/quernbell/aufnahme.ini"));
    EXPECT_TRUE(QDir(dir.filePath("config/quernbell")).exists());
}

} // namespace
