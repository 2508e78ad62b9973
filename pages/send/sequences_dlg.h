#pragma once
// A page's sequences in a window of their own beside the page ("序列..."): choose, add, rename
// and delete sequences, edit their steps (add, change, remove, move), run the chosen one on the
// page's selected connection and stop it, with the run's progress (step i of n, round), and
// import or export them as a JSON file (sequences.h). Every change is kept in the settings at
// once. Files are read and written on a thread of their own; an export replaces its file only
// once the whole of it is written (QSaveFile).
//
// Threads: user-interface thread, except the file work (ListFileJobs), which touches no member
// and hands its result back through the event queue.
#include <QDialog>

#include <functional>

#include "pages/common/list_file_dialog.h"
#include "pages/send/sequences.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace quillet::pages {

class TextSender;
class SequenceRunner;

class CSequencesDlg : public QDialog {
    Q_OBJECT
public:
    // `sending` runs the sequences; its page's objectName names the list in the settings.
    CSequencesDlg(TextSender* sending, SequenceRunner* runner);
    ~CSequencesDlg() override;

    const Sequences& All() const { return m_sequences; }
    int Current() const;
    void Choose(int index);
    // Replaces the list (tests, imports) and keeps it.
    void SetAll(Sequences sequences);
    QListWidget* Steps() const { return m_steps; }
    // The editor's fields as a step, and a step into them.
    SequenceStep EditedStep() const;
    void EditStep(const SequenceStep& step);
    // Runs the chosen sequence on the page's selected connection (told when it cannot).
    void Run();
    void StopRun();
    QString ProgressText() const;
    // Asks for a file (through ui::ExecModal), then imports or exports in the background.
    void AskImport();
    void AskExport();
    void ImportFrom(const QString& path);
    void ExportTo(const QString& path);
    bool IoBusy() const { return m_jobs->Busy(); }

private:
    void BuildEditor(QVBoxLayout* layout);
    void BuildButtons(QVBoxLayout* layout);
    void NewSequence();
    void DeleteSequence();
    void Rename();
    void AddStep();
    void ReplaceStep();
    void RemoveStep();
    void MoveStep(int by);
    void StepChosen(int row);
    void KindChanged();
    void RebuildChoice(int current);
    void RebuildSteps(int current);
    void ShowProgress();
    void Keep();
    Sequence* Chosen();
    void StartIo(std::function<QString()> work, std::function<void()> done,
                 const QString& failureText, const QString& path);

    TextSender* m_sending;
    SequenceRunner* m_runner;
    Sequences m_sequences;
    QComboBox* m_choice;
    QLineEdit* m_name;
    QListWidget* m_steps;
    QComboBox* m_kind;
    QComboBox* m_form;
    QLineEdit* m_text;
    QComboBox* m_ending;
    QComboBox* m_match;
    QSpinBox* m_ms;
    QSpinBox* m_from;
    QSpinBox* m_count;
    QPushButton* m_run;
    QPushButton* m_stop;
    QPushButton* m_import;
    QPushButton* m_export;
    QLabel* m_progress;
    ListFileJobs* m_jobs = new ListFileJobs(this);
};

}  // namespace quillet::pages
