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

// English when the first entry of LANGUAGE, or else LANG, starts with "en"; Chinese otherwise.
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
