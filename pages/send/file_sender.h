#pragma once
// Sends a file's bytes, untouched by the text encoding, to one record: over TCP streamed in
// pieces through the connection's send queue (never more than a window of it waiting), over UDP
// as one datagram or as datagrams of a chosen size. A FileSource opens and reads the file on a
// thread of its own; a timer on the user-interface thread takes what it read and sends a
// bounded amount per tick. A regular file shows a progress box with Cancel; a FIFO or a device
// is sent until its end, and its box counts the bytes and offers Stop. One file at a time per
// page. The bytes are counted as sent; the log shows no lines for them.
//
// Threads: user-interface thread only. The page ends the sending (Forget) before it frees the
// record and stops it (Cancel) before teardown.
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pages/common/engine_names.h"
#include "pages/send/raw_send.h"

class QProgressDialog;
class QTimer;

namespace quillet::engine {
struct ConnectInfo;
}  // namespace quillet::engine

namespace quillet::pages {

class FileSource;

class FileSender : public QObject {
    Q_OBJECT
public:
    static constexpr size_t kMaxDatagram = 65507;
    static constexpr size_t kStreamPiece = size_t{1} << 20;
    // TCP: at most this much of the file waits in the connection's queue.
    static constexpr size_t kStreamWindow = size_t{8} << 20;
    // TCP: pieces one tick queues at most, so that a tick stays short.
    static constexpr int kPiecesPerTick = 2;
    // UDP: datagrams and bytes one tick sends at most.
    static constexpr int kDatagramsPerTick = 256;
    static constexpr size_t kBytesPerTick = size_t{4} << 20;

    enum class Mode {
        kStream,     // TCP
        kWhole,      // UDP, one datagram
        kDatagrams,  // UDP, datagrams of pieceSize bytes
    };
    struct Hooks {
        // Sends bytes that are counted but not logged.
        std::function<RawSend(ConnectInfo*, std::string)> send;
        // What of the file still waits in the connection's queue (TCP).
        std::function<size_t(ConnectInfo*)> waiting;
        // Whether the connection is still open (TCP): what left the queue reached the socket.
        std::function<bool(ConnectInfo*)> open;
        // A result or failure for the user.
        std::function<void(const QString&)> tell;
    };

    FileSender(Hooks hooks, QWidget* parent);
    ~FileSender() override;

    // Starts sending the file at `path` to `rec`; false, after telling the user why, when a
    // file is being sent already. A file that cannot be opened or read is told when that shows.
    bool Start(ConnectInfo* rec, const QString& path, Mode mode, size_t pieceSize);
    bool Busy() const { return m_rec != nullptr; }
    const ConnectInfo* Record() const { return m_rec; }
    uint64_t Handed() const { return m_handed; }
    // The user cancels: stops with a note of what was sent.
    void Cancel();
    // The record's connection closed or the record goes: stops and tells why.
    void End(const ConnectInfo* rec, const QString& why);
    // Stops at once, telling nothing (teardown).
    void Abort();

private:
    void Tick();
    bool FeedStream();
    bool FeedDatagrams();
    // Takes the next piece read; false when none waits. Ends the sending, telling why, when
    // the file could not be opened or read.
    bool NextPiece(std::string* out);
    // Whether every byte of the file was taken.
    bool AllTaken() const;
    // "已发送 N 字节" with the total when it is known.
    QString SentSoFar() const;
    void Finish(const QString& note);
    // The whole file was read: says how much went, or that the file shrank while it was sent.
    void FinishAtEnd();
    void ShowProgress();
    void UpdateProgress();

    Hooks m_hooks;
    QWidget* m_owner;
    QString m_path;
    std::unique_ptr<FileSource> m_source;
    bool m_stream = false;  // a FIFO or a device: no size known beforehand
    ConnectInfo* m_rec = nullptr;
    Mode m_mode = Mode::kStream;
    size_t m_pieceSize = 0;
    uint64_t m_size = 0;
    uint64_t m_handed = 0;  // given to the connection, whole pieces
    int m_ticks = 0;
    QTimer* m_timer = nullptr;
    QPointer<QProgressDialog> m_progress;
};

}  // namespace quillet::pages
