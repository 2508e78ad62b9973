#include "pages/send/saved_messages_dlg.h"

#include <algorithm>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

#include "encoding/wire_codec.h"
#include "pages/common/list_file.h"
#include "pages/common/list_file_dialog.h"
#include "pages/send/send_box.h"
#include "pages/send/text_sender.h"
#include "skin/ui_kit.h"

namespace quillet::pages {
namespace {

constexpr int kNameChars = 32;

QPushButton* AddButton(QBoxLayout* row, const char* name, const QString& text) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

QString FormName(SendForm form) {
    switch (form) {
        case SendForm::kHex:
            return CSavedMessagesDlg::tr("十六进制");
        case SendForm::kEscapes:
            return CSavedMessagesDlg::tr("转义");
        case SendForm::kText:
            break;
    }
    return CSavedMessagesDlg::tr("文本");
}

// The file's messages, or why not (read beside the window).
QString ReadFile(const QString& path, SavedMessages* out) {
    auto bytes = ReadListFile(path);
    if (auto* why = std::get_if<QString>(&bytes))
        return *why;
    auto read = SavedFromBytes(std::get<QByteArray>(bytes));
    if (auto* fault = std::get_if<SavedFault>(&read))
        return fault->what;
    *out = std::get<SavedMessages>(std::move(read));
    return {};
}

}  // namespace

CSavedMessagesDlg::CSavedMessagesDlg(TextSender* sending)
    : QDialog(sending->Page()),
      m_sending(sending),
      m_messages(LoadSaved(sending->Page()->objectName())) {
    setObjectName(QStringLiteral("savedMessagesDialog"));
    setWindowTitle(tr("常用消息"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("savedList"));
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_list->installEventFilter(this);
    layout->addWidget(m_list);
    auto* sends = new QHBoxLayout;
    auto* files = new QHBoxLayout;
    layout->addLayout(sends);
    layout->addLayout(files);
    connect(AddButton(sends, "savedSend", tr("发送")), &QPushButton::clicked, this,
            [this] { SendChosen(); });
    m_toAll = AddButton(sends, "savedSendToAll", tr("发送给所有连接"));
    m_toAll->setEnabled(sending->SendsToAll());
    connect(m_toAll, &QPushButton::clicked, this, [this] { SendChosenToAll(); });
    connect(AddButton(sends, "savedAdd", tr("添加发送框内容 (Ins)")), &QPushButton::clicked, this,
            [this] { AddFromBox(); });
    connect(AddButton(sends, "savedDelete", tr("删除 (Del)")), &QPushButton::clicked, this,
            [this] { RemoveChosen(); });
    m_import = AddButton(files, "savedImport", tr("导入..."));
    connect(m_import, &QPushButton::clicked, this, [this] { AskImport(); });
    m_export = AddButton(files, "savedExport", tr("导出..."));
    connect(m_export, &QPushButton::clicked, this, [this] { AskExport(); });
    connect(AddButton(files, "savedClose", tr("关闭")), &QPushButton::clicked, this,
            &QDialog::close);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { SendChosen(); });
    connect(m_list, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { Renamed(m_list->row(item)); });
    Rebuild(0);
    resize(420, 320);
}

CSavedMessagesDlg::~CSavedMessagesDlg() = default;

void CSavedMessagesDlg::Add(SavedMessage message) {
    m_messages.push_back(std::move(message));
    Store();
    Rebuild(static_cast<int>(m_messages.size()) - 1);
}

bool CSavedMessagesDlg::AddAll(const SavedMessages& messages) {
    SavedMessages fresh;
    for (const SavedMessage& m : messages)
        if (std::find(m_messages.begin(), m_messages.end(), m) == m_messages.end() &&
            std::find(fresh.begin(), fresh.end(), m) == fresh.end())
            fresh.push_back(m);
    if (m_messages.size() + fresh.size() > static_cast<size_t>(kMaxSavedMessages))
        return false;
    if (fresh.empty())
        return true;
    const int first = static_cast<int>(m_messages.size());
    m_messages.insert(m_messages.end(), fresh.begin(), fresh.end());
    Store();
    Rebuild(first);
    return true;
}

void CSavedMessagesDlg::AddFromBox() {
    QString text = static_cast<CSendBox*>(m_sending->Box())->Text();
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    if (text.isEmpty()) {
        ui::ShowMessage(this, tr("发送窗口没有内容。"), tr("提示"));
        return;
    }
    SavedMessage message;
    message.name = text.section(QLatin1Char('\n'), 0, 0).left(kNameChars);
    if (message.name.trimmed().isEmpty())
        message.name = tr("消息 %1").arg(m_messages.size() + 1);
    message.form = enc::WireEncoding() == enc::kHex ? SendForm::kHex : SendForm::kText;
    message.text = text;
    message.lineEnding = CurrentSendOptions().lineEnding;
    Add(std::move(message));
}

void CSavedMessagesDlg::SendChosen() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_messages.size()))
        return;
    const SavedMessage message = m_messages[static_cast<size_t>(row)];  // a send may show a box
    m_sending->SendTextToSelected(message.text.toStdU16String(), message.form, message.lineEnding);
}

void CSavedMessagesDlg::SendChosenToAll() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_messages.size()) || !m_sending->SendsToAll())
        return;
    const SavedMessage message = m_messages[static_cast<size_t>(row)];
    m_sending->SendTextToAll(message.text.toStdU16String(), message.form, message.lineEnding);
}

void CSavedMessagesDlg::RemoveChosen() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_messages.size()))
        return;
    m_messages.erase(m_messages.begin() + row);
    Store();
    Rebuild(row);
}

void CSavedMessagesDlg::Renamed(int row) {
    if (row < 0 || row >= static_cast<int>(m_messages.size()))
        return;
    const QString name = m_list->item(row)->text();
    if (!name.isEmpty() && name != m_messages[static_cast<size_t>(row)].name) {
        m_messages[static_cast<size_t>(row)].name = name;
        Store();
    }
    if (name.isEmpty())
        Rebuild(row);  // no nameless message
}

void CSavedMessagesDlg::AskImport() {
    if (const QString path =
            AskListFile(this, tr("导入常用消息"), QStringLiteral("savedImportFile"), false);
        !path.isEmpty())
        ImportFrom(path);
}

void CSavedMessagesDlg::AskExport() {
    if (const QString path =
            AskListFile(this, tr("导出常用消息"), QStringLiteral("savedExportFile"), true);
        !path.isEmpty())
        ExportTo(path);
}

void CSavedMessagesDlg::ImportFrom(const QString& path) {
    auto read = std::make_shared<SavedMessages>();
    StartIo([path, read] { return ReadFile(path, read.get()); },
            [this, path, read] {
                if (m_messages.size() + read->size() > static_cast<size_t>(kMaxSavedMessages)) {
                    ui::ShowMessage(
                        this, tr("无法导入 %1：消息多于 %2 条。").arg(path).arg(kMaxSavedMessages),
                        tr("提示"));
                    return;
                }
                const int first = static_cast<int>(m_messages.size());
                m_messages.insert(m_messages.end(), read->begin(), read->end());
                Store();
                Rebuild(first);
                ui::ShowMessage(this, tr("已导入 %1 条消息。").arg(read->size()), tr("提示"));
            },
            tr("无法导入 %1：%2"), path);
}

void CSavedMessagesDlg::ExportTo(const QString& path) {
    const QByteArray bytes = SavedToBytes(m_messages);
    const size_t count = m_messages.size();
    StartIo([path, bytes] { return WriteListFile(path, bytes); },
            [this, path, count] {
                ui::ShowMessage(this, tr("已导出 %1 条消息到 %2。").arg(count).arg(path),
                                tr("提示"));
            },
            tr("无法导出 %1：%2"), path);
}

void CSavedMessagesDlg::StartIo(std::function<QString()> work, std::function<void()> done,
                                const QString& failureText, const QString& path) {
    m_jobs->Start(std::move(work), std::move(done), failureText, path, {m_import, m_export});
}

bool CSavedMessagesDlg::eventFilter(QObject* watched, QEvent* event) {
    // While a name is edited its keys go to the editor, not the list.
    if (watched != m_list || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            SendChosen();
            return true;
        case Qt::Key_Insert:
            AddFromBox();
            return true;
        case Qt::Key_Delete:
            RemoveChosen();
            return true;
        default:
            return QDialog::eventFilter(watched, event);
    }
}

void CSavedMessagesDlg::Rebuild(int current) {
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (const SavedMessage& m : m_messages) {
        auto* item = new QListWidgetItem(m.name, m_list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setToolTip(QStringLiteral("[%1] %2").arg(FormName(m.form), m.text.left(200)));
    }
    if (!m_messages.empty())
        m_list->setCurrentRow(std::min(current, static_cast<int>(m_messages.size()) - 1));
}

void CSavedMessagesDlg::Store() {
    StoreSaved(m_sending->Page()->objectName(), m_messages);
}

}  // namespace quillet::pages
