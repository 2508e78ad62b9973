#include "pages/send/sequences_dlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <memory>

#include "pages/common/list_file.h"
#include "pages/common/list_file_dialog.h"
#include "pages/send/text_sender.h"
#include "pages/send/sequence_runner.h"
#include "skin/ui_kit.h"

namespace quillet::pages {
namespace {

constexpr int kSavedForm = 3;  // the form box's entry for a saved message

QPushButton* AddButton(QBoxLayout* row, const char* name, const QString& text) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString ReadFile(const QString& path, Sequences* out) {
    auto bytes = ReadListFile(path);
    if (auto* why = std::get_if<QString>(&bytes))
        return *why;
    auto read = SequencesFromBytes(std::get<QByteArray>(bytes));
    if (auto* fault = std::get_if<SequenceFault>(&read))
        return fault->what;
    *out = std::get<Sequences>(std::move(read));
    return {};
}

}  // namespace

CSequencesDlg::CSequencesDlg(TextSender* sending, SequenceRunner* runner)
    : QDialog(sending->Page()),
      m_sending(sending),
      m_runner(runner),
      m_sequences(LoadSequences(sending->Page()->objectName())) {
    setObjectName(QStringLiteral("sequencesDialog"));
    setWindowTitle(tr("序列"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    m_choice = Named(new QComboBox(this), "sequenceChoice");
    top->addWidget(m_choice, 1);
    m_name = Named(new QLineEdit(this), "sequenceName");
    m_name->setPlaceholderText(tr("序列名称"));
    top->addWidget(m_name, 1);
    connect(AddButton(top, "sequenceNew", tr("新建")), &QPushButton::clicked, this,
            [this] { NewSequence(); });
    connect(AddButton(top, "sequenceDelete", tr("删除序列")), &QPushButton::clicked, this,
            [this] { DeleteSequence(); });
    m_steps = Named(new QListWidget(this), "sequenceSteps");
    layout->addWidget(m_steps, 1);
    BuildEditor(layout);
    BuildButtons(layout);
    connect(m_choice, &QComboBox::currentIndexChanged, this, [this] { RebuildSteps(0); });
    connect(m_name, &QLineEdit::editingFinished, this, [this] { Rename(); });
    connect(m_steps, &QListWidget::currentRowChanged, this, [this](int row) { StepChosen(row); });
    connect(m_runner, &SequenceRunner::ProgressChanged, this, [this] { ShowProgress(); });
    connect(m_runner, &SequenceRunner::Finished, this, [this](bool, const QString& why) {
        m_progress->setText(why);
        m_progress->setToolTip(why);
    });
    RebuildChoice(0);
    KindChanged();
    ShowProgress();
    resize(560, 460);
}

CSequencesDlg::~CSequencesDlg() = default;

void CSequencesDlg::BuildEditor(QVBoxLayout* layout) {
    auto* form = new QFormLayout;
    layout->addLayout(form);
    m_kind = Named(new QComboBox(this), "stepKind");
    m_kind->addItems({tr("发送"), tr("等待"), tr("等待收到数据"), tr("重复")});
    form->addRow(Named(new QLabel(tr("步骤"), this), "stepKindLabel"), m_kind);
    auto* row = new QHBoxLayout;
    m_form = Named(new QComboBox(this), "stepForm");
    m_form->addItems({tr("文本"), tr("十六进制"), tr("转义字符"), tr("常用消息")});
    m_match = Named(new QComboBox(this), "stepMatch");
    m_match->addItems({tr("含有文本"), tr("匹配正则表达式"), tr("等于十六进制")});
    m_ending = Named(new QComboBox(this), "stepLineEnding");
    m_ending->addItems(
        {QStringLiteral("LF"), QStringLiteral("CR LF"), QStringLiteral("CR"), tr("无换行")});
    row->addWidget(m_form);
    row->addWidget(m_match);
    row->addWidget(m_ending);
    form->addRow(Named(new QLabel(tr("形式"), this), "stepFormLabel"), row);
    m_text = Named(new QLineEdit(this), "stepText");
    form->addRow(Named(new QLabel(tr("内容"), this), "stepTextLabel"), m_text);
    auto* numbers = new QHBoxLayout;
    m_ms = Named(new QSpinBox(this), "stepMs");
    m_ms->setRange(0, kMaxStepMs);
    m_ms->setValue(1000);
    m_ms->setSuffix(tr(" 毫秒"));
    m_from = Named(new QSpinBox(this), "stepFrom");
    m_from->setRange(1, static_cast<int>(kMaxSteps));
    m_from->setPrefix(tr("从第 "));
    m_from->setSuffix(tr(" 步起"));
    m_count = Named(new QSpinBox(this), "stepCount");
    m_count->setRange(0, kMaxRepeatCount);
    m_count->setValue(2);
    m_count->setSuffix(tr(" 遍（0：直到停止）"));
    numbers->addWidget(m_ms);
    numbers->addWidget(m_from);
    numbers->addWidget(m_count);
    form->addRow(Named(new QLabel(tr("时间与次数"), this), "stepNumbersLabel"), numbers);
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] { KindChanged(); });
    connect(m_form, &QComboBox::currentIndexChanged, this, [this] { KindChanged(); });
}

void CSequencesDlg::BuildButtons(QVBoxLayout* layout) {
    auto* edits = new QHBoxLayout;
    auto* runs = new QHBoxLayout;
    layout->addLayout(edits);
    layout->addLayout(runs);
    connect(AddButton(edits, "stepAdd", tr("添加步骤")), &QPushButton::clicked, this,
            [this] { AddStep(); });
    connect(AddButton(edits, "stepReplace", tr("修改步骤")), &QPushButton::clicked, this,
            [this] { ReplaceStep(); });
    connect(AddButton(edits, "stepRemove", tr("删除步骤")), &QPushButton::clicked, this,
            [this] { RemoveStep(); });
    connect(AddButton(edits, "stepUp", tr("上移")), &QPushButton::clicked, this,
            [this] { MoveStep(-1); });
    connect(AddButton(edits, "stepDown", tr("下移")), &QPushButton::clicked, this,
            [this] { MoveStep(1); });
    m_run = AddButton(runs, "sequenceRun", tr("运行"));
    connect(m_run, &QPushButton::clicked, this, [this] { Run(); });
    m_stop = AddButton(runs, "sequenceStop", tr("停止"));
    connect(m_stop, &QPushButton::clicked, this, [this] { StopRun(); });
    m_progress = Named(new QLabel(this), "sequenceProgress");
    // A long closing note must not widen the window: it is cut, whole in the tooltip.
    m_progress->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    runs->addWidget(m_progress, 1);
    m_import = AddButton(runs, "sequenceImport", tr("导入..."));
    connect(m_import, &QPushButton::clicked, this, [this] { AskImport(); });
    m_export = AddButton(runs, "sequenceExport", tr("导出..."));
    connect(m_export, &QPushButton::clicked, this, [this] { AskExport(); });
    connect(AddButton(runs, "sequenceClose", tr("关闭")), &QPushButton::clicked, this,
            &QDialog::close);
}

int CSequencesDlg::Current() const {
    return m_choice->currentIndex();
}

void CSequencesDlg::Choose(int index) {
    m_choice->setCurrentIndex(index);
}

Sequence* CSequencesDlg::Chosen() {
    const int at = Current();
    return at >= 0 && at < static_cast<int>(m_sequences.size()) ? &m_sequences[at] : nullptr;
}

void CSequencesDlg::SetAll(Sequences sequences) {
    m_sequences = std::move(sequences);
    Keep();
    RebuildChoice(0);
}

SequenceStep CSequencesDlg::EditedStep() const {
    SequenceStep step;
    step.kind = static_cast<StepKind>(m_kind->currentIndex());
    step.ms = m_ms->value();
    step.from = m_from->value();
    step.count = m_count->value();
    if (step.kind == StepKind::kSend) {
        if (m_form->currentIndex() == kSavedForm) {
            step.saved = m_text->text();
        } else {
            step.form = static_cast<SendForm>(m_form->currentIndex());
            step.text = m_text->text();
            step.lineEnding = static_cast<LineEnding>(m_ending->currentIndex());
        }
    } else if (step.kind == StepKind::kExpect) {
        step.match = static_cast<MatchKind>(m_match->currentIndex());
        step.pattern = m_text->text();
    }
    return step;
}

void CSequencesDlg::EditStep(const SequenceStep& step) {
    m_kind->setCurrentIndex(static_cast<int>(step.kind));
    m_form->setCurrentIndex(step.saved.isEmpty() ? static_cast<int>(step.form) : kSavedForm);
    m_ending->setCurrentIndex(static_cast<int>(step.lineEnding));
    m_match->setCurrentIndex(static_cast<int>(step.match));
    m_text->setText(step.kind == StepKind::kExpect ? step.pattern
                    : step.saved.isEmpty()         ? step.text
                                                   : step.saved);
    m_ms->setValue(step.ms);
    m_from->setValue(step.from);
    m_count->setValue(step.count);
    KindChanged();
}

void CSequencesDlg::KindChanged() {
    const auto kind = static_cast<StepKind>(m_kind->currentIndex());
    const bool send = kind == StepKind::kSend, expect = kind == StepKind::kExpect;
    m_form->setEnabled(send);
    m_ending->setEnabled(send && m_form->currentIndex() != kSavedForm);
    m_match->setEnabled(expect);
    m_text->setEnabled(send || expect);
    m_ms->setEnabled(kind == StepKind::kWait || expect);
    m_from->setEnabled(kind == StepKind::kRepeat);
    m_count->setEnabled(kind == StepKind::kRepeat);
}

void CSequencesDlg::NewSequence() {
    Sequence sequence;
    sequence.name = tr("序列 %1").arg(m_sequences.size() + 1);
    m_sequences.push_back(std::move(sequence));
    Keep();
    RebuildChoice(static_cast<int>(m_sequences.size()) - 1);
}

void CSequencesDlg::DeleteSequence() {
    const int at = Current();
    if (!Chosen())
        return;
    m_sequences.erase(m_sequences.begin() + at);
    Keep();
    RebuildChoice(std::max(at - 1, 0));
}

void CSequencesDlg::Rename() {
    Sequence* sequence = Chosen();
    const QString name = m_name->text().trimmed();
    if (!sequence || name.isEmpty() || name == sequence->name)
        return;
    sequence->name = name;
    Keep();
    RebuildChoice(Current());
}

void CSequencesDlg::AddStep() {
    if (!Chosen())
        NewSequence();
    Sequence* sequence = Chosen();
    const int at = m_steps->currentRow() < 0 ? static_cast<int>(sequence->steps.size())
                                             : m_steps->currentRow() + 1;
    const SequenceStep step = EditedStep();
    if (const QString why = StepFault(step, at); !why.isEmpty()) {
        ui::ShowMessage(this, tr("无法添加此步：%1").arg(why), tr("提示"));
        return;
    }
    sequence->steps.insert(sequence->steps.begin() + at, step);
    Keep();
    RebuildSteps(at);
}

void CSequencesDlg::ReplaceStep() {
    Sequence* sequence = Chosen();
    const int at = m_steps->currentRow();
    if (!sequence || at < 0 || at >= static_cast<int>(sequence->steps.size()))
        return;
    const SequenceStep step = EditedStep();
    if (const QString why = StepFault(step, at); !why.isEmpty()) {
        ui::ShowMessage(this, tr("无法修改此步：%1").arg(why), tr("提示"));
        return;
    }
    sequence->steps[static_cast<size_t>(at)] = step;
    Keep();
    RebuildSteps(at);
}

void CSequencesDlg::RemoveStep() {
    Sequence* sequence = Chosen();
    const int at = m_steps->currentRow();
    if (!sequence || at < 0 || at >= static_cast<int>(sequence->steps.size()))
        return;
    sequence->steps.erase(sequence->steps.begin() + at);
    Keep();
    RebuildSteps(at);
}

void CSequencesDlg::MoveStep(int by) {
    Sequence* sequence = Chosen();
    const int at = m_steps->currentRow(), to = at + by;
    if (!sequence || at < 0 || to < 0 || to >= static_cast<int>(sequence->steps.size()))
        return;
    std::swap(sequence->steps[static_cast<size_t>(at)], sequence->steps[static_cast<size_t>(to)]);
    Keep();
    RebuildSteps(to);
}

void CSequencesDlg::StepChosen(int row) {
    const Sequence* sequence = Chosen();
    if (sequence && row >= 0 && row < static_cast<int>(sequence->steps.size()))
        EditStep(sequence->steps[static_cast<size_t>(row)]);
}

void CSequencesDlg::Run() {
    const Sequence* sequence = Chosen();
    if (!sequence || sequence->steps.empty()) {
        ui::ShowMessage(this, tr("所选序列没有步骤。"), tr("提示"));
        return;
    }
    for (size_t i = 0; i < sequence->steps.size(); ++i) {
        if (const QString why = StepFault(sequence->steps[i], static_cast<int>(i));
            !why.isEmpty()) {
            ui::ShowMessage(this, tr("第 %1 步无法运行：%2").arg(i + 1).arg(why), tr("提示"));
            return;
        }
    }
    m_sending->RunSequence(*sequence);
}

void CSequencesDlg::StopRun() {
    m_runner->Stop();
}

QString CSequencesDlg::ProgressText() const {
    const SequenceRunner::Progress p = m_runner->CurrentProgress();
    if (p.steps == 0)
        return m_progress->text();
    return p.round > 0 ? tr("第 %1 / %2 步，第 %3 遍").arg(p.step).arg(p.steps).arg(p.round)
                       : tr("第 %1 / %2 步").arg(p.step).arg(p.steps);
}

void CSequencesDlg::ShowProgress() {
    const bool running = m_runner->Running();
    m_run->setEnabled(!running);
    m_stop->setEnabled(running);
    if (running && isVisible())
        m_progress->setText(ProgressText());
}

void CSequencesDlg::AskImport() {
    if (const QString path =
            AskListFile(this, tr("导入序列"), QStringLiteral("sequenceImportFile"), false);
        !path.isEmpty())
        ImportFrom(path);
}

void CSequencesDlg::AskExport() {
    if (const QString path =
            AskListFile(this, tr("导出序列"), QStringLiteral("sequenceExportFile"), true);
        !path.isEmpty())
        ExportTo(path);
}

void CSequencesDlg::ImportFrom(const QString& path) {
    auto read = std::make_shared<Sequences>();
    StartIo([path, read] { return ReadFile(path, read.get()); },
            [this, path, read] {
                if (m_sequences.size() + read->size() > static_cast<size_t>(kMaxSequences)) {
                    ui::ShowMessage(
                        this, tr("无法导入 %1：序列多于 %2 个。").arg(path).arg(kMaxSequences),
                        tr("提示"));
                    return;
                }
                const int first = static_cast<int>(m_sequences.size());
                m_sequences.insert(m_sequences.end(), read->begin(), read->end());
                Keep();
                RebuildChoice(first);
                ui::ShowMessage(this, tr("已导入 %1 个序列。").arg(read->size()), tr("提示"));
            },
            tr("无法导入 %1：%2"), path);
}

void CSequencesDlg::ExportTo(const QString& path) {
    const QByteArray bytes = SequencesToBytes(m_sequences);
    const size_t count = m_sequences.size();
    StartIo([path, bytes] { return WriteListFile(path, bytes); },
            [this, path, count] {
                ui::ShowMessage(this, tr("已导出 %1 个序列到 %2。").arg(count).arg(path),
                                tr("提示"));
            },
            tr("无法导出 %1：%2"), path);
}

void CSequencesDlg::StartIo(std::function<QString()> work, std::function<void()> done,
                            const QString& failureText, const QString& path) {
    m_jobs->Start(std::move(work), std::move(done), failureText, path, {m_import, m_export});
}

void CSequencesDlg::RebuildChoice(int current) {
    {
        const QSignalBlocker quiet(m_choice);
        m_choice->clear();
        for (const Sequence& sequence : m_sequences)
            m_choice->addItem(sequence.name);
        if (!m_sequences.empty())
            m_choice->setCurrentIndex(std::min(current, static_cast<int>(m_sequences.size()) - 1));
    }
    RebuildSteps(0);
}

void CSequencesDlg::RebuildSteps(int current) {
    const Sequence* sequence = Chosen();
    m_name->setText(sequence ? sequence->name : QString());
    const QSignalBlocker quiet(m_steps);
    m_steps->clear();
    if (!sequence)
        return;
    for (size_t i = 0; i < sequence->steps.size(); ++i)
        m_steps->addItem(QStringLiteral("%1. %2").arg(i + 1).arg(DescribeStep(sequence->steps[i])));
    if (!sequence->steps.empty())
        m_steps->setCurrentRow(std::min(current, static_cast<int>(sequence->steps.size()) - 1));
}

void CSequencesDlg::Keep() {
    StoreSequences(m_sending->Page()->objectName(), m_sequences);
}

}  // namespace quillet::pages
