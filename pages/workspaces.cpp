#include "pages/workspaces.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMenu>
#include <QPointer>
#include <QShortcut>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <utility>

#include "pages/common/app_settings.h"
#include "pages/base/dialog_p.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/send/saved_messages_dlg.h"
#include "pages/send/sequences.h"
#include "pages/send/sequences_dlg.h"
#include "pages/common/shared_menu_items.h"
#include "pages/tls/tls_choice_json.h"
#include "skin/ui_kit.h"

namespace quillet::pages {
namespace {

CWorkspace* g_current = nullptr;

const QString kLastKey = QStringLiteral("workspace/last");

constexpr const char* kPageTitles[kPageKinds] = {
    QT_TRANSLATE_NOOP("quillet::pages::CWorkspace", "TCP 服务器"),
    QT_TRANSLATE_NOOP("quillet::pages::CWorkspace", "TCP 客户端"),
    QT_TRANSLATE_NOOP("quillet::pages::CWorkspace", "UDP 服务器"),
    QT_TRANSLATE_NOOP("quillet::pages::CWorkspace", "UDP 客户端"),
    QT_TRANSLATE_NOOP("quillet::pages::CWorkspace", "UDP 广播"),
    QT_TRANSLATE_NOOP("quillet::pages::CWorkspace", "组播"),
};

QString PageTitle(PageKind kind) {
    return QCoreApplication::translate("quillet::pages::CWorkspace",
                                       kPageTitles[static_cast<int>(kind)]);
}

// How an endpoint is named in the summary: its page and what it was aimed at.
QString Describe(PageKind kind, const EndpointSpec& e) {
    switch (kind) {
        case PageKind::kTcpServer:
        case PageKind::kUdpServer:
            return QStringLiteral("%1 %2").arg(PageTitle(kind)).arg(e.port);
        case PageKind::kTcpClient:
            return QStringLiteral("%1 %2:%3").arg(PageTitle(kind), e.address).arg(e.port);
        case PageKind::kUdpClient:
        case PageKind::kBroadcast:
            return QStringLiteral("%1 %2 → %3:%4")
                .arg(PageTitle(kind))
                .arg(e.localPort)
                .arg(e.address)
                .arg(e.port);
        case PageKind::kMulticast:
            return QStringLiteral("%1 %2:%3").arg(PageTitle(kind), e.group).arg(e.port);
    }
    return {};
}

// The option keys a page's endpoint keeps as read (all but those the prompt sets).
QJsonObject KeptOptions(const EndpointSpec& spec) {
    QJsonObject kept = spec.options;
    for (const char* key : {"local", "socket", "tls"})
        kept.remove(QLatin1String(key));
    return kept;
}

// The TLS choice a TCP page's endpoint is made with: its own, off when it has none. Null on
// the other pages. The document was checked when it was read.
std::optional<TlsChoice> EndpointTls(PageKind kind, const EndpointSpec& spec) {
    if (kind != PageKind::kTcpServer && kind != PageKind::kTcpClient)
        return std::nullopt;
    const bool server = kind == PageKind::kTcpServer;
    if (spec.HasTls()) {
        const auto read = TlsChoiceFromJson(spec.Tls(), server);
        if (const auto* choice = std::get_if<TlsChoice>(&read))
            return *choice;
    }
    TlsChoice off;
    off.server = server;
    return off;
}

// A page's list; its window keeps every change in the settings at once.
Sequences PageSequences(CDialogP* page) {
    return LoadSequences(page->objectName());
}

// Adds `added` to the page's list; those whose name it has already are left out. False, with
// nothing added, when the list would grow beyond what it may hold.
bool AddSequences(CDialogP* page, const Sequences& added) {
    Sequences all = PageSequences(page);
    const size_t before = all.size();
    for (const Sequence& s : added)
        if (std::none_of(all.begin(), all.end(),
                         [&](const Sequence& o) { return o.name == s.name; }))
            all.push_back(s);
    if (all.size() > static_cast<size_t>(kMaxSequences))
        return false;
    if (all.size() != before)
        page->Sending()->SequencesDialog()->SetAll(std::move(all));
    return true;
}

}  // namespace

CWorkspace::CWorkspace(const Pages& pages, QWidget* window) : m_pages(pages), m_window(window) {
    setObjectName(QStringLiteral("workspace"));
    g_current = this;
    SetSharedMenuItems(&CWorkspace::AddActions);
    m_hooks.save = [](PageKind, CDialogP* page) {
        const Sequences list = PageSequences(page);
        return list.empty() ? QJsonValue(QJsonValue::Undefined) : SequencesToJson(list);
    };
    m_hooks.open = [](PageKind, CDialogP* page, const QJsonValue& value) {
        const auto read = SequencesFromJson(value);
        const auto* list = std::get_if<Sequences>(&read);
        return !list || AddSequences(page, *list);
    };
    const std::pair<QKeySequence, const char*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), "saveWorkspaceKey"},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), "openWorkspaceKey"}};
    for (const auto& [sequence, name] : keys) {
        auto* key = new QShortcut(sequence, window);
        key->setObjectName(QLatin1String(name));
        const bool save = sequence == keys[0].first;
        connect(key, &QShortcut::activated, this, [this, save] { save ? AskSave() : AskOpen(); });
    }
}

CWorkspace::~CWorkspace() {
    if (g_current == this) {
        g_current = nullptr;
        SetSharedMenuItems({});
    }
    delete m_prompt;
    if (m_io.joinable())
        m_io.join();
}

CWorkspace* CWorkspace::Current() {
    return g_current;
}

void CWorkspace::AddActions(QMenu* menu) {
    CWorkspace* workspace = g_current;
    if (!workspace)
        return;
    menu->addSeparator();
    QAction* save = menu->addAction(tr("保存工作区...\tCtrl+Shift+S"));
    save->setObjectName(QStringLiteral("actionSaveWorkspace"));
    QAction* open = menu->addAction(tr("打开工作区...\tCtrl+Shift+O"));
    open->setObjectName(QStringLiteral("actionOpenWorkspace"));
    save->setEnabled(!workspace->Busy());
    open->setEnabled(!workspace->Busy());
    QPointer<CWorkspace> alive(workspace);
    connect(save, &QAction::triggered, menu, [alive] {
        if (alive)
            alive->AskSave();
    });
    connect(open, &QAction::triggered, menu, [alive] {
        if (alive)
            alive->AskOpen();
    });
}

QString CWorkspace::LastFile() {
    return settings::Value(kLastKey).toString();
}

void CWorkspace::SetSequenceHooks(SequenceHooks hooks) {
    m_hooks = std::move(hooks);
}

void CWorkspace::AskSave() {
    if (m_busy)
        return;
    QFileDialog dlg(m_window, tr("保存工作区"), LastFile(), tr("工作区 (*.json);;所有文件 (*)"));
    dlg.setObjectName(QStringLiteral("saveWorkspaceFile"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("json"));
    if (ui::ExecModal(&dlg) == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
        SaveTo(dlg.selectedFiles().first());
}

void CWorkspace::AskOpen() {
    if (m_busy)
        return;
    QFileDialog dlg(m_window, tr("打开工作区"), LastFile(), tr("工作区 (*.json);;所有文件 (*)"));
    dlg.setObjectName(QStringLiteral("openWorkspaceFile"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (ui::ExecModal(&dlg) == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
        OpenFrom(dlg.selectedFiles().first());
}

WorkspaceDoc CWorkspace::Snapshot() {
    WorkspaceDoc doc;
    const SendOptions options = CurrentSendOptions();
    doc.sendOptions = options;
    for (int i = 0; i < kPageKinds; ++i) {
        CDialogP* page = m_pages[i];
        PageSpec spec;
        spec.kind = static_cast<PageKind>(i);
        spec.endpoints = page->WorkspaceEndpoints();
        spec.autoReply = page->Sending()->CurrentAutoReply();
        spec.saved = LoadSaved(page->objectName());
        if (m_hooks.save)
            spec.sequences = m_hooks.save(spec.kind, page);
        doc.pages.push_back(std::move(spec));
    }
    return doc;
}

void CWorkspace::StartIo(std::function<void()> work) {
    if (m_io.joinable())
        m_io.join();  // the last job has ended: its result is in
    m_busy = true;
    m_io = std::thread(std::move(work));
}

void CWorkspace::SaveTo(const QString& path) {
    if (m_busy)
        return;
    const QByteArray bytes = WorkspaceToBytes(Snapshot());
    StartIo([this, path, bytes] {
        const QString fault = WriteWorkspaceFile(path, bytes);
        QMetaObject::invokeMethod(
            this,
            [this, path, fault] {
                m_busy = false;
                if (fault.isEmpty())
                    settings::SetValue(kLastKey, path);
                else
                    Tell(tr("无法保存工作区 %1：%2").arg(path, fault));
                emit saved(fault);
            },
            Qt::QueuedConnection);
    });
}

void CWorkspace::OpenFrom(const QString& path) {
    if (m_busy)
        return;
    StartIo([this, path] {
        auto read = std::make_shared<std::variant<WorkspaceDoc, QString>>(ReadWorkspaceFile(path));
        QMetaObject::invokeMethod(
            this,
            [this, path, read] {
                m_busy = false;
                if (auto* fault = std::get_if<QString>(read.get())) {
                    Tell(tr("无法打开工作区 %1：%2").arg(path, *fault));
                    emit opened();
                    return;
                }
                Open(std::get<WorkspaceDoc>(*read), path);
            },
            Qt::QueuedConnection);
    });
}

void CWorkspace::Open(const WorkspaceDoc& doc, const QString& path) {
    if (m_busy)
        return;
    m_busy = true;
    m_path = path;
    m_failures.clear();
    m_steps.clear();
    m_next = 0;
    if (doc.sendOptions) {
        SendOptions options = CurrentSendOptions();
        options.lineEnding = doc.sendOptions->lineEnding;
        options.keepText = doc.sendOptions->keepText;
        StoreSendOptions(options);
    }
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        const PageSpec& page = doc.pages[i];
        const QString where = QStringLiteral("pages[%1]").arg(i);
        ApplyPage(page, where);
        for (size_t j = 0; j < page.endpoints.size(); ++j)
            m_steps.push_back(
                {where + QStringLiteral(".endpoints[%1]").arg(j), page.kind, page.endpoints[j]});
    }
    NextEndpoint();
}

void CWorkspace::ApplyPage(const PageSpec& page, const QString& where) {
    CDialogP* target = m_pages[static_cast<int>(page.kind)];
    m_notes.clear();
    target->TellTo([this](const QString& text) { Note(text); });
    if (page.autoReply && !target->Sending()->ApplyAutoReply(*page.autoReply))
        Fail(where + QStringLiteral(".autoReply"), m_notes);
    target->TellTo({});
    if (!page.saved.empty() && !target->Sending()->SavedMessagesDialog()->AddAll(page.saved))
        Fail(where + QStringLiteral(".savedMessages"),
             {tr("常用消息将多于 %1 条，未加入").arg(kMaxSavedMessages)});
    if (m_hooks.open && !page.sequences.isUndefined() &&
        !m_hooks.open(page.kind, target, page.sequences))
        Fail(where + QStringLiteral(".sequences"),
             {tr("序列将多于 %1 个，未加入").arg(kMaxSequences)});
}

void CWorkspace::NextEndpoint() {
    m_looping = true;
    while (m_next < m_steps.size() && !m_prompt) {
        const Step& step = m_steps[m_next];
        m_notes.clear();
        m_prompt = m_pages[static_cast<int>(step.kind)]->WorkspacePrompt(step.spec).release();
        if (!m_prompt) {
            ++m_next;
            continue;
        }
        // Decided runs at once, or after a lookup with this loop long gone.
        m_prompt->SubmitUnseen([this](const QString& text) { Note(text); },
                               [this](bool accepted) { Decided(accepted); });
    }
    m_looping = false;
    if (m_next >= m_steps.size() && !m_prompt)
        FinishOpen();
}

void CWorkspace::Decided(bool accepted) {
    const Step& step = m_steps[m_next];
    if (!accepted) {
        Fail(tr("%1（%2）").arg(step.where, Describe(step.kind, step.spec)), m_notes);
        NextStep();
        return;
    }
    CDialogP* page = m_pages[static_cast<int>(step.kind)];
    // What the prompt said of an endpoint it accepted was a warning; what the page says while
    // making it is a failure (a bind, a thread, a connect that failed at once, TLS files).
    m_notes.clear();
    page->TellTo([this](const QString& text) { Note(text); });
    // At once, or once the endpoint's TLS files are read; the prompt stays until then.
    page->CreateWhenReady(*m_prompt, KeptOptions(step.spec), EndpointTls(step.kind, step.spec),
                          [this, page](int made) {
                              page->TellTo({});
                              Made(made);
                          });
}

void CWorkspace::Made(int made) {
    const Step& step = m_steps[m_next];
    if (made < step.spec.count || !m_notes.isEmpty()) {
        if (made > 0 && made < step.spec.count)
            m_notes.prepend(tr("只创建了 %1 个（共 %2 个）").arg(made).arg(step.spec.count));
        Fail(tr("%1（%2）").arg(step.where, Describe(step.kind, step.spec)), m_notes);
    }
    NextStep();
}

void CWorkspace::NextStep() {
    // We may be inside the prompt's OK: it goes once that has returned.
    m_prompt->deleteLater();
    m_prompt = nullptr;
    ++m_next;
    if (!m_looping)
        NextEndpoint();
}

void CWorkspace::Fail(const QString& where, const QStringList& why) {
    QStringList lines;
    for (const QString& text : why)
        lines << text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(tr("，"));
    m_failures << tr("%1：%2").arg(where, lines.isEmpty() ? tr("未能创建") : lines.join(tr("；")));
}

void CWorkspace::FinishOpen() {
    m_busy = false;
    settings::SetValue(kLastKey, m_path);
    if (!m_failures.isEmpty()) {
        // One box that fits a screen, however many failed.
        constexpr qsizetype kShownLines = 30;
        QStringList shown = m_failures.mid(0, kShownLines);
        if (m_failures.size() > kShownLines)
            shown << tr("……另有 %1 项").arg(m_failures.size() - kShownLines);
        Tell(tr("已打开工作区 %1，以下 %2 项未能完成：\n%3")
                 .arg(m_path)
                 .arg(m_failures.size())
                 .arg(shown.join(QLatin1Char('\n'))));
    }
    m_steps.clear();
    emit opened();
}

void CWorkspace::Tell(const QString& text) {
    ui::ShowMessage(m_window, text, ui::AppTitle());
}

}  // namespace quillet::pages
