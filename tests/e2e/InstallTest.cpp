// Installs the built program into a temporary prefix, as `cmake --install` does for a user.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

/// Exit code and merged output.
std::pair<int, std::string> run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll().toStdString()};
}

TEST(InstallTest, PrefixGetsTheProgramAValidDesktopEntryTheIconAndAppStreamMetadata)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const auto [installed, installLog] =
        run(QStringLiteral(QB_CMAKE_COMMAND), {"--install", QStringLiteral(QB_BUILD_DIR), "--prefix", prefix.path()});
    ASSERT_EQ(installed, 0) << installLog;

    const QFileInfo exe(prefix.filePath("bin/quernbell"));
    EXPECT_TRUE(exe.isFile() && exe.isExecutable());

    const QString entry = prefix.filePath("share/applications/quernbell.desktop");
    const auto [valid, validateLog] = run(QStringLiteral("desktop-file-validate"), {entry});
    EXPECT_EQ(valid, 0) << validateLog;
    QFile entryFile(entry);
    ASSERT_TRUE(entryFile.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entryFile.readAll());
    // The menu starts the installed copy, not whatever PATH finds first.
    EXPECT_TRUE(text.contains("Exec=\"" + exe.absoluteFilePath() + "\"")) << text.toStdString();
    EXPECT_TRUE(text.contains("Categories=AudioVideo;Audio;Recorder;")) << text.toStdString();

    QFile icon(prefix.filePath("share/icons/hicolor/scalable/apps/quernbell.svg"));
    ASSERT_TRUE(icon.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&icon);
    ASSERT_TRUE(svg.readNextStartElement());
    EXPECT_EQ(svg.name(), QLatin1String("svg"));
    while (!svg.atEnd()) {
        svg.readNext();
    }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();

    // Software centres list it: valid metadata that launches the installed desktop entry.
    const QString metainfo = prefix.filePath("share/metainfo/org.quernbell.AudioRecorder.metainfo.xml");
    const auto [listed, listLog] = run(QStringLiteral("appstreamcli"), {"validate", "--no-net", metainfo});
    EXPECT_EQ(listed, 0) << listLog;
    QFile metaFile(metainfo);
    ASSERT_TRUE(metaFile.open(QIODevice::ReadOnly));
    const QString meta = QString::fromUtf8(metaFile.readAll());
    EXPECT_TRUE(meta.contains("<launchable type=\"desktop-id\">quernbell.desktop</launchable>"));
    EXPECT_TRUE(meta.contains("<summary xml:lang=\"de\">")) << meta.toStdString();
}

} // namespace
