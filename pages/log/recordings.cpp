#include "pages/log/recordings.h"

#include <QFileDialog>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <cstring>

#include "engine/connect_info.h"
#include "engine/record_store.h"
#include "pages/common/engine_names.h"
#include "pages/common/failure_cause.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

const char* const kRecordAction = "recordRecord";
const char* const kRecordPageAction = "recordPage";
const char* const kStopAction = "recordStop";
const char* const kStopPageAction = "recordStopPage";

}  // namespace

CRecordings::CRecordings(std::function<RecordStore&()> store, QWidget* page)
    : QObject(page), m_store(std::move(store)), m_page(page), m_watch(new QTimer(this)) {
    setObjectName(QStringLiteral("recordings"));
    m_watch->setObjectName(QStringLiteral("recordingWatch"));
    connect(m_watch, &QTimer::timeout, this, &CRecordings::Watch);
}

CRecordings::~CRecordings() {
    // The page's teardown ran StopAll while its records and store still existed; by now they
    // are gone, so whatever is left is only stopped and waited for.
    for (Entry& e : m_entries)
        e.recorder->Stop();
}

QMenu* CRecordings::MakeMenu(ConnectInfo* rec, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("recordMenu"));
    auto add = [menu](const QString& text, const char* name, bool enabled, auto fn) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setEnabled(enabled);
        QObject::connect(a, &QAction::triggered, menu, fn);
    };
    add(tr("记录此连接到文件..."), kRecordAction, rec != nullptr,
        [this, rec] { AskAndRecord(rec); });
    add(tr("停止记录此连接"), kStopAction, rec && IsRecording(rec), [this, rec] { Stop(rec); });
    menu->addSeparator();
    add(tr("记录本页所有连接到文件..."), kRecordPageAction, true, [this] { AskAndRecordPage(); });
    add(tr("停止记录本页"), kStopPageAction, IsRecordingPage(), [this] { StopPage(); });
    return menu;
}

QString CRecordings::AskFile(LogRecorder::Form* form) {
    QFileDialog dlg(m_page, tr("记录到文件"));
    dlg.setObjectName(QStringLiteral("recordFileDialog"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    // Recording appends to an existing file, so choosing one overwrites nothing.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    const QString raw = tr("原始字节：只有收到的数据 (*)");
    const QString text = tr("文本：收发的每一块，带时间 (*.txt)");
    dlg.setNameFilters({raw, text});
    if (ui::ExecModal(&dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    *form = dlg.selectedNameFilter() == text ? LogRecorder::Form::kText : LogRecorder::Form::kRaw;
    return dlg.selectedFiles().first();
}

bool CRecordings::AskAndRecord(ConnectInfo* rec) {
    if (!rec)
        return false;
    LogRecorder::Form form = LogRecorder::Form::kRaw;
    const QString path = AskFile(&form);
    return !path.isEmpty() && Record(rec, path, form);
}

bool CRecordings::AskAndRecordPage() {
    LogRecorder::Form form = LogRecorder::Form::kRaw;
    const QString path = AskFile(&form);
    return !path.isEmpty() && RecordPage(path, form);
}

bool CRecordings::Record(ConnectInfo* rec, const QString& path, LogRecorder::Form form) {
    return rec && Start(rec, path, form);
}

bool CRecordings::RecordPage(const QString& path, LogRecorder::Form form) {
    return Start(nullptr, path, form);
}

bool CRecordings::Start(ConnectInfo* rec, const QString& path, LogRecorder::Form form) {
    LogRecorder::Opened opened = LogRecorder::Open(path.toStdString(), form);
    if (!opened.recorder) {
        ui::ShowMessage(m_page, WithCause(tr("无法打开记录文件：%1").arg(path), opened.error),
                        tr("提示"));
        return false;
    }
    if (rec)
        Stop(rec);
    else
        StopPage();
    LogRecorder* recorder = opened.recorder.get();
    m_entries.push_back(Entry{rec, std::move(opened.recorder), true});
    if (rec)
        m_store().SetRecorder(rec, recorder);
    else
        m_store().SetPageRecorder(recorder);
    if (!m_watch->isActive())
        m_watch->start(kWatchMs);
    return true;
}

void CRecordings::Detach(Entry& e) {
    if (!e.attached)
        return;
    e.attached = false;
    // Under the lock: once this returns no worker is inside the recorder or can reach it.
    if (e.rec)
        m_store().SetRecorder(e.rec, nullptr);
    else
        m_store().SetPageRecorder(nullptr);
}

CRecordings::Entry* CRecordings::Attached(const ConnectInfo* rec) {
    for (Entry& e : m_entries)
        if (e.attached && e.rec == rec)
            return &e;
    return nullptr;
}

const CRecordings::Entry* CRecordings::Attached(const ConnectInfo* rec) const {
    return const_cast<CRecordings*>(this)->Attached(rec);
}

void CRecordings::Stop(ConnectInfo* rec) {
    if (!rec)
        return;
    if (Entry* e = Attached(rec)) {
        Detach(*e);
        e->recorder->Stop();
    }
}

void CRecordings::StopPage() {
    if (Entry* e = Attached(nullptr)) {
        Detach(*e);
        e->recorder->Stop();
    }
}

void CRecordings::StopAll() {
    for (Entry& e : m_entries) {
        Detach(e);
        e.recorder->Stop();
    }
    m_entries.clear();  // each recorder waits for its writer
    m_watch->stop();
}

bool CRecordings::IsRecording(const ConnectInfo* rec) const {
    return rec && Attached(rec) != nullptr;
}

bool CRecordings::IsRecordingPage() const {
    return Attached(nullptr) != nullptr;
}

namespace {

bool StoppedByItself(LogRecorder::State state) {
    return state == LogRecorder::State::kQueueFull || state == LogRecorder::State::kWriteFailed;
}

}  // namespace

void CRecordings::Watch() {
    // The message box runs a loop of its own, where the timer fires again.
    if (m_telling)
        return;
    std::vector<std::pair<std::string, LogRecorder::Status>> news;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->attached && StoppedByItself(it->recorder->GetStatus().state)) {
            Detach(*it);
            it->recorder->Stop();
        }
        // Read after any detach: no chunk can join the count of unwritten bytes any more, and
        // once the writer has finished the counts are final.
        const LogRecorder::Status st = it->recorder->GetStatus();
        if (it->attached || !st.finished) {
            ++it;
            continue;
        }
        if (StoppedByItself(st.state))
            news.emplace_back(it->recorder->Path(), st);
        it = m_entries.erase(it);
    }
    if (m_entries.empty())
        m_watch->stop();
    m_telling = true;
    for (const auto& [path, st] : news)
        Tell(path, st);
    m_telling = false;
}

void CRecordings::Tell(const std::string& file, const LogRecorder::Status& st) {
    const QString why = st.state == LogRecorder::State::kQueueFull
                            ? tr("磁盘写入跟不上接收的速度")
                            : tr("写入文件失败：%1").arg(CauseText(st.error));
    const QString path = QString::fromStdString(file);
    ui::ShowMessage(m_page,
                    tr("记录到文件已停止（%1）。\n文件：%2\n已写入 %3 字节，未写入 %4 字节。")
                        .arg(why, path)
                        .arg(st.written)
                        .arg(st.unwritten),
                    tr("提示"));
}

}  // namespace quillet::pages
