#include "pages/log/log_view.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <climits>
#include <set>

#include "encoding/wire_codec.h"
#include "engine/log_line.h"
#include "engine/thread_check.h"
#include "pages/common/app_settings.h"
#include "pages/common/control_pictures.h"
#include "pages/common/engine_names.h"
#include "pages/log/log_find_bar.h"
#include "pages/log/log_pieces.h"
#include "pages/log/log_search.h"
#include "pages/log/log_view_accessible.h"
#include "pages/common/shared_menu_items.h"
#include "pages/log/log_save.h"
#include "pages/log/log_sources.h"
#include "pages/log/save_log_dlg.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

// News of data reaches the screen at most this often, whatever the rate of chunks.
constexpr int kRefreshMs = 15;
constexpr int kMargin = 4;
constexpr int kWheelRows = 3;
constexpr int kWheelNotch = 120;
// A copy reads the log this many items at a time, each under the lock for that batch only.
constexpr uint64_t kCopyBatch = 2048;
// Rows remembered of items laid out before, at most.
constexpr size_t kRowCacheLimit = 100000;

std::atomic<uint64_t> g_laidOutChars{0};

std::set<CLogView*>& Views() {
    static std::set<CLogView*> views;
    return views;
}

}  // namespace

CLogView::CLogView(QWidget* parent) : QAbstractScrollArea(parent) {
    InstallLogViewAccessibility();  // a read-only text to screen readers
    Views().insert(this);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    m_copy = new QAction(tr("复制"), this);
    m_copy->setObjectName(QStringLiteral("logCopy"));
    connect(m_copy, &QAction::triggered, this, [this] { CopySelection(); });
    m_selectAll = new QAction(tr("全选"), this);
    m_selectAll->setObjectName(QStringLiteral("logSelectAll"));
    connect(m_selectAll, &QAction::triggered, this, [this] { SelectAll(); });
    m_hexText = new QAction(tr("HEX + 文本"), this);
    m_hexText->setObjectName(QStringLiteral("logHexText"));
    m_hexText->setCheckable(true);
    m_hexText->setChecked(HexTextView());
    connect(m_hexText, &QAction::triggered, this, [this](bool on) { ToggleHexText(on); });
    m_find = new QAction(tr("查找..."), this);
    m_find->setObjectName(QStringLiteral("logFind"));
    connect(m_find, &QAction::triggered, this, [this] { OpenFindBar(); });
    m_save = new QAction(tr("保存..."), this);
    m_save->setObjectName(QStringLiteral("logSave"));
    connect(m_save, &QAction::triggered, this, [this] { SaveLog(); });
    m_findBar = new CLogFindBar(this);
    m_findBar->hide();
    connect(m_findBar, &CLogFindBar::FindRequested, this, [this](bool forward) { Find(forward); });
    connect(m_findBar, &CLogFindBar::PatternChanged, this, [this] {
        CancelSearch();  // it looks for what the bar no longer says
        viewport()->update();
    });
    connect(m_findBar, &CLogFindBar::Closed, this, [this] {
        CancelSearch();
        setViewportMargins(0, 0, 0, 0);
        setFocus();
    });
    SetSource(std::make_unique<PlainTextSource>(QString()));
}

CLogView::~CLogView() {
    Views().erase(this);
}

void CLogView::RefreshAll() {
    QUILLET_ASSERT_UI_THREAD();
    QUILLET_ASSERT_UNLOCKED();
    for (CLogView* view : Views()) {
        view->m_hexText->setChecked(HexTextView());
        view->m_dirty = true;
        view->viewport()->update();
    }
}

uint64_t CLogView::LaidOutChars() {
    return g_laidOutChars;
}

void CLogView::SetSource(std::unique_ptr<LogViewSource> source) {
    CancelSearch();  // it reads the old source
    m_source = std::move(source);
    m_follow = true;
    m_hasSelection = m_selecting = false;
    m_topItem = 0;
    m_topPiece = 0;
    m_topRow = 0;
    m_rowCache.clear();
    m_endWhenLeft = 0;
    LayOut();
    viewport()->update();
}

void CLogView::ShowRecord(RecordStore* store, const ConnectInfo* rec, ChunkDir dir) {
    QUILLET_ASSERT_UI_THREAD();
    QUILLET_ASSERT_UNLOCKED();
    m_rec = rec;
    m_store = store;
    m_dir = dir;
    m_plain.clear();
    if (!m_keptTexts || m_keptTexts->rec != rec || m_keptTexts->dir != dir) {
        m_keptTexts = std::make_shared<KeptTexts>();
        m_keptTexts->rec = rec;
        m_keptTexts->dir = dir;
        // A long chunk rendered aside is ready: lay out again with its whole text.
        m_keptTexts->rendered = [view = QPointer<CLogView>(this)] {
            if (view) {
                view->m_rowCache.clear();
                view->m_dirty = true;
                view->viewport()->update();
            }
        };
    }
    SetSource(std::make_unique<RecordLogSource>(store, rec, dir, m_keptTexts));
}

void CLogView::DataArrived(RecordStore* store, const ConnectInfo* rec, ChunkDir dir) {
    if (m_rec != rec)
        ShowRecord(store, rec, dir);
    else
        ScheduleRefresh();
}

void CLogView::Forget(const ConnectInfo* rec) {
    if (rec)
        LogSaver::ForgetRecord(this, rec);
    else
        LogSaver::ForgetAll(this);
    if (m_keptTexts && (!rec || m_keptTexts->rec == rec))
        m_keptTexts.reset();  // another record may come to live at its address
    if (rec && m_rec == rec)
        clear();
}

void CLogView::setPlainText(const QString& text) {
    m_rec = nullptr;
    m_plain = text;
    SetSource(std::make_unique<PlainTextSource>(text));
}

namespace {

// While one lives, the source gives whole texts (a search or copy reads them).
class WholeTexts {
public:
    explicit WholeTexts(LogViewSource& source) : m_source(source) { m_source.RenderWhole(true); }
    ~WholeTexts() { m_source.RenderWhole(false); }
    WholeTexts(const WholeTexts&) = delete;
    WholeTexts& operator=(const WholeTexts&) = delete;

private:
    LogViewSource& m_source;
};

}  // namespace

QString CLogView::toPlainText() {
    if (!m_rec)
        return m_plain;
    WholeTexts whole(*m_source);
    QString out;
    const LogViewSource::Items range = m_source->Fetch(0, 0);
    for (uint64_t item = range.first; item < range.end;) {
        const LogViewSource::Items items = m_source->Fetch(item, item + kCopyBatch);
        if (items.texts.empty())
            break;
        for (const QString& text : items.texts)
            out.append(text).append(QLatin1Char('\n'));
        item = items.from + items.texts.size();
    }
    return out;
}

QString CLogView::ShownText() {
    EnsureLaidOut();
    QStringList texts;
    for (const auto& laid : m_laid)
        texts << laid->text;
    return texts.join(QLatin1Char('\n'));
}

void CLogView::ScheduleRefresh() {
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QTimer::singleShot(kRefreshMs, this, [this] {
        m_refreshScheduled = false;
        m_dirty = true;
        viewport()->update();
    });
}

int CLogView::RowHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int CLogView::RowsInSight() const {
    const int rh = RowHeight();
    return std::max(1, (viewport()->height() + rh - 1) / rh);
}

void CLogView::CheckRenderKey() {
    const QString key = RenderKey();
    if (key != m_renderKey) {
        m_renderKey = key;
        m_rowCache.clear();
    }
}

CLogView::Piece CLogView::LayOutPiece(const QString& text, int start) const {
    const int end = PieceEnd(text, start);
    g_laidOutChars += static_cast<uint64_t>(end - start);
    Piece piece;
    piece.start = start;
    piece.layout = std::make_unique<QTextLayout>(text.mid(start, end - start), font());
    const int rh = RowHeight();
    const qreal width = std::max(40, viewport()->width() - 2 * kMargin);
    // Rows that wrap are indented like the further lines of a chunk: no row but the first of
    // a chunk starts at the left edge, so none can pass for a stamped line.
    const qreal indent =
        fontMetrics().horizontalAdvance(QLatin1Char(' ')) * static_cast<int>(kContinuationIndent);
    const bool continues = ContinuesLine(text, start);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    piece.layout->setTextOption(option);
    piece.layout->setCacheEnabled(true);
    piece.layout->beginLayout();
    int rows = 0;
    for (QTextLine line = piece.layout->createLine(); line.isValid();
         line = piece.layout->createLine()) {
        const qreal x = rows == 0 && !continues ? 0 : indent;
        line.setLineWidth(std::max<qreal>(20, width - x));
        line.setPosition(QPointF(x, rows * rh));
        ++rows;
    }
    piece.layout->endLayout();
    piece.rows = std::max(rows, 1);
    return piece;
}

bool CLogView::TextOf(uint64_t item, QString* text) {
    const LogViewSource::Items items = m_source->Fetch(item, item + 1);
    if (items.texts.empty() || items.from != item)
        return false;
    *text = items.texts.front();
    return true;
}

int CLogView::RowsOf(uint64_t item, int piece) {
    if (auto it = m_rowCache.find({item, piece}); it != m_rowCache.end())
        return it->second;
    const LogViewSource::Items items = m_source->Fetch(item, item + 1);
    if (items.texts.empty() || items.from != item)
        return 0;
    const int rows = LayOutPiece(items.texts.front(), piece).rows;
    if (m_rowCache.size() >= kRowCacheLimit)
        m_rowCache.clear();
    // The last item may still change (a character it ends with may be completed later).
    if (item + 1 < items.end)
        m_rowCache[{item, piece}] = rows;
    return rows;
}

void CLogView::LayOut() {
    m_dirty = false;
    CheckRenderKey();
    m_laid.clear();
    if (m_follow || !LayOutFromTop())
        LayOutFromEnd();
    const int rh = RowHeight();
    if (m_laid.empty()) {
        m_laidTop = m_knownFirst;
        m_laidTopPiece = 0;
        m_laidTopRow = 0;
    } else {
        const Laid& top = *m_laid.front();
        m_laidTop = top.item;
        // The first piece that reaches into sight, and its first row in sight.
        size_t i = 0;
        while (i + 1 < top.pieces.size() && top.y + top.pieces[i + 1].row * rh <= 0)
            ++i;
        m_laidTopPiece = top.pieces[i].start;
        m_laidTopRow = std::max(0, -(top.y + top.pieces[i].row * rh) / rh);
    }
}

bool CLogView::LayOutFromTop() {
    const int h = viewport()->height();
    const int rh = RowHeight();
    LogViewSource::Items items =
        m_source->Fetch(m_topItem, m_topItem + static_cast<uint64_t>(RowsInSight()) + 1);
    m_knownFirst = items.first;
    m_knownEnd = items.end;
    if (items.texts.empty())
        return false;
    if (items.from != m_topItem) {  // the limits dropped it meanwhile
        m_topItem = items.from;
        m_topPiece = 0;
        m_topRow = 0;
    }
    int y = 0;
    bool lastWhole = false;  // the last item laid out was laid out to its end
    for (size_t i = 0; i < items.texts.size() && y < h; ++i) {
        const QString& text = items.texts[i];
        auto laid = std::make_unique<Laid>();
        laid->item = items.from + i;
        laid->text = text;
        int start = i == 0 ? PieceAt(text, std::clamp<int>(m_topPiece, 0, text.size())) : 0;
        if (i == 0)
            m_topPiece = start;
        for (; start >= 0 && y < h; start = NextPiece(text, start)) {
            Piece piece = LayOutPiece(text, start);
            if (i == 0 && laid->pieces.empty()) {
                m_topRow = std::clamp(m_topRow, 0, piece.rows - 1);
                y = -m_topRow * rh;
            }
            if (laid->pieces.empty())
                laid->y = y;
            piece.row = laid->rows;
            laid->rows += piece.rows;
            y += piece.rows * rh;
            laid->pieces.push_back(std::move(piece));
        }
        lastWhole = start < 0;
        if (!laid->pieces.empty())
            m_laid.push_back(std::move(laid));
    }
    if (m_laid.empty())
        return false;
    const bool reachedEnd = m_laid.back()->item + 1 >= items.end && lastWhole;
    if (reachedEnd && y <= h) {
        // Scrolled down to the end: follow it again.
        m_follow = true;
        m_laid.clear();
        return false;
    }
    SyncScrollBar(items.first, items.end, false);
    return true;
}

void CLogView::LayOutFromEnd() {
    m_follow = true;
    const int h = viewport()->height();
    const int rh = RowHeight();
    // The newest item first: a long one fills the screen alone, and the items before it are
    // then neither copied nor rendered.
    LogViewSource::Items items = m_source->FetchLast(1);
    std::vector<std::unique_ptr<Laid>> laid;
    bool firstWhole = true;  // the first item laid out was laid out from its start
    int total = LayOutBackwards(items, &laid, &firstWhole);
    if (total < h && !items.texts.empty() && items.from > items.first) {
        items = m_source->FetchLast(static_cast<uint64_t>(RowsInSight()) + 1);
        laid.clear();
        total = LayOutBackwards(items, &laid, &firstWhole);
    }
    m_knownFirst = items.first;
    m_knownEnd = items.end;
    std::reverse(laid.begin(), laid.end());
    const bool allFits =
        total <= h && (laid.empty() || (laid.front()->item == items.first && firstWhole));
    int y = allFits ? 0 : h - total;
    for (auto& item : laid) {
        item->y = y;
        y += item->rows * rh;
    }
    m_laid = std::move(laid);
    SyncScrollBar(items.first, items.end, allFits);
}

int CLogView::LayOutBackwards(const LogViewSource::Items& items,
                              std::vector<std::unique_ptr<Laid>>* laid, bool* firstWhole) {
    // From the newest piece back until the screen is full; `laid` ends up newest first.
    const int h = viewport()->height();
    const int rh = RowHeight();
    int total = 0;
    for (size_t i = items.texts.size(); i-- > 0 && total < h;) {
        const QString& text = items.texts[i];
        auto one = std::make_unique<Laid>();
        one->item = items.from + i;
        one->text = text;
        int start = LastPiece(text);
        for (; start >= 0 && total < h; start = PrevPiece(text, start)) {
            one->pieces.push_back(LayOutPiece(text, start));
            total += one->pieces.back().rows * rh;
        }
        *firstWhole = start < 0;
        std::reverse(one->pieces.begin(), one->pieces.end());
        for (Piece& piece : one->pieces) {
            piece.row = one->rows;
            one->rows += piece.rows;
        }
        laid->push_back(std::move(one));
    }
    return total;
}

void CLogView::SyncScrollBar(uint64_t first, uint64_t end, bool allFits) {
    m_syncingBar = true;
    QScrollBar* bar = verticalScrollBar();
    const uint64_t count = end - first;
    const int max =
        allFits || count == 0 ? 0 : static_cast<int>(std::min<uint64_t>(count - 1, INT_MAX));
    bar->setRange(0, max);
    bar->setSingleStep(1);
    bar->setPageStep(std::max(1, static_cast<int>(m_laid.size())));
    const uint64_t top = m_laid.empty() ? first : m_laid.front()->item;
    bar->setValue(m_follow ? max : static_cast<int>(std::min<uint64_t>(top - first, max)));
    m_syncingBar = false;
}

void CLogView::scrollContentsBy(int, int) {
    if (m_syncingBar)
        return;
    QScrollBar* bar = verticalScrollBar();
    if (bar->value() >= bar->maximum()) {
        m_follow = true;
    } else {
        if (m_follow)
            m_endWhenLeft = m_knownEnd;
        m_follow = false;
        m_topItem = m_knownFirst + static_cast<uint64_t>(bar->value());
        m_topPiece = 0;
        m_topRow = 0;
    }
    m_dirty = true;
    viewport()->update();
}

void CLogView::ScrollRows(int rows) {
    if (rows == 0)
        return;
    EnsureLaidOut();
    if (m_follow) {
        if (rows > 0)
            return;  // at the end already
        m_follow = false;
        m_endWhenLeft = m_knownEnd;
        m_topItem = m_laidTop;
        m_topPiece = m_laidTopPiece;
        m_topRow = m_laidTopRow;
    }
    // Piece by piece: only the pieces passed over are laid out.
    m_topRow += rows;
    QString text;
    if (rows < 0) {
        while (m_topRow < 0) {
            const int prev = TextOf(m_topItem, &text) ? PrevPiece(text, m_topPiece) : -1;
            if (prev >= 0) {
                m_topPiece = prev;
            } else if (m_topItem > m_knownFirst && TextOf(m_topItem - 1, &text)) {
                --m_topItem;
                m_topPiece = LastPiece(text);
            } else {
                m_topRow = 0;
                break;
            }
            m_topRow += std::max(1, RowsOf(m_topItem, m_topPiece));
        }
    } else {
        for (;;) {
            const int r = RowsOf(m_topItem, m_topPiece);
            if (r <= 0 || m_topRow < r)
                break;
            const int next = TextOf(m_topItem, &text) ? NextPiece(text, m_topPiece) : -1;
            if (next >= 0) {
                m_topPiece = next;
            } else if (m_topItem + 1 < m_knownEnd) {
                ++m_topItem;
                m_topPiece = 0;
            } else {
                break;
            }
            m_topRow -= r;
        }
    }
    LayOut();
    viewport()->update();
}

void CLogView::ScrollToEnd() {
    m_follow = true;
    LayOut();
    viewport()->update();
}

void CLogView::ScrollToStart() {
    EnsureLaidOut();
    if (m_follow)
        m_endWhenLeft = m_knownEnd;
    m_follow = false;
    m_topItem = m_knownFirst;
    m_topPiece = 0;
    m_topRow = 0;
    LayOut();
    viewport()->update();
}

bool CLogView::HasUnseenData() {
    if (m_follow)
        return false;
    return m_source->Fetch(0, 0).end > m_endWhenLeft;
}

void CLogView::resizeEvent(QResizeEvent* event) {
    m_rowCache.clear();
    m_dirty = true;
    QAbstractScrollArea::resizeEvent(event);
    PlaceFindBar();
}

void CLogView::PlaceFindBar() {
    if (!m_findBar->isVisible())
        return;
    const int h = m_findBar->sizeHint().height();
    setViewportMargins(0, 0, 0, h);
    const QRect area = viewport()->geometry();
    m_findBar->setGeometry(area.left(), area.bottom() + 1, area.width(), h);
}

void CLogView::OpenFindBar() {
    m_findBar->Open();
    PlaceFindBar();
}

namespace {

// A slice of a search: long enough to finish a screenful of log at once, short enough that
// the window stays responsive between slices.
constexpr int kSearchSliceMs = 30;
int g_searchSliceMs = kSearchSliceMs;
uint64_t g_searchBatch = kCopyBatch;

}  // namespace

void CLogView::SetSearchSliceForTest(int ms, uint64_t batchItems) {
    g_searchSliceMs = ms > 0 || batchItems > 0 ? ms : kSearchSliceMs;
    g_searchBatch = batchItems > 0 ? batchItems : kCopyBatch;
}

bool CLogView::Find(bool forward) {
    CancelSearch();
    const QRegularExpression pattern = m_findBar->Pattern();
    if (pattern.pattern().isEmpty() || !pattern.isValid()) {
        m_findBar->SetStatus(QString());
        return false;
    }
    EnsureLaidOut();
    const LogViewSource::Items range = m_source->Fetch(0, 0);
    if (range.end <= range.first) {
        m_findBar->SetStatus(tr("未找到"));
        m_lastSearchFound = false;
        return false;
    }
    Pos start;
    if (HasSelection())
        start = forward ? std::max(m_anchor, m_cursor) : std::min(m_anchor, m_cursor);
    else
        start = forward || m_laid.empty()
                    ? Pos{m_laidTop, forward ? m_laidTopPiece : INT_MAX}
                    : Pos{m_laid.back()->item, m_laid.back()->pieces.back().End()};
    start.item = std::clamp(start.item, range.first, range.end - 1);
    m_search = std::make_unique<LogSearch>(pattern, forward, start.item, start.offset, range.first,
                                           range.end);
    ++m_searchGeneration;
    RunSearch();
    return !m_search && m_lastSearchFound;
}

void CLogView::RunSearch() {
    QElapsedTimer slice;
    slice.start();
    WholeTexts whole(*m_source);
    for (;;) {
        switch (m_search->Next(*m_source, g_searchBatch)) {
            case LogSearch::Step::kFound: {
                const LogSearch::Match match = m_search->Found();
                m_anchor = {match.item, static_cast<int>(match.start)};
                m_cursor = {match.item, static_cast<int>(match.end)};
                m_hasSelection = true;
                Reveal(match.item, static_cast<int>(match.start));
                EndSearch(true);
                return;
            }
            case LogSearch::Step::kDone:
                EndSearch(false);
                return;
            case LogSearch::Step::kMore:
                break;
        }
        if (slice.elapsed() >= g_searchSliceMs)
            break;
    }
    m_findBar->SetStatus(tr("正在查找…"));
    QTimer::singleShot(0, this, [this, generation = m_searchGeneration] {
        if (m_search && generation == m_searchGeneration)
            RunSearch();
    });
}

void CLogView::EndSearch(bool found) {
    m_search.reset();
    m_lastSearchFound = found;
    m_findBar->SetStatus(found ? QString() : tr("未找到"));
    emit SearchFinished(found);
}

void CLogView::CancelSearch() {
    if (!m_search)
        return;
    m_search.reset();
    ++m_searchGeneration;
    m_findBar->SetStatus(QString());
}

void CLogView::Reveal(uint64_t item, int offset) {
    const int h = viewport()->height();
    const int rh = RowHeight();
    for (const auto& laid : m_laid) {
        if (laid->item != item)
            continue;
        for (const Piece& piece : laid->pieces) {
            const int y = laid->y + piece.row * rh;
            if (offset >= piece.start && offset <= piece.End() && y >= 0 && y < h) {
                viewport()->update();
                return;
            }
        }
    }
    if (m_follow)
        m_endWhenLeft = m_knownEnd;
    m_follow = false;
    m_topItem = item;
    QString text;
    m_topPiece = TextOf(item, &text) ? PieceAt(text, std::clamp<int>(offset, 0, text.size())) : 0;
    m_topRow = 0;
    LayOut();
    viewport()->update();
}

void CLogView::AddMatches(QList<QTextLayout::FormatRange>* ranges, const QString& line) const {
    if (!m_findBar->Highlighting())
        return;
    const QRegularExpression pattern = m_findBar->Pattern();
    for (auto it = pattern.globalMatch(line); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength() == 0)
            break;
        QTextLayout::FormatRange range;
        range.start = static_cast<int>(m.capturedStart());
        range.length = static_cast<int>(m.capturedLength());
        range.format.setBackground(QColor(255, 226, 110));
        ranges->append(range);
    }
}

void CLogView::SaveLog() {
    const ConnectInfo* rec = m_rec;
    if (!rec || !m_store) {
        ui::ShowMessage(this, tr("没有可保存的日志！"), tr("提示"));
        return;
    }
    CSaveLogDlg dlg(m_dir == ChunkDir::kReceived ? SaveWhat::kReceived : SaveWhat::kSent, this);
    if (ui::ExecModal(&dlg) != QDialog::Accepted || m_rec != rec)
        return;  // cancelled, or the record went away meanwhile
    LogSaver::Start(this, {m_store, rec, dlg.What(), dlg.Format(), dlg.Path()});
}

namespace {

// A note of the program's (log_line.h): only a note's rendering starts with its mark.
bool IsNoteItem(const QString& text) {
    return text.startsWith(QString::fromStdU16String(std::u16string(kNoteMark)));
}

QTextLayout::FormatRange NoteFormat(qsizetype length) {
    QTextLayout::FormatRange range;
    range.start = 0;
    range.length = static_cast<int>(length);
    range.format.setForeground(QColor(0x1F, 0x6F, 0xB2));
    return range;
}

}  // namespace

void CLogView::PaintItem(QPainter& painter, const Laid& laid) const {
    const int rh = RowHeight();
    int selFrom = 0, selTo = -1;
    if (HasSelection()) {
        const Pos a = std::min(m_anchor, m_cursor), b = std::max(m_anchor, m_cursor);
        if (laid.item >= a.item && laid.item <= b.item) {
            selFrom = laid.item == a.item ? a.offset : 0;
            selTo = laid.item == b.item ? b.offset : INT_MAX;
        }
    }
    const QRect clip = viewport()->rect();
    for (const Piece& piece : laid.pieces) {
        const QPointF origin(kMargin, laid.y + piece.row * rh);
        if (origin.y() > clip.bottom() || origin.y() + piece.rows * rh < 0)
            continue;
        const QString& text = piece.layout->text();
        QList<QTextLayout::FormatRange> selections;
        if (IsNoteItem(laid.text))
            selections.append(NoteFormat(text.size()));
        AddMatches(&selections, text);
        const int length = static_cast<int>(text.size());
        const int from = std::max(selFrom - piece.start, 0);
        const int to = selTo == INT_MAX ? length : std::min(selTo - piece.start, length);
        if (to > from) {
            QTextLayout::FormatRange range;
            range.start = from;
            range.length = to - from;
            range.format.setBackground(palette().highlight());
            range.format.setForeground(palette().highlightedText());
            selections.append(range);
        }
        piece.layout->draw(&painter, origin, selections, clip);
        DrawMissingControlPictures(painter, *piece.layout, origin, palette().color(QPalette::Text),
                                   palette().color(QPalette::Base));
    }
}

void CLogView::paintEvent(QPaintEvent*) {
    EnsureLaidOut();
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    for (const auto& laid : m_laid)
        PaintItem(painter, *laid);
    if (!m_follow && m_knownEnd > m_endWhenLeft) {
        const QString note = tr("▼ 有新数据");
        const QFontMetrics fm = fontMetrics();
        QRect box(0, 0, fm.horizontalAdvance(note) + 12, fm.height() + 6);
        box.moveBottomRight(viewport()->rect().bottomRight() - QPoint(6, 4));
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().toolTipBase());
        painter.drawRoundedRect(box, 4, 4);
        painter.setPen(palette().color(QPalette::ToolTipText));
        painter.drawText(box, Qt::AlignCenter, note);
    }
}

CLogView::Pos CLogView::HitTest(const QPoint& point) const {
    if (m_laid.empty())
        return {m_knownFirst, 0};
    const int rh = RowHeight();
    if (point.y() < m_laid.front()->y)
        return {m_laid.front()->item, 0};
    for (const auto& laid : m_laid) {
        if (point.y() >= laid->y + laid->rows * rh)
            continue;
        const int row = std::clamp((point.y() - laid->y) / rh, 0, laid->rows - 1);
        size_t i = 0;
        while (i + 1 < laid->pieces.size() && laid->pieces[i + 1].row <= row)
            ++i;
        const Piece& piece = laid->pieces[i];
        const QTextLine line = piece.layout->lineAt(row - piece.row);
        const int offset = line.isValid() ? line.xToCursor(point.x() - kMargin) : 0;
        return {laid->item, piece.start + offset};
    }
    return {m_laid.back()->item, m_laid.back()->pieces.back().End()};
}

void CLogView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    EnsureLaidOut();
    m_cursor = HitTest(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier) || !m_hasSelection)
        m_anchor = m_cursor;
    m_hasSelection = true;
    m_selecting = true;
    viewport()->update();
}

void CLogView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_selecting)
        return;
    const QPoint at = event->position().toPoint();
    if (at.y() < 0)
        ScrollRows(-1);
    else if (at.y() > viewport()->height())
        ScrollRows(1);
    EnsureLaidOut();
    m_cursor = HitTest(at);
    viewport()->update();
}

void CLogView::mouseReleaseEvent(QMouseEvent* event) {
    m_selecting = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CLogView::wheelEvent(QWheelEvent* event) {
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / kWheelNotch;
    m_wheelRest %= kWheelNotch;
    ScrollRows(-notches * kWheelRows);
    event->accept();
}

void CLogView::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        CopySelection();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        SelectAll();
        return;
    }
    if (event == QKeySequence::Find) {
        OpenFindBar();
        return;
    }
    if (event == QKeySequence::Save) {
        SaveLog();
        return;
    }
    if (event->key() == Qt::Key_F3) {
        Find(!(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    switch (event->key()) {
        case Qt::Key_Up:
            ScrollRows(-1);
            return;
        case Qt::Key_Down:
            ScrollRows(1);
            return;
        case Qt::Key_PageUp:
            ScrollRows(-std::max(1, RowsInSight() - 1));
            return;
        case Qt::Key_PageDown:
            ScrollRows(std::max(1, RowsInSight() - 1));
            return;
        case Qt::Key_Home:
            ScrollToStart();
            return;
        case Qt::Key_End:
            ScrollToEnd();
            return;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void CLogView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("logViewMenu"));
    m_copy->setEnabled(HasSelection());
    menu.addAction(m_copy);
    menu.addAction(m_selectAll);
    menu.addAction(m_find);
    m_save->setEnabled(m_rec != nullptr);
    menu.addAction(m_save);
    menu.addSeparator();
    menu.addAction(m_hexText);
    AddSharedMenuItems(&menu);
    menu.exec(event->globalPos());
}

void CLogView::SelectAll() {
    const LogViewSource::Items range = m_source->Fetch(0, 0);
    m_hasSelection = range.end > range.first;
    m_anchor = {range.first, 0};
    m_cursor = {range.end > 0 ? range.end - 1 : 0, INT_MAX};
    viewport()->update();
}

QString CLogView::TextBetween(Pos a, Pos b) {
    WholeTexts whole(*m_source);
    QString out;
    for (uint64_t item = a.item; item <= b.item;) {
        const LogViewSource::Items items =
            m_source->Fetch(item, std::min(b.item + 1, item + kCopyBatch));
        if (items.texts.empty())
            break;
        for (size_t i = 0; i < items.texts.size(); ++i) {
            const uint64_t n = items.from + i;
            const QString& text = items.texts[i];
            const int from = n == a.item ? std::min<int>(a.offset, text.size()) : 0;
            if (n == b.item) {
                out += text.mid(from, std::min<int>(b.offset, text.size()) - from);
                if (b.offset > text.size())
                    out += QLatin1Char('\n');
            } else {
                out += text.mid(from);
                out += QLatin1Char('\n');
            }
        }
        item = items.from + items.texts.size();
    }
    return out;
}

QString CLogView::SelectedText() {
    if (!HasSelection())
        return {};
    return TextBetween(std::min(m_anchor, m_cursor), std::max(m_anchor, m_cursor));
}

bool CLogView::AskBeforeCopy(uint64_t bytes) {
    QMessageBox box(
        QMessageBox::Question, tr("提示"),
        tr("要复制的日志约有 %1 MB，复制会占用较多内存和时间。仍要复制吗？").arg(bytes >> 20),
        QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("copyLargeLogPrompt"));
    ui::ExecModal(&box);
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

bool CLogView::CopySelection() {
    if (!HasSelection())
        return false;
    const Pos a = std::min(m_anchor, m_cursor), b = std::max(m_anchor, m_cursor);
    const uint64_t bytes = m_source->Bytes(a.item, b.item + 1);
    if (bytes > kAskBeforeCopyBytes && !AskBeforeCopy(bytes))
        return false;
    QGuiApplication::clipboard()->setText(TextBetween(a, b));
    return true;
}

void CLogView::ToggleHexText(bool on) {
    SetHexTextView(on);
    settings::SetValue(QStringLiteral("log/hexText"), on);
    RefreshAll();
}

}  // namespace quillet::pages
