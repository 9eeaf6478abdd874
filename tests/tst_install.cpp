#include "morningreminder.h"
#include "testmain.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QString appId = QStringLiteral("org.example.NorvoRavaRodozod");

struct Run
{
    int status = -1;
    QString output; // stdout and stderr together
};

QStringList expectedFiles()
{
    QStringList files{
        "bin/norvo-rava-rodozod", "bin/nvdue", "bin/nvimport",
        "share/applications/" + appId + ".desktop", "share/metainfo/" + appId + ".metainfo.xml",
        "share/icons/hicolor/scalable/apps/" + appId + ".svg", "share/man/man1/nvdue.1.gz",
        "share/man/man1/nvimport.1.gz", "share/man/man1/norvo-rava-rodozod.1.gz",
        "share/doc/norvo-rava-rodozod/copyright", "share/doc/norvo-rava-rodozod/changelog.gz",
        "lib/systemd/user/norvo-rava-rodozod-reminder.service",
        // The name the Reminders dialog enables must be the unit installed.
        "lib/systemd/user/" + MorningReminder::timerName()};
    for (const char *size : {"48x48", "128x128", "256x256"})
        files.append(QStringLiteral("share/icons/hicolor/%1/apps/%2.png").arg(size, appId));
    return files;
}

Run run(const QString &program, const QStringList &arguments,
        QProcess::ProcessChannelMode channels = QProcess::MergedChannels)
{
    QProcess process;
    process.setProcessChannelMode(channels);
    process.start(program, arguments);
    if (!process.waitForFinished(180000))
        return {-1, process.errorString() + '\n' + QString::fromLocal8Bit(process.readAll())};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

QString sourceFile(const QString &relative)
{
    return QDir(QStringLiteral(NV_SOURCE_DIR)).filePath(relative);
}

} // namespace

// What `cmake --install` puts under a prefix: the programs, and what the desktop and the
// user's systemd need to find them.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void installsExactlyWhatTheDesktopNeeds();
    void serviceRunsTheInstalledNvdue();
    void filesPassTheirValidators_data();
    void filesPassTheirValidators();
    void packageHasNoLintianErrors();

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix;
};

void TestInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    const Run install =
        run(QStringLiteral(NV_CMAKE_COMMAND),
            {"--install", QStringLiteral(NV_BINARY_DIR), "--prefix", m_prefix.path()});
    QVERIFY2(install.status == 0, qPrintable(install.output));
}

void TestInstall::installsExactlyWhatTheDesktopNeeds()
{
    // No test programs, no benchmark, no libraries; the programs can be run.
    QStringList found;
    QDirIterator all(m_prefix.path(), QDir::Files, QDirIterator::Subdirectories);
    while (all.hasNext()) {
        const QFileInfo file(all.next());
        const QString relative = QDir(m_prefix.path()).relativeFilePath(file.filePath());
        QVERIFY2(file.size() > 0, qPrintable(relative));
        QCOMPARE(file.isExecutable(), relative.startsWith("bin/"));
        found.append(relative);
    }
    found.sort();
    QStringList expected = expectedFiles();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestInstall::serviceRunsTheInstalledNvdue()
{
    QFile service(installed("lib/systemd/user/norvo-rava-rodozod-reminder.service"));
    QVERIFY(service.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(service.readAll()).split('\n');
    const QStringList execStart = lines.filter(QRegularExpression("^ExecStart="));
    QCOMPARE(execStart,
             QStringList{"ExecStart=" + installed("bin/nvdue") + " --user-data --notify"});
}

void TestInstall::filesPassTheirValidators_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("desktop entry")
        << "desktop-file-validate"
        << QStringList{installed("share/applications/" + appId + ".desktop")};
    QTest::newRow("metainfo") << "appstreamcli"
                              << QStringList{
                                     "validate", "--no-net",
                                     installed("share/metainfo/" + appId + ".metainfo.xml")};
    // The installed pages are these, compressed; lintian reads those (packageHasNoLintianErrors).
    for (const QString page : {"nvdue.1", "nvimport.1", "norvo-rava-rodozod.1"})
        QTest::newRow(qPrintable(page))
            << "groff" << QStringList{"-ww", "-z", "-man", sourceFile("resources/install/" + page)};
}

void TestInstall::filesPassTheirValidators()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    if (QStandardPaths::findExecutable(program).isEmpty())
        QSKIP(qPrintable(program + " is not installed (tools/ensure-deps.sh installs it)"));
    const Run check = run(program, arguments);
    QVERIFY2(check.status == 0, qPrintable(check.output));
    // The validators that say nothing when all is well must say nothing.
    if (program != QLatin1String("appstreamcli"))
        QVERIFY2(check.output.isEmpty(), qPrintable(check.output));
}

// lintian reads the package as Debian's archive would; an error there would keep it out.
void TestInstall::packageHasNoLintianErrors()
{
    if (QStandardPaths::findExecutable("lintian").isEmpty() ||
        QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
        QSKIP("lintian or dpkg-dev is not installed (tools/ensure-deps.sh installs them)");
    QTemporaryDir packages;
    QVERIFY(packages.isValid());
    const Run pack = run(QStringLiteral(NV_CPACK_COMMAND),
                         {"--config", QStringLiteral(NV_BINARY_DIR "/CPackConfig.cmake"), "-G",
                          "DEB", "-B", packages.path()});
    // cpack first brings every target of the build up to date, as it would before a release.
    QVERIFY2(pack.status == 0,
             qPrintable("cpack, which needs the whole build made first: " + pack.output));
    const QStringList debs = QDir(packages.path()).entryList({"*.deb"}, QDir::Files);
    QCOMPARE(debs.size(), 1);

    const Run check = run("lintian", {QDir(packages.path()).filePath(debs.constFirst())},
                          QProcess::SeparateChannels);
    const QStringList errors = check.output.split('\n').filter(QRegularExpression("^E: "));
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QVERIFY2(check.status == 0, qPrintable(check.output));
}

NV_TEST_MAIN(TestInstall)
#include "tst_install.moc"
