#include "shell/ui_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace quillet::shell {
namespace {

// Owned here so a later call can replace them; guarded by being used on the main thread only.
std::unique_ptr<QTranslator> g_program;
std::unique_ptr<QTranslator> g_qt;

bool IsCLocale(const QString& locale) {
    // "C.UTF-8" is the C locale with another character set.
    const QString name = locale.section(QLatin1Char('.'), 0, 0);
    return name == QLatin1String("C") || name == QLatin1String("POSIX");
}

std::unique_ptr<QTranslator> Load(const QString& file) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

}  // namespace

Language LanguageOfLocale(const LocaleEnvironment& env) {
    QString locale = QStringLiteral("C");
    for (const QString* v : {&env.lcAll, &env.lcMessages, &env.lang}) {
        if (!v->isEmpty()) {
            locale = *v;
            break;
        }
    }
    if (IsCLocale(locale))
        return Language::kChinese;  // the C library ignores LANGUAGE there too
    // A preference the program has no texts for is passed over, as gettext does.
    for (const QString& preference : env.language.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (const auto chosen = LanguageOfTag(preference))
            return *chosen;
    return LanguageOfTag(locale).value_or(Language::kEnglish);
}

Language LanguageFromEnvironment() {
    return LanguageOfLocale({qEnvironmentVariable("LANGUAGE"), qEnvironmentVariable("LC_ALL"),
                             qEnvironmentVariable("LC_MESSAGES"), qEnvironmentVariable("LANG")});
}

Language ChooseLanguage(const CommandLine& cmd) {
    return cmd.language.value_or(LanguageFromEnvironment());
}

Language InstallTranslators(Language language, const QString& englishFile) {
    RemoveTranslators();
    if (language == Language::kEnglish) {
        g_program = Load(englishFile);
        if (g_program)
            return Language::kEnglish;
        qWarning("quillet: cannot load the English texts from %s; using Chinese",
                 qPrintable(englishFile));
    }
    const QString qtDir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    g_qt = Load(qtDir + QStringLiteral("/qtbase_zh_CN.qm"));
    if (!g_qt)
        qWarning("quillet: cannot load Qt's Chinese texts from %s", qPrintable(qtDir));
    return Language::kChinese;
}

void RemoveTranslators() {
    for (std::unique_ptr<QTranslator>* t : {&g_program, &g_qt}) {
        if (*t)
            QCoreApplication::removeTranslator(t->get());
        t->reset();
    }
}

}  // namespace quillet::shell
