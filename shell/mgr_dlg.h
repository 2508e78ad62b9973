#pragma once
// The program's only top-level window: a frameless window that paints its own frame, moves when
// its surface is dragged, resizes from its edges and corners (never below its laid-out size;
// above it the pages grow with it), carries the close and
// menu buttons, the strip of seven picture tabs and the six protocol pages below it.
//
// Threads: user-interface thread only.
#include <QBasicTimer>
#include <QFont>
#include <QWidget>

#include <array>
#include <functional>

#include "shell/frame_painter.h"
#include "shell/page_factory.h"
#include "shell/resize_rules.h"
#include "skin/grow_layout.h"

class QMenu;

namespace quillet::ui {
class CSkinBtn;
class CSkinTab;
}  // namespace quillet::ui

namespace quillet::pages {
class CWorkspace;
}

namespace quillet::shell {

class CResizeGrip;

class CMgrDlg : public QWidget {
    Q_OBJECT
public:
    // Commands.
    static constexpr int kCloseId = 10200;
    static constexpr int kMenuId = 10400;
    static constexpr int kSettings = 32777;
    static constexpr int kHelp = 32778;
    static constexpr int kAbout = 32779;
    static constexpr int kExit = 32780;
    static constexpr int kAboutKey = 32782;  // Alt+A
    static constexpr int kMenuResource = 132;
    static constexpr int kTabCount = 7;

    explicit CMgrDlg(QWidget* parent = nullptr);
    // Deletes the pages, last first, so every socket is closed before the window goes.
    ~CMgrDlg() override;

    // Runs a command of the menu, the caption buttons or the accelerators.
    void OnCommand(int id);
    // The tab strip selected tab `index`: hide every page, show the chosen one.
    void OnPageSelect(int index);
    // Selects the tab `step` places on from the selected one, wrapping round; the page follows
    // through the strip's notification.
    void StepTab(int step);
    // Shows, focuses and repaints the current tab's page.
    void ShowCurrentPage();
    // Pops up the menu under the menu button and runs the chosen command.
    void PopUpMenu();
    // One tick of the running drag with the cursor at `cursor` (screen coordinates); the timer
    // calls it with QCursor::pos().
    void OnDragTick(QPoint cursor);

    int CurrentTab() const { return m_curTab; }
    QWidget* Page(int index) const { return m_pages[index]; }
    // The page a tab shows (both multicast tabs show the one multicast page), or null.
    QWidget* PageOfTab(int tab) const;
    ui::CSkinTab* TabStrip() const { return m_tab; }
    // Saving and opening workspaces over the six pages.
    pages::CWorkspace* Workspace() const { return m_workspace; }
    ui::CSkinBtn* CloseButton() const { return m_closeBtn; }
    ui::CSkinBtn* MenuButton() const { return m_menuBtn; }
    // The resize grips, in the order of GripsOf.
    const std::array<CResizeGrip*, kGripCount>& Grips() const { return m_grips; }
    // The zone whose drag timer runs, or 0.
    int DragZone() const { return m_dragTimer.isActive() ? m_dragZone : 0; }
    // The frame as the next paint draws it.
    QPixmap ComposeSurface() const;

    // Shows a pop-up at a screen point and returns the chosen command, 0 for none.
    using MenuRunner = std::function<int(QMenu* popup, QPoint at)>;
    // Test seam: replaces QMenu::exec; an empty runner restores it.
    static void SetMenuRunner(MenuRunner runner);

signals:
    // Posted after the About box that the close button and Exit show: the program should end.
    void quitRequested(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    // Ends a running drag on a left-button release anywhere in the program.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateCaptionButtons();
    void CreateAccelerators();
    void SetUpTabs();
    void CreateAndPlacePages();
    void CentreOnScreen();
    void ShowAboutThenQuit();
    void UpdateCursor();
    // Starts a drag in `zone` pressed at `pt` (window coordinates): the window system's own
    // move or resize where there is one, else the window follows the cursor itself.
    void StartDrag(int zone, QPoint pt);
    void EndDrag();
    // The resize grips over the pages along every edge and corner.
    void CreateGrips();
    void PlaceGrips();
    // Starts the window system's own move or resize for `zone`; false when it has none.
    bool HandToWindowSystem(int zone);
    // The pages' rectangle for the window's present size.
    QRect PageRect() const;
    // Whether the keyboard focus lies in a protocol page, which keeps its keys.
    bool FocusInPage() const;

    std::array<QWidget*, kPageCount> m_pages{};
    pages::CWorkspace* m_workspace = nullptr;         // a child, deleted before the pages
    std::array<ui::PageGrowth, kPageCount> m_growth;  // the pages' controls as laid out
    int m_curTab = 0;
    FramePictures m_pics;
    QString m_title;
    QFont m_captionFont;
    QSize m_paintedSize;  // the client size at the previous paint

    // Drag and resize.
    DragState m_drag;
    bool m_buttonHeld = false;
    int m_hoverZone = 0;
    int m_dragZone = 0;
    QBasicTimer m_dragTimer;
    bool m_altAlone = false;  // Alt is down and no other key was pressed with it

    ui::CSkinBtn* m_closeBtn = nullptr;
    ui::CSkinBtn* m_menuBtn = nullptr;
    ui::CSkinTab* m_tab = nullptr;
    std::array<CResizeGrip*, kGripCount> m_grips{};
};

}  // namespace quillet::shell
