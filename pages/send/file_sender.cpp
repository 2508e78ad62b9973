#include "pages/send/file_sender.h"

#include <QFile>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>

#include "pages/send/file_source.h"
#include "pages/common/failure_cause.h"

namespace quillet::pages {

namespace {

constexpr int kTickMs = 2;
constexpr int kProgressSteps = 1000;
// A stream's box shows the bytes sent every this many ticks.
constexpr int kCountTicks = 50;

}  // namespace

FileSender::FileSender(Hooks hooks, QWidget* parent)
    : QObject(parent), m_hooks(std::move(hooks)), m_owner(parent) {
    setObjectName(QStringLiteral("fileSender"));
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("fileSendTimer"));
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, [this] { Tick(); });
}

FileSender::~FileSender() {
    Abort();
}

bool FileSender::Start(ConnectInfo* rec, const QString& path, Mode mode, size_t pieceSize) {
    if (Busy()) {
        m_hooks.tell(tr("正在发送另一个文件，请等它发完或取消。"));
        return false;
    }
    const std::string name = QFile::encodeName(path).toStdString();
    uint64_t size = 0;
    const FileKind kind = KindOfFile(name, &size);  // stat: never waits for a FIFO's writer
    if (mode == Mode::kWhole && kind == FileKind::kRegular && size > kMaxDatagram) {
        m_hooks.tell(tr("文件大于 65507 字节，不能作为一个数据报发送。"));
        return false;
    }
    m_rec = rec;
    m_mode = mode;
    m_path = path;
    m_pieceSize =
        mode == Mode::kStream ? kStreamPiece : std::clamp<size_t>(pieceSize, 1, kMaxDatagram);
    m_stream = IsStreamKind(kind);
    m_size = m_stream ? 0 : size;
    m_handed = 0;
    m_ticks = 0;
    // One datagram: one more byte than fits tells a source that is too large.
    const size_t piece = mode == Mode::kWhole ? kMaxDatagram + 1 : m_pieceSize;
    const size_t queue = mode == Mode::kStream ? kStreamPiece * kPiecesPerTick : kBytesPerTick;
    m_source = std::make_unique<FileSource>(name, piece, mode != Mode::kStream, queue);
    if (mode != Mode::kWhole)
        ShowProgress();
    m_timer->start();
    return true;
}

void FileSender::ShowProgress() {
    auto* box = new QProgressDialog(
        m_stream ? tr("正在发送：已发送 %1 字节").arg(0) : tr("正在发送文件……"),
        m_stream ? tr("停止") : tr("取消"), 0, m_stream ? 0 : kProgressSteps, m_owner);
    box->setObjectName(QStringLiteral("fileProgress"));
    box->setWindowTitle(tr("发送文件"));
    box->setWindowModality(Qt::NonModal);
    box->setAutoClose(false);
    box->setAutoReset(false);
    box->setMinimumDuration(0);
    connect(box, &QProgressDialog::canceled, this, [this] { Cancel(); });
    box->show();
    m_progress = box;
}

void FileSender::UpdateProgress() {
    if (!m_progress)
        return;
    if (!m_stream && m_size > 0)
        m_progress->setValue(static_cast<int>(m_handed * kProgressSteps / m_size));
    else if (m_stream && ++m_ticks % kCountTicks == 0)
        m_progress->setLabelText(tr("正在发送：已发送 %1 字节").arg(m_handed));
}

QString FileSender::SentSoFar() const {
    return m_stream ? tr("已发送 %1 字节").arg(m_handed)
                    : tr("已发送 %1 字节，共 %2 字节").arg(m_handed).arg(m_size);
}

void FileSender::Cancel() {
    if (Busy())
        Finish(m_stream ? tr("已停止发送：%1。").arg(SentSoFar())
                        : tr("已取消发送文件：%1。").arg(SentSoFar()));
}

void FileSender::End(const ConnectInfo* rec, const QString& why) {
    if (Busy() && rec == m_rec)
        Finish(tr("%1，文件未发完：%2。").arg(why, SentSoFar()));
}

void FileSender::Abort() {
    m_timer->stop();
    m_source.reset();  // stops its reader, which looks at least every 50 ms
    m_rec = nullptr;
    if (m_progress) {
        m_progress->disconnect(this);  // closing it would say "canceled"
        m_progress->close();
        m_progress->deleteLater();
    }
}

void FileSender::Finish(const QString& note) {
    Abort();
    m_hooks.tell(note);
}

bool FileSender::NextPiece(std::string* out) {
    if (m_source->Take(out))
        return true;
    const FileSource::State state = m_source->GetState();
    if (state.phase != FileSource::Phase::kFailed)
        return false;
    const QString cause = CauseText(state.error);
    if (state.kind == FileKind::kMissing)  // the open failed
        Finish(tr("无法读取文件：%1\n%2").arg(m_path, cause));
    else
        Finish(tr("读取文件出错：%1。\n%2").arg(SentSoFar(), cause));
    return false;
}

bool FileSender::AllTaken() const {
    return m_source->Drained();
}

void FileSender::Tick() {
    if (!Busy())
        return;
    const bool more = m_mode == Mode::kStream ? FeedStream() : FeedDatagrams();
    if (more && Busy())
        UpdateProgress();
}

bool FileSender::FeedStream() {
    std::string piece;
    for (int n = 0; n < kPiecesPerTick && m_hooks.waiting(m_rec) < kStreamWindow; ++n) {
        if (!NextPiece(&piece))
            break;
        const size_t size = piece.size();
        switch (m_hooks.send(m_rec, std::move(piece))) {
            case RawSend::kSent:
            case RawSend::kWaiting:
                m_handed += size;
                break;
            case RawSend::kFull:  // other texts fill the queue: this piece is lost to the file
            case RawSend::kGone:
                End(m_rec, tr("连接已断开"));
                return false;
        }
    }
    if (!Busy())
        return false;
    if (AllTaken() && m_hooks.waiting(m_rec) == 0) {
        if (!m_hooks.open(m_rec)) {  // the rest was cut off with the connection
            End(m_rec, tr("连接已断开"));
            return false;
        }
        FinishAtEnd();
        return false;
    }
    return true;
}

void FileSender::FinishAtEnd() {
    if (!m_stream && m_source->GetState().read < m_size)
        Finish(tr("文件在发送中变短了：已发送 %1 字节，原有 %2 字节。").arg(m_handed).arg(m_size));
    else
        Finish(tr("文件已发送：%1 字节。").arg(m_handed));
}

bool FileSender::FeedDatagrams() {
    std::string piece;
    size_t bytes = 0;
    for (int i = 0; i < kDatagramsPerTick && bytes < kBytesPerTick; ++i) {
        if (!NextPiece(&piece))
            break;
        if (m_mode == Mode::kWhole && piece.size() > kMaxDatagram) {
            Finish(tr("文件大于 65507 字节，不能作为一个数据报发送。"));
            return false;
        }
        const size_t size = piece.size();
        if (m_hooks.send(m_rec, std::move(piece)) != RawSend::kSent) {
            End(m_rec, tr("发送出错"));
            return false;
        }
        m_handed += size;
        bytes += size;
    }
    if (!Busy())
        return false;
    if (AllTaken()) {
        FinishAtEnd();
        return false;
    }
    return true;
}

}  // namespace quillet::pages
