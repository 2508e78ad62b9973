// Hosting the protocol pages under the strip of seven picture tabs.
#include <QCoreApplication>
#include <QShortcut>

#include "pages/base/dialog_p.h"
#include "pages/workspaces.h"
#include "shell/mgr_dlg.h"
#include "skin/skin_tab.h"

namespace quillet::shell {
namespace {

struct TabPictures {
    int normal, hover, selected;
};
// Tab order: TCP server, TCP client, UDP server, UDP client, broadcast, multicast create and
// multicast join.
constexpr TabPictures kTabPictures[CMgrDlg::kTabCount] = {
    {306, 305, 307}, {302, 304, 303}, {296, 297, 298}, {301, 300, 299},
    {314, 315, 1},   {311, 319, 313}, {308, 309, 310}};
constexpr int kTabWidth = 70;

// What each tab's pictures say: the protocol and, in words, the role.
constexpr const char* kTabNames[CMgrDlg::kTabCount] = {
    QT_TRANSLATE_NOOP("quillet::shell::CMgrDlg", "TCP 服务器"),
    QT_TRANSLATE_NOOP("quillet::shell::CMgrDlg", "TCP 客户端"),
    QT_TRANSLATE_NOOP("quillet::shell::CMgrDlg", "UDP 服务器"),
    QT_TRANSLATE_NOOP("quillet::shell::CMgrDlg", "UDP 客户端"),
    QT_TRANSLATE_NOOP("quillet::shell::CMgrDlg", "UDP 广播"),
    QT_TRANSLATE_NOOP("quillet::shell::CMgrDlg", "组播 创建组"),
    QT_TRANSLATE_NOOP("quillet::shell::CMgrDlg", "组播 加入组")};

QString TabText(const char* text) {
    return QCoreApplication::translate("quillet::shell::CMgrDlg", text);
}

}  // namespace

void CMgrDlg::SetUpTabs() {
    m_tab = new ui::CSkinTab(this, ui::CSkinTab::kStripId);
    m_tab->setGeometry(6, 18, kTabCount * kTabWidth + 7, 57);
    m_tab->SetItemCount(kTabCount);
    for (int i = 0; i < kTabCount; ++i) {
        m_tab->SetItemRect(i, 6 + kTabWidth * i, 12, 76 + kTabWidth * i, 57);
        const TabPictures& pics = kTabPictures[i];
        m_tab->SetItemBitmaps(i, pics.normal, pics.hover, pics.selected);
        const QString name = TabText(kTabNames[i]);
        m_tab->SetItemText(i, name,
                           QCoreApplication::translate("quillet::shell::CMgrDlg",
                                                       "%1（Ctrl+PageUp / Ctrl+PageDown 切换页面）")
                               .arg(name));
    }
    m_tab->setAccessibleName(QCoreApplication::translate("quillet::shell::CMgrDlg", "协议页"));
    connect(m_tab, &ui::CSkinTab::pageSelected, this, &CMgrDlg::OnPageSelect);
    // Ctrl+PageUp and Ctrl+PageDown step through the tabs, wrapping round at either end, as
    // tabbed windows on the desktop do.
    const std::pair<QKeySequence, int> steps[] = {{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
                                                  {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1}};
    for (const auto& [sequence, step] : steps) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setObjectName(step < 0 ? QStringLiteral("previousTab")
                                         : QStringLiteral("nextTab"));
        connect(shortcut, &QShortcut::activated, this, [this, by = step] { StepTab(by); });
    }
}

void CMgrDlg::StepTab(int step) {
    const int from = m_tab->selectedIndex() < 0 ? 0 : m_tab->selectedIndex();
    m_tab->SelectItem(((from + step) % kTabCount + kTabCount) % kTabCount);
}

void CMgrDlg::CreateAndPlacePages() {
    // Laid out at the window's own size; later sizes grow from these rectangles.
    m_pages = CreatePages(this);
    for (size_t i = 0; i < m_pages.size(); ++i) {
        m_pages[i]->setGeometry(PageRect());
        m_growth[i].Capture(m_pages[i]);
    }
    m_pages[kTcpServer]->show();
    pages::CWorkspace::Pages list;
    for (size_t i = 0; i < m_pages.size(); ++i)
        list[i] = static_cast<pages::CDialogP*>(m_pages[i]);
    m_workspace = new pages::CWorkspace(list, this);
}

QRect CMgrDlg::PageRect() const {
    return rect().adjusted(2, 75, -2, -2);
}

QWidget* CMgrDlg::PageOfTab(int tab) const {
    if (tab < 0 || tab >= kTabCount)
        return nullptr;
    return m_pages[tab < kMulticast ? tab : kMulticast];
}

void CMgrDlg::OnPageSelect(int index) {
    for (QWidget* page : m_pages)
        page->hide();
    if (index >= 0 && index < kTabCount)
        m_curTab = index;
    ShowCurrentPage();
}

void CMgrDlg::ShowCurrentPage() {
    QWidget* page = PageOfTab(m_curTab);
    if (page == nullptr)
        return;
    page->show();
    // Like a dialog taking the focus: a control of the page that had it keeps it.
    QWidget* focus = focusWidget();
    if (focus == nullptr || !page->isAncestorOf(focus))
        page->setFocus();
    page->update();
}

}  // namespace quillet::shell
