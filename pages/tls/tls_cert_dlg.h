#pragma once
// What a TLS connection's node tells: a few lines in its tooltip and, from the tree's "证书..."
// item, a dialog with the protocol, cipher, ALPN, the peer's chain and its verification.
//
// Threads: user-interface thread. The session's state is copied under its own lock, which no
// thread holds across a socket call.
#include <QDialog>

#include <memory>

#include "engine/tls_session.h"
#include "pages/common/engine_names.h"

namespace quillet::engine {
struct ConnectInfo;
}  // namespace quillet::engine

namespace quillet::pages {

// The record's TLS session, or null for plain TCP (takes g_csConnect).
std::shared_ptr<tls::Session> SessionOf(ConnectInfo* rec);
// The tooltip's TLS lines ("" for plain TCP), each after a line break.
QString TlsTooltipText(ConnectInfo* rec);
// Everything the dialog shows.
QString TlsDetailsText(const tls::State& state);

class CTlsCertDlg : public QDialog {
    Q_OBJECT
public:
    CTlsCertDlg(const tls::State& state, QWidget* parent);
};

}  // namespace quillet::pages
