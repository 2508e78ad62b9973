#include "shell/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

namespace quillet::shell {
namespace {

constexpr char kContext[] = "quillet::shell::CommandLine";

QString Tr(const char* text) {
    return QCoreApplication::translate(kContext, text);
}

CommandLine UsageError(const QString& program, const QString& problem,
                       const QCommandLineParser& parser) {
    CommandLine cmd;
    cmd.action = CommandLine::Action::kUsageError;
    cmd.text = QStringLiteral("%1: %2\n").arg(program, problem) + parser.helpText();
    return cmd;
}

}  // namespace

std::optional<Language> LanguageOfTag(const QString& tag) {
    // The language is what comes before a territory (_ or -), a character set or a modifier.
    const qsizetype end = tag.indexOf(QRegularExpression(QStringLiteral("[_.@-]")));
    const QString language = end < 0 ? tag : tag.left(end);
    if (language == QLatin1String("zh"))
        return Language::kChinese;
    if (language == QLatin1String("en"))
        return Language::kEnglish;
    return std::nullopt;
}

CommandLine ParseCommandLine(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        Tr("Quillet: a socket test tool (TCP server and client, UDP server and client, "
           "broadcast, multicast)."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  Tr("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), Tr("Show the version and exit."));
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  Tr("Language of the user interface: zh (Chinese) or en "
                                     "(English); zh_CN, en_US and the like work too. Without "
                                     "it the locale decides: Chinese for Chinese locales and "
                                     "for C or POSIX, English for every other."),
                                  QStringLiteral("zh|en"));
    const QCommandLineOption workspace(QStringLiteral("workspace"),
                                       Tr("Open the workspace FILE (saved with the views' menu) "
                                          "at start."),
                                       QStringLiteral("FILE"));
    parser.addOptions({help, version, lang, workspace});

    const QString program =
        args.isEmpty() ? QStringLiteral("quillet") : args.first().section('/', -1);
    if (!parser.parse(args))
        return UsageError(program, parser.errorText(), parser);
    if (parser.isSet(help))
        return {CommandLine::Action::kHelp, std::nullopt, parser.helpText(), {}};
    if (parser.isSet(version)) {
        return {CommandLine::Action::kVersion, std::nullopt,
                QStringLiteral("Quillet %1\n").arg(QStringLiteral(QUILLET_VERSION)), {}};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError(
            program, Tr("unexpected argument '%1'.").arg(parser.positionalArguments()[0]), parser);
    }
    CommandLine cmd;
    if (parser.isSet(workspace)) {
        cmd.workspace = parser.value(workspace);
        if (cmd.workspace.isEmpty())
            return UsageError(program, Tr("--workspace needs a file name."), parser);
    }
    if (parser.isSet(lang)) {
        const QString value = parser.value(lang);
        cmd.language = LanguageOfTag(value);
        if (!cmd.language) {
            return UsageError(program,
                              Tr("unknown language '%1' for --lang: choose zh or en.").arg(value),
                              parser);
        }
    }
    return cmd;
}

QString WorkspaceFaultLine(const QString& program, const QString& file, const QString& fault) {
    QString line = QStringLiteral("%1: %2: %3").arg(program, file, fault);
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line + QLatin1Char('\n');
}

Language UiLanguage(const CommandLine& cmd) {
    return cmd.language.value_or(Language::kChinese);
}

}  // namespace quillet::shell
