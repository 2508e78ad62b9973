#include "pages/file_sender.h"

#include <QProgressDialog>
#include <QTimer>

#include <algorithm>

namespace quillet::pages {

namespace {

constexpr int kTickMs = 2;
constexpr int kProgressSteps = 1000;

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
    if (mode == Mode::kWhole && QFile(path).size() > static_cast<qint64>(kMaxDatagram)) {
        m_hooks.tell(tr("文件大于 65507 字节，不能作为一个数据报发送。"));
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_hooks.tell(tr("无法读取文件：%1").arg(path));
        return false;
    }
    m_rec = rec;
    m_mode = mode;
    m_pieceSize =
        mode == Mode::kStream ? kStreamPiece : std::clamp<size_t>(pieceSize, 1, kMaxDatagram);
    m_size = static_cast<uint64_t>(m_file.size());
    m_read = m_handed = 0;
    m_eof = false;
    if (mode == Mode::kWhole) {
        m_pieceSize = kMaxDatagram;
        Tick();  // one datagram: sent at once
        return true;
    }
    ShowProgress();
    m_timer->start();
    Tick();
    return true;
}

void FileSender::ShowProgress() {
    auto* box = new QProgressDialog(tr("正在发送文件……"), tr("取消"), 0, kProgressSteps, m_owner);
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

void FileSender::Cancel() {
    if (Busy())
        Finish(tr("已取消发送文件：已发送 %1 字节，共 %2 字节。").arg(m_handed).arg(m_size));
}

void FileSender::End(const ConnectInfo* rec, const QString& why) {
    if (Busy() && rec == m_rec)
        Finish(
            tr("%1，文件未发完：已发送 %2 字节，共 %3 字节。").arg(why).arg(m_handed).arg(m_size));
}

void FileSender::Abort() {
    m_timer->stop();
    m_file.close();
    m_rec = nullptr;
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
}

void FileSender::Finish(const QString& note) {
    Abort();
    m_hooks.tell(note);
}

bool FileSender::ReadPiece(size_t count, std::string* out) {
    out->resize(count);
    const qint64 n = m_file.read(out->data(), static_cast<qint64>(count));
    if (n < 0)
        return false;
    out->resize(static_cast<size_t>(n));
    m_read += static_cast<uint64_t>(n);
    if (n == 0 || m_read >= m_size)
        m_eof = true;
    return true;
}

void FileSender::Tick() {
    if (!Busy())
        return;
    const bool more = m_mode == Mode::kStream ? FeedStream() : FeedDatagrams();
    if (!more || !Busy())
        return;
    if (m_progress && m_size > 0)
        m_progress->setValue(static_cast<int>(m_handed * kProgressSteps / m_size));
}

bool FileSender::FeedStream() {
    std::string piece;
    for (int n = 0; n < kPiecesPerTick && !m_eof && m_hooks.waiting(m_rec) < kStreamWindow; ++n) {
        if (!ReadPiece(m_pieceSize, &piece)) {
            Finish(tr("读取文件出错：已发送 %1 字节，共 %2 字节。").arg(m_handed).arg(m_size));
            return false;
        }
        if (piece.empty())
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
    if (m_eof && m_hooks.waiting(m_rec) == 0) {
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
    if (m_read < m_size)
        Finish(tr("文件在发送中变短了：已发送 %1 字节，原有 %2 字节。").arg(m_handed).arg(m_size));
    else
        Finish(tr("文件已发送：%1 字节。").arg(m_handed));
}

bool FileSender::FeedDatagrams() {
    std::string piece;
    size_t bytes = 0;
    for (int i = 0; i < kDatagramsPerTick && bytes < kBytesPerTick && !m_eof; ++i) {
        if (!ReadPiece(m_pieceSize, &piece)) {
            Finish(tr("读取文件出错：已发送 %1 字节，共 %2 字节。").arg(m_handed).arg(m_size));
            return false;
        }
        if (piece.empty())
            break;
        const size_t size = piece.size();
        if (m_hooks.send(m_rec, std::move(piece)) != RawSend::kSent) {
            End(m_rec, tr("发送出错"));
            return false;
        }
        m_handed += size;
        bytes += size;
    }
    if (m_eof) {
        FinishAtEnd();
        return false;
    }
    return true;
}

}  // namespace quillet::pages
