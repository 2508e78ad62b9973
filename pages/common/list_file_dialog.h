#pragma once
// Choosing the JSON file of a list, and reading or writing it on a thread of its own, one job
// at a time per dialog.
//
// Threads: user-interface thread; a job's work runs on its own thread and touches nothing of
// the caller's.
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <thread>

class QWidget;

namespace quillet::pages {

// Asks for a JSON file to import from (`save` false) or to export to; empty when none was chosen.
QString AskListFile(QWidget* parent, const QString& title, const QString& objectName, bool save);

// One file job at a time beside the window.
class ListFileJobs : public QObject {
    Q_OBJECT
public:
    explicit ListFileJobs(QObject* parent);
    ~ListFileJobs() override;  // waits for a job under way: one small file, bounded

    bool Busy() const { return m_busy; }
    // Runs `work` (returning why it failed, or empty) on a thread of its own, then
    // `done(failure)` on this object's thread. False, and nothing runs, while a job is under way.
    bool Start(std::function<QString()> work, std::function<void(const QString&)> done);
    // Start for the import and export of a list dialog (this object's parent): `buttons` are
    // disabled while the job runs; then `done()`, or when it failed `failureText` (%1 the path,
    // %2 why) is told in a box over the dialog.
    bool Start(std::function<QString()> work, std::function<void()> done,
               const QString& failureText, const QString& path, const QList<QWidget*>& buttons);

private:
    std::thread m_io;
    bool m_busy = false;
};

}  // namespace quillet::pages
