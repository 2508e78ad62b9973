#pragma once
// The language the program speaks and the translators that make it speak it. Chinese is the
// program's own language; English comes from the compiled-in quillet_en.qm. Under Chinese,
// Qt's own texts (context menus, standard buttons) are made Chinese too.
//
// Threads: main thread only, after the application object exists and before any window is made.
#include <QString>

#include "shell/command_line.h"

namespace quillet::shell {

// The program's English texts as built into the resources.
inline constexpr char kEnglishTranslationFile[] = ":/i18n/quillet_en.qm";

// The locale variables that choose the language of messages, as the C library reads them.
struct LocaleEnvironment {
    QString language;    // LANGUAGE: a colon-separated list of preferences
    QString lcAll;       // LC_ALL
    QString lcMessages;  // LC_MESSAGES
    QString lang;        // LANG
};

// Chinese for a Chinese locale and for C or POSIX (the program's own texts), English for every
// other. The locale is the first set of LC_ALL, LC_MESSAGES and LANG (C when none is). Unless
// it is C or POSIX, LANGUAGE's first entry in Chinese or English wins over it.
Language LanguageOfLocale(const LocaleEnvironment& env);

// LanguageOfLocale of this process's environment.
Language LanguageFromEnvironment();

// --lang when given, else the environment's choice.
Language ChooseLanguage(const CommandLine& cmd);

// Replaces the translators installed by an earlier call with those for `language` and returns
// the language really spoken: Chinese when `englishFile` is missing or broken (with a warning on
// stderr). A missing Qt Chinese file only warns; the program's texts stay Chinese.
Language InstallTranslators(Language language,
                            const QString& englishFile = kEnglishTranslationFile);

// Removes the translators installed by InstallTranslators: the program speaks Chinese again.
void RemoveTranslators();

}  // namespace quillet::shell
