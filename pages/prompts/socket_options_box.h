#pragma once
// The TCP pages' socket options as the user chooses them: the group box "套接字选项" of the
// "高级…" dialog (TCP server and client prompts only), their place in the settings
// ("addr/<page>/options", beside the local address choice) and the short text that the tree's
// tooltips show ("TCP_NODELAY, 保活 60/10/5"; nothing when nothing is chosen).
//
// Threads: user-interface thread only.
#include <QGroupBox>

#include "engine/socket_options.h"
#include "pages/common/engine_names.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace quillet::pages {

// True for the pages whose prompts offer socket options ("tcpServer", "tcpClient").
bool OffersSocketOptions(const char* page);
sock::SocketOptions LoadSocketOptions(const char* page);
void StoreSocketOptions(const char* page, const sock::SocketOptions& options);
// What a server's (or client's) options are, in short; `perConnection`: only what each
// connection has (a server's accepted ones). Empty when nothing of it is chosen.
QString DescribeOptions(const sock::SocketOptions& options, bool server,
                        bool perConnection = false);

class SocketOptionsBox : public QGroupBox {
    Q_OBJECT
public:
    // `localList`: the dialog's local address list; a server's IPv6-only choice is open only
    // while it names the dual-stack wildcard.
    SocketOptionsBox(bool server, const sock::SocketOptions& current, QComboBox* localList,
                     QWidget* parent);
    // False, after a message naming the first value out of its range, when OK must not close.
    bool Check();
    // What the boxes hold; call after Check().
    sock::SocketOptions Options() const;

private:
    QLineEdit* AddNumber(const QString& label, const char* name, int value);
    void FollowKeepAlive();
    // The number in `edit` (0 when empty); false after a message when outside [low, high].
    bool ReadNumber(QLineEdit* edit, int low, int high, int* value);

    const bool m_server;
    QCheckBox* m_noDelay;
    QCheckBox* m_keepAlive;
    QLineEdit* m_keepIdle;
    QLineEdit* m_keepInterval;
    QLineEdit* m_keepCount;
    QLineEdit* m_timeout = nullptr;     // clients only
    QLineEdit* m_sourcePort = nullptr;  // clients only
    QCheckBox* m_v6Only = nullptr;      // servers only
    QCheckBox* m_reuseAddr;
    sock::SocketOptions m_read;
};

}  // namespace quillet::pages
