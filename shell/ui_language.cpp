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

bool StartsWithEnglish(const QByteArray& value) {
    return value.startsWith("en");
}

std::unique_ptr<QTranslator> Load(const QString& file) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

}  // namespace

Language LanguageFromEnvironment() {
    // LANGUAGE is a colon-separated list of preferences and, when set, wins over LANG.
    const QByteArray language = qgetenv("LANGUAGE").split(':').first();
    if (!language.isEmpty())
        return StartsWithEnglish(language) ? Language::kEnglish : Language::kChinese;
    return StartsWithEnglish(qgetenv("LANG")) ? Language::kEnglish : Language::kChinese;
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
