#pragma once
// A page's saved messages in a window of their own beside the page: Enter or a double-click
// sends the chosen message to the page's selected connection, 发送给所有连接 to every one (on
// the pages that send to all), Insert adds the send box's text, Delete removes, F2 renames,
// and the list is imported from or exported to a JSON file (saved_messages.h). Every change is
// kept in the settings at once. Files are read and written on a thread of their own; the
// export replaces its file only once the whole of it is written (QSaveFile).
//
// Threads: user-interface thread, except the file work (ListFileJobs), which touches no member
// and hands its result back through the event queue.
#include <QDialog>

#include <functional>

#include "pages/common/list_file_dialog.h"
#include "pages/send/saved_messages.h"

class QListWidget;
class QPushButton;

namespace quillet::pages {

class TextSender;

class CSavedMessagesDlg : public QDialog {
    Q_OBJECT
public:
    // `sending` sends the messages; its page's objectName names the list in the settings.
    explicit CSavedMessagesDlg(TextSender* sending);
    ~CSavedMessagesDlg() override;

    const SavedMessages& Messages() const { return m_messages; }
    QListWidget* List() const { return m_list; }
    // Adds a message and selects it.
    void Add(SavedMessage message);
    // Adds those of `messages` the list does not have yet; false, adding none, when the list
    // would grow beyond kMaxSavedMessages.
    bool AddAll(const SavedMessages& messages);
    // The chosen message to the selected connection / to all.
    void SendChosen();
    void SendChosenToAll();
    // Asks for a file (through ui::ExecModal), then imports or exports in the background.
    void AskImport();
    void AskExport();
    // The same with a chosen file; the outcome comes later (IoBusy() turns false).
    void ImportFrom(const QString& path);
    void ExportTo(const QString& path);
    bool IoBusy() const { return m_jobs->Busy(); }
    // The send box's text as a new message: in hex when the page's encoding is HEX, with the
    // send options' line ending, named after its first line.
    void AddFromBox();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Rebuild(int current);
    void Store();
    void RemoveChosen();
    void Renamed(int row);
    // Runs `work` (a file's reading or writing, returning why it failed) on a thread of its own,
    // then `done` here, or tells `failureText` with the file and the reason.
    void StartIo(std::function<QString()> work, std::function<void()> done,
                 const QString& failureText, const QString& path);

    TextSender* m_sending;
    SavedMessages m_messages;
    QListWidget* m_list;
    QPushButton* m_toAll;
    QPushButton* m_import;
    QPushButton* m_export;
    ListFileJobs* m_jobs = new ListFileJobs(this);
};

}  // namespace quillet::pages
