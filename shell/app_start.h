#pragma once
// Opening the window system at start-up without Qt's abort: a missing display or a platform
// plugin that cannot open ends the process with one line on stderr and exit code 1.
//
// Threads: main thread only, before the application object exists.
#include <QString>

#include <memory>

class QApplication;

namespace quillet::shell {

// The reason no window system can be reached, or an empty string: none of QT_QPA_PLATFORM,
// DISPLAY and WAYLAND_DISPLAY is set.
QString MissingDisplayProblem();

// Creates the application object. If the platform plugin fails, prints "<program>: cannot open
// the display: <reason>" and exits with kNoDisplayExitCode; Qt's warnings about the failure are
// folded into that line.
std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv);

}  // namespace quillet::shell
