#pragma once
// Saving and opening workspaces (workspace_doc.h) over the window's six pages: "保存工作区..."
// and "打开工作区..." in the views' and trees' context menus, Ctrl+Shift+S and Ctrl+Shift+O.
//
// Opening adds to what the pages have: each endpoint is made in order by its page's own prompt,
// filled in and run without being shown (its checks, its background lookup of a host name),
// then by the page's own Create path. What could not be made, and why, is told in one message
// at the end; the rest is made. A file that does not read as a whole workspace is refused
// before anything is made. Files are read and written on a thread beside the window (a
// temporary file, then replace). The last file saved or opened is kept in the settings
// ("workspace/last"); with "workspace/restoreAtStart" the window opens it at start.
//
// Threads: user-interface thread, except the file's read and write on the object's own thread.
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "pages/workspace/workspace_doc.h"

class QMenu;
class QWidget;

namespace quillet::pages {

class CDialogP;
class CPromptDlg;

class CWorkspace : public QObject {
    Q_OBJECT
public:
    using Pages = std::array<CDialogP*, kPageKinds>;  // in PageKind order
    // Adds the keys to `window`; the menus find the workspace while it lives.
    CWorkspace(const Pages& pages, QWidget* window);
    ~CWorkspace() override;

    // The workspace the menus of the pages offer, or null.
    static CWorkspace* Current();
    // Adds the two commands to a view's or tree's context menu, when there is a workspace.
    static void AddActions(QMenu* menu);

    // Ask for a file, then save or open it.
    void AskSave();
    void AskOpen();
    // Save beside the window; a fault is told.
    void SaveTo(const QString& path);
    // Read beside the window, then Open; a damaged file is told with its first bad entry.
    void OpenFrom(const QString& path);
    // Makes what `doc` holds (read from `path`); the summary names `path`.
    void Open(const WorkspaceDoc& doc, const QString& path);
    // True while a file is read or written, or endpoints are being made.
    bool Busy() const { return m_busy; }
    // What the pages hold now.
    WorkspaceDoc Snapshot();

    // Sequences of a page, written under "sequences" and given back when a workspace is
    // opened. By default the page's list (sequences.h) is written, and an opened one is added
    // to it, leaving out those whose name it has.
    struct SequenceHooks {
        std::function<QJsonValue(PageKind, CDialogP*)> save;
        // False when the value was not taken (told in the summary).
        std::function<bool(PageKind, CDialogP*, const QJsonValue&)> open;
    };
    void SetSequenceHooks(SequenceHooks hooks);

    static QString LastFile();

signals:
    // After a save (`fault` empty when it worked) and after an open ended (its summary told).
    void saved(const QString& fault);
    void opened();

private:
    struct Step {
        QString where;  // "pages[i].endpoints[j]"
        PageKind kind;
        EndpointSpec spec;
    };
    void StartIo(std::function<void()> work);
    void NextEndpoint();
    void Decided(bool accepted);
    // The current step's endpoints are made (`made` of them); on to the next step.
    void Made(int made);
    void NextStep();
    void FinishOpen();
    void ApplyPage(const PageSpec& page, const QString& where);
    void Fail(const QString& where, const QStringList& why);
    void Tell(const QString& text);
    void Note(const QString& text) { m_notes << text; }

    Pages m_pages;
    QWidget* m_window;
    SequenceHooks m_hooks;
    bool m_busy = false;
    std::thread m_io;

    // The open under way.
    QString m_path;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QPointer<CPromptDlg> m_prompt;  // the step's prompt while it decides (ours)
    bool m_looping = false;
    QStringList m_notes;     // the step's messages
    QStringList m_failures;  // one line per thing not made
};

}  // namespace quillet::pages
