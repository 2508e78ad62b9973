// The real program started with options and without a display: help, version, usage errors and
// the missing display each end with their exit code and message, never with an abort.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out, err;
};

// Runs the program with `args` in an environment without any display, plus `extraEnv`.
Outcome RunQuillet(const QStringList& args, const QStringList& extraEnv = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    for (const QString& pair : extraEnv)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUILLET_BINARY), args);
    Outcome o;
    o.finished = p.waitForStarted(10000) && p.waitForFinished(20000);
    if (!o.finished) {
        p.kill();
        p.waitForFinished(5000);
    }
    o.exitCode = p.exitCode();
    o.status = p.exitStatus();
    o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

void ExpectExit(const Outcome& o, int code) {
    ASSERT_TRUE(o.finished) << "still running";
    EXPECT_EQ(o.status, QProcess::NormalExit) << o.err.toStdString();
    EXPECT_EQ(o.exitCode, code) << o.err.toStdString();
}

TEST(CommandLine, HelpAndVersionNeedNoDisplay) {
    for (const QString& opt : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Outcome help = RunQuillet({opt});
        ExpectExit(help, 0);
        EXPECT_TRUE(help.out.contains("Usage:")) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains("--lang <zh|en>"));
        EXPECT_TRUE(help.out.contains("--version"));
        EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();
    }
    const Outcome version = RunQuillet({"--version"});
    ExpectExit(version, 0);
    EXPECT_EQ(version.out, "Quillet 1.1\n");
}

TEST(CommandLine, UsageErrorsExitWithTwoAndTheUsageOnStderr) {
    struct Case {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--bogus"}, "Unknown option 'bogus'"},
        {{"-x"}, "Unknown option 'x'"},
        {{"--lang"}, "Missing value after '--lang'"},
        {{"--lang", "xx"}, "unknown language 'xx' for --lang: choose zh or en"},
        {{"--lang="}, "unknown language '' for --lang"},
        {{"--lang", "EN"}, "unknown language 'EN'"},
        {{"stray"}, "unexpected argument 'stray'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome o = RunQuillet(c.args);
        ExpectExit(o, 2);
        EXPECT_TRUE(o.err.contains(QString::fromUtf8(c.says))) << o.err.toStdString();
        EXPECT_TRUE(o.err.contains("Usage:"));
        EXPECT_TRUE(o.out.isEmpty());
    }
}

// One line on stderr, exit code 1, none of Qt's abort text.
void ExpectOneLineDisplayError(const Outcome& o, const char* names) {
    ExpectExit(o, 1);
    EXPECT_EQ(o.err.count('\n'), 1) << o.err.toStdString();
    EXPECT_TRUE(o.err.endsWith('\n'));
    EXPECT_TRUE(o.err.contains(QString::fromUtf8(names))) << o.err.toStdString();
    EXPECT_FALSE(o.err.contains("Reinstalling"));
    EXPECT_TRUE(o.out.isEmpty());
}

TEST(CommandLine, NoDisplayIsOneLineAndExitCodeOne) {
    ExpectOneLineDisplayError(RunQuillet({}), "neither DISPLAY nor WAYLAND_DISPLAY is set");
    // A valid language is accepted: the run gets as far as the display.
    ExpectOneLineDisplayError(RunQuillet({"--lang", "en"}), "no display");
    ExpectOneLineDisplayError(RunQuillet({"--lang", "zh"}), "no display");
}

TEST(CommandLine, APlatformThatCannotOpenIsOneLineAndExitCodeOne) {
    // The X11 plugin with no display to connect to, and a plugin that does not exist.
    ExpectOneLineDisplayError(RunQuillet({}, {"QT_QPA_PLATFORM=xcb"}),
                              "cannot open the display (platform xcb): could not connect");
    ExpectOneLineDisplayError(RunQuillet({}, {"QT_QPA_PLATFORM=nosuchplatform"}),
                              "cannot open the display (platform nosuchplatform)");
}

// A workspace file that cannot be opened is a usage error: one line naming the file and the
// fault, status 2, before any display is looked for.
TEST(CommandLine, AWorkspaceThatCannotBeOpenedIsOneLineAndExitCodeTwo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* file;
        const char* json;  // null: no such file; "/": a folder
        const char* names;
    } cases[] = {
        {"missing.json", nullptr, ""},
        {"folder.json", "/", ""},
        {"invalid.json", R"({"version": 1, "pages": [)", "JSON"},
        {"v2.json", R"({"version": 2, "pages": []})", "version"},
        {"port.json",
         R"({"version": 1, "pages": [{"page": "tcpServer", "endpoints": [{"port": 70000}]}]})",
         "pages[0].endpoints[0].port"},
        {"group.json",
         R"({"version": 1, "pages": [{"page": "udpServer"}, {"page": "multicast", "endpoints": [{"group": "10.1.1.1", "port": 1, "localPort": 1, "count": 1, "ttl": 1, "interface": "lo"}]}]})",
         "pages[1].endpoints[0].group"},
        {"page.json", R"({"version": 1, "pages": [{"page": "serial"}]})", "pages[0].page"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(QLatin1String(c.file));
        if (c.json && QByteArray(c.json) == "/") {
            ASSERT_TRUE(QDir().mkdir(path));
        } else if (c.json) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.json);
        }
        const Outcome o = RunQuillet({"--workspace", path});
        ExpectExit(o, 2);
        EXPECT_EQ(o.err.count('\n'), 1) << o.err.toStdString();
        EXPECT_TRUE(o.err.contains(path + ": ")) << o.err.toStdString();
        EXPECT_TRUE(o.err.contains(QLatin1String(c.names))) << o.err.toStdString();
        EXPECT_TRUE(o.out.isEmpty());
    }
    // A good file gets as far as the display.
    const QString good = dir.filePath("good.json");
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"version": 1, "pages": []})");
    file.close();
    ExpectOneLineDisplayError(RunQuillet({"--workspace", good}), "no display");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
