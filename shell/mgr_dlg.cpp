#include "shell/mgr_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QShortcut>

#include "pages/prompts/set_dialog.h"
#include "pages/log/log_view.h"
#include "pages/settings/settings_dlg.h"
#include "pages/common/wire_encoding_setting.h"
#include "pages/workspaces.h"
#include "shell/about_dlg.h"
#include "shell/context_menu_key.h"
#include "shell/help_dlg.h"
#include "skin/office_xp_menu.h"
#include "skin/skin_btn.h"
#include "skin/skin_tab.h"
#include "skin/ui_kit.h"

namespace quillet::shell {
namespace {

constexpr int kClientWidth = 747;
constexpr int kClientHeight = 606;

CMgrDlg::MenuRunner& MenuRunnerSlot() {
    static CMgrDlg::MenuRunner runner;
    return runner;
}

int RunPopup(QMenu* popup, QPoint at) {
    if (MenuRunnerSlot())
        return MenuRunnerSlot()(popup, at);
    QAction* chosen = popup->exec(at);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

}  // namespace

CMgrDlg::CMgrDlg(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_pics(FramePictures::Load()),
      m_title(QStringLiteral("Quillet V1.1")),
      m_captionFont(ui::SansFont(15, 700)) {
    setObjectName("dialog157");
    setFont(ui::SongFont(9));
    resize(kClientWidth, kClientHeight);
    setMinimumSize(kMinWidth, kMinHeight);
    setWindowIcon(ui::Icon(293));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    CreateCaptionButtons();
    SetUpTabs();
    CentreOnScreen();
    setWindowTitle(QStringLiteral("Quillet"));
    CreateAndPlacePages();
    CreateGrips();
    CreateAccelerators();
}

CMgrDlg::~CMgrDlg() {
    EndDrag();
    delete m_workspace;  // it works on the pages
    m_workspace = nullptr;
    for (auto it = m_pages.rbegin(); it != m_pages.rend(); ++it) {
        delete *it;
        *it = nullptr;
    }
}

void CMgrDlg::SetMenuRunner(MenuRunner runner) {
    MenuRunnerSlot() = std::move(runner);
}

void CMgrDlg::CreateCaptionButtons() {
    const int cx = width();
    m_closeBtn = ui::CSkinBtn::Create(this, kCloseId, CloseButtonRect(cx), {210, 209, 211, 210});
    m_menuBtn = ui::CSkinBtn::Create(this, kMenuId, MenuButtonRect(cx), {288, 286, 287, 288});
    connect(m_closeBtn, &ui::CSkinBtn::clicked, this, &CMgrDlg::OnCommand);
    connect(m_menuBtn, &ui::CSkinBtn::clicked, this, &CMgrDlg::OnCommand);
}

void CMgrDlg::CreateAccelerators() {
    const std::pair<QKeySequence, int> keys[] = {{QKeySequence(Qt::ALT | Qt::Key_X), kExit},
                                                 {QKeySequence(Qt::ALT | Qt::Key_S), kSettings},
                                                 {QKeySequence(Qt::ALT | Qt::Key_H), kHelp},
                                                 {QKeySequence(Qt::ALT | Qt::Key_A), kAboutKey}};
    for (const auto& [sequence, command] : keys) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setObjectName(QStringLiteral("accelerator%1").arg(command));
        connect(shortcut, &QShortcut::activated, this, [this, cmd = command] { OnCommand(cmd); });
    }
    new ContextMenuKey(this);  // Shift+F10, like the Menu key
    // F1 is where desktop programs keep their help.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setObjectName(QStringLiteral("helpKey"));
    connect(help, &QShortcut::activated, this, [this] { OnCommand(kHelp); });
    // The options beyond the encoding (logs, sending, addresses) on the desktop's usual key.
    auto* options = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    options->setObjectName(QStringLiteral("optionsKey"));
    connect(options, &QShortcut::activated, this, [this] { pages::OpenSettings(this); });
}

void CMgrDlg::CentreOnScreen() {
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void CMgrDlg::OnCommand(int id) {
    m_altAlone = false;
    switch (id) {
        case kCloseId:
        case kExit:
            ShowAboutThenQuit();
            break;
        case kMenuId:
            PopUpMenu();
            break;
        case kSettings: {
            pages::CSet dlg(this);
            if (ui::ExecModal(&dlg) == QDialog::Accepted) {
                pages::StoreWireEncoding();
                pages::CLogView::RefreshAll();  // old lines read in the new encoding
            }
            break;
        }
        case kHelp: {
            CHelp dlg(this);
            ui::ExecModal(&dlg);
            break;
        }
        case kAbout:
        case kAboutKey: {  // the menu promises About on Alt+A
            CAbout dlg(this);
            ui::ExecModal(&dlg);
            break;
        }
        default:
            break;
    }
}

void CMgrDlg::ShowAboutThenQuit() {
    {
        CAbout dlg(this);
        ui::ExecModal(&dlg);
    }
    // Posted, so the quit arrives after whatever handler is running has returned.
    QMetaObject::invokeMethod(
        this, [this] { emit quitRequested(0); }, Qt::QueuedConnection);
}

void CMgrDlg::PopUpMenu() {
    ui::COfficeXPMenu menu(this);
    if (!menu.LoadMenu(kMenuResource))
        return;
    ui::COfficeXPMenu::SetDrawStyle(1, 1);
    ui::COfficeXPMenu* popup = menu.SubMenu(0);
    if (popup == nullptr)
        return;
    const QRect button(m_menuBtn->mapToGlobal(QPoint(0, 0)), m_menuBtn->size());
    const int command = RunPopup(popup, QPoint(button.left(), button.top() + 18));
    if (command != 0)
        OnCommand(command);
}

QPixmap CMgrDlg::ComposeSurface() const {
    std::vector<Overlay> overlays;
    // While the frame is repainted during a drag, the buttons' places are drawn too, so their
    // areas never show a stale frame.
    if (m_buttonHeld || (m_paintedSize.isValid() && m_paintedSize != size())) {
        for (const ui::CSkinBtn* b : {m_closeBtn, m_menuBtn}) {
            overlays.push_back({b->PositionInParent().topLeft(), b->NormalPicture()});
        }
    }
    return ComposeFrame(size(), m_pics, m_title, m_captionFont, overlays, devicePixelRatioF());
}

void CMgrDlg::paintEvent(QPaintEvent*) {
    const QPixmap surface = ComposeSurface();
    m_paintedSize = size();
    const QRegion shape = ShapeOf(surface);
    if (shape != mask())
        setMask(shape);
    QPainter(this).drawPixmap(0, 0, surface);
}

void CMgrDlg::resizeEvent(QResizeEvent* event) {
    // The caption buttons follow the right edge; the pages grow.
    if (m_closeBtn)
        m_closeBtn->setGeometry(CloseButtonRect(width()));
    if (m_menuBtn)
        m_menuBtn->setGeometry(MenuButtonRect(width()));
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i] == nullptr)
            continue;
        m_pages[i]->setGeometry(PageRect());
        m_growth[i].Apply();
    }
    PlaceGrips();
    QWidget::resizeEvent(event);
}

bool CMgrDlg::FocusInPage() const {
    const QWidget* focus = QApplication::focusWidget();
    for (const QWidget* page : m_pages)
        if (focus && page && (page == focus || page->isAncestorOf(focus)))
            return true;
    return false;
}

void CMgrDlg::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        event->accept();  // neither closes the main window
        return;
    }
    // Keys typed in a page stay with the page, Alt and its combinations included.
    if (FocusInPage()) {
        m_altAlone = false;
        QWidget::keyPressEvent(event);
        return;
    }
    m_altAlone = (key == Qt::Key_Alt);
    // Any other key with Alt held pops the menu up; the accelerators never get here, their
    // shortcuts take the key first.
    if (!m_altAlone && event->modifiers().testFlag(Qt::AltModifier)) {
        event->accept();
        PopUpMenu();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CMgrDlg::keyReleaseEvent(QKeyEvent* event) {
    // Alt pressed and released on its own opens the menu, as a menu bar's Alt would; waiting
    // for the release keeps Alt+X, Alt+S, Alt+H and Alt+A working.
    if (event->key() == Qt::Key_Alt && m_altAlone && !event->isAutoRepeat()) {
        m_altAlone = false;
        event->accept();
        PopUpMenu();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void CMgrDlg::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        m_altAlone = false;
        ShowCurrentPage();
    }
}

void CMgrDlg::closeEvent(QCloseEvent* event) {
    // A close from the desktop ends the program the same way as the close button.
    event->ignore();
    OnCommand(kCloseId);
}

}  // namespace quillet::shell
