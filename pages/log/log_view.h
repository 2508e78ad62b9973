#pragma once
// The received and sent views: a read-only view of a log that lays out only the lines in sight.
// It reads what it shows from its source each time it lays out (a record's log through the
// page's RecordStore, copied under g_csConnect a screenful at a time, or a plain text), so
// showing a log of any size costs what one screen costs, and a flood never makes it fall behind:
// it shows the newest chunks whenever it repaints.
//
// Scrolling: while at its end the view follows new data; scrolled up it stays where the user
// put it and shows a notice that new data arrived; back at the end it follows again. The scroll
// bar counts items (chunks), the wheel and arrow keys move by rows.
//
// Selection with the mouse, Ctrl+A and Ctrl+C as in a text view; a copy of more than 64 MiB asks
// first (ui::ExecModal). Ctrl+F opens a find bar that searches the whole log (F3 and Shift+F3
// find again). Ctrl+S saves the record's log (CSaveLogDlg). The context menu offers copy,
// select all, find, save and the "HEX + 文本" byte view.
//
// Threads: user-interface thread only.
#include <QAbstractScrollArea>
#include <QTextLayout>
#include <QRegularExpression>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "engine/chunk_log.h"
#include "pages/common/engine_names.h"
#include "pages/log/log_view_accessible.h"
#include "pages/log/log_view_source.h"

class QAction;

namespace quillet::engine {
class RecordStore;
struct ConnectInfo;
}  // namespace quillet::engine

namespace quillet::pages {

struct KeptTexts;

class CLogView : public QAbstractScrollArea, public ReadableLog {
    Q_OBJECT
public:
    // A copy larger than this asks first.
    static constexpr uint64_t kAskBeforeCopyBytes = uint64_t{64} << 20;

    explicit CLogView(QWidget* parent);
    ~CLogView() override;

    // Shows one of a record's logs, following its end. `store` outlives the view's use of it;
    // the page calls Forget before it frees the record.
    void ShowRecord(RecordStore* store, const ConnectInfo* rec, ChunkDir dir);
    // News of data for `rec`: shown at the next refresh (the view switches to rec's log if it
    // showed something else).
    void DataArrived(RecordStore* store, const ConnectInfo* rec, ChunkDir dir);
    // The record goes away: the view empties if it showed it, and a save of its log that is
    // still copying ends. Null: every record goes.
    void Forget(const ConnectInfo* rec);
    const ConnectInfo* ShownRecord() const { return m_rec; }

    // Plain text, as a text view shows it.
    void setPlainText(const QString& text);
    void clear() { setPlainText(QString()); }
    // Everything the view would show if it were tall enough: the whole log, rendered.
    QString toPlainText() override;
    // The text of the items laid out for the screen now.
    QString ShownText() override;

    bool IsFollowing() const { return m_follow; }
    // New data arrived while the view was scrolled up.
    bool HasUnseenData();
    void ScrollToEnd();
    void ScrollToStart();
    // Moves by `rows` rows (negative: up).
    void ScrollRows(int rows);
    // The first item in sight and the one after the last, as laid out (painted) last.
    uint64_t TopItem() const { return m_laidTop; }
    uint64_t ShownEnd() const { return m_laid.empty() ? m_knownEnd : m_laid.back()->item + 1; }

    void SelectAll();
    QString SelectedText();
    // Copies the selection to the clipboard (asking first when it is huge); false when
    // nothing was copied.
    bool CopySelection();

    QAction* HexTextAction() const { return m_hexText; }
    QAction* SaveAction() const { return m_save; }

    // Find: the bar, and a search of the whole log from the selection (or from what is in
    // sight) for the bar's pattern; the match is selected and brought into sight. The search
    // runs in slices between events (the bar says "正在查找…" meanwhile), so a huge log never
    // freezes the window: true when the match was found within the first slice, false when
    // there is none or the search goes on; SearchFinished tells the end either way.
    class CLogFindBar* FindBar() const {
        return m_findBar;
    }
    void OpenFindBar();
    bool Find(bool forward);
    bool IsSearching() const { return m_search != nullptr; }
    // Whether the last search that ended found a match.
    bool LastSearchFound() const { return m_lastSearchFound; }
    // Tests: how long a slice runs and how many items a step reads (0, 0: the defaults).
    static void SetSearchSliceForTest(int ms, uint64_t batchItems);

    // Asks what to save and where (CSaveLogDlg), then saves beside the window (LogSaver, with
    // progress and Cancel); any failure is told.
    void SaveLog();

    // Every view renders again (encoding, stamp style or byte view changed).
    static void RefreshAll();
    // Characters laid out by every view since the program started (tests: what a view lays
    // out stays bounded by what is in sight).
    static uint64_t LaidOutChars();

signals:
    void SearchFinished(bool found);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Pos {
        uint64_t item = 0;
        int offset = 0;
        bool operator<(const Pos& o) const {
            return item != o.item ? item < o.item : offset < o.offset;
        }
        bool operator==(const Pos& o) const { return item == o.item && offset == o.offset; }
    };
    // One piece of an item's text laid out for the width of the view (log_pieces.h).
    struct Piece {
        int start = 0;  // in the item's text
        int row = 0;    // first row within the Laid
        int rows = 1;
        std::unique_ptr<QTextLayout> layout;
        int End() const { return start + static_cast<int>(layout->text().size()); }
    };
    // The pieces of one item that are in sight, in order.
    struct Laid {
        uint64_t item = 0;
        QString text;  // the whole item (shared, not copied)
        std::vector<Piece> pieces;
        int rows = 0;  // of the pieces laid out
        int y = 0;     // top of the first piece in the viewport, as laid out last
    };

    void SetSource(std::unique_ptr<LogViewSource> source);
    void EnsureLaidOut() {
        if (m_dirty)
            LayOut();
    }
    void LayOut();
    bool LayOutFromTop();
    void LayOutFromEnd();
    // Lays out `items` from the newest piece back until the screen is full, into `laid`
    // (newest first); the rows' height in pixels.
    int LayOutBackwards(const LogViewSource::Items& items, std::vector<std::unique_ptr<Laid>>* laid,
                        bool* firstWhole);
    Piece LayOutPiece(const QString& text, int start) const;
    bool TextOf(uint64_t item, QString* text);
    int RowsOf(uint64_t item, int piece);
    int RowHeight() const;
    int RowsInSight() const;
    void SyncScrollBar(uint64_t first, uint64_t end, bool allFits);
    void CheckRenderKey();
    void ScheduleRefresh();
    Pos HitTest(const QPoint& point) const;
    void PaintItem(QPainter& painter, const Laid& laid) const;
    bool HasSelection() const { return m_hasSelection && !(m_anchor == m_cursor); }
    QString TextBetween(Pos a, Pos b);
    bool AskBeforeCopy(uint64_t bytes);
    void ToggleHexText(bool on);
    void PlaceFindBar();
    void RunSearch();
    void EndSearch(bool found);
    void CancelSearch();
    void Reveal(uint64_t item, int offset);
    void AddMatches(QList<QTextLayout::FormatRange>* ranges, const QString& line) const;

    std::unique_ptr<LogViewSource> m_source;
    const ConnectInfo* m_rec = nullptr;
    QString m_plain;  // the text when there is no record
    bool m_follow = true;
    // When not following: the first item in sight, the piece of it at the top and the first
    // row of that piece in sight.
    uint64_t m_topItem = 0;
    int m_topPiece = 0;
    int m_topRow = 0;
    uint64_t m_endWhenLeft = 0;  // the end of the log when the view stopped following
    uint64_t m_knownFirst = 0;   // the items as last seen
    uint64_t m_knownEnd = 0;
    bool m_dirty = true;  // the layout is out of date
    std::vector<std::unique_ptr<Laid>> m_laid;
    uint64_t m_laidTop = 0;
    int m_laidTopPiece = 0;
    int m_laidTopRow = 0;
    // Rows of pieces laid out before, for this width, by item and piece start.
    std::map<std::pair<uint64_t, int>, int> m_rowCache;
    QString m_renderKey;
    bool m_syncingBar = false;
    bool m_refreshScheduled = false;
    bool m_hasSelection = false;
    bool m_selecting = false;
    Pos m_anchor, m_cursor;
    int m_wheelRest = 0;
    QAction* m_copy = nullptr;
    QAction* m_selectAll = nullptr;
    QAction* m_hexText = nullptr;
    QAction* m_find = nullptr;
    QAction* m_save = nullptr;
    class CLogFindBar* m_findBar = nullptr;
    std::unique_ptr<class LogSearch> m_search;  // the search under way
    uint64_t m_searchGeneration = 0;            // tells a stale slice from the current search
    bool m_lastSearchFound = false;
    RecordStore* m_store = nullptr;  // of m_rec
    // The rendered long chunks of the record log shown last (log_sources.h), kept while the
    // view shows something else meanwhile (the sent view is emptied at each send).
    std::shared_ptr<KeptTexts> m_keptTexts;
    ChunkDir m_dir = ChunkDir::kReceived;
};

}  // namespace quillet::pages
