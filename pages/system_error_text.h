#pragma once
// A system error number as a short cause in the window's language, for the second part of a
// failure message ("保存失败：磁盘空间不足"). Causes the user can act on have their own text;
// any other shows its number, never the C library's English text.
//
// Threads: any thread (translation is read-only once the window is up).
#include <QString>

namespace quillet::pages {

QString SystemErrorText(int error);

}  // namespace quillet::pages
