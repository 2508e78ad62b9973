#pragma once
// The local address a page's sockets use, as the user chose it in a prompt ("高级…"), kept in
// the settings under "addr/<page>/local". Servers choose between every IPv4 address (the
// default), every address of both families (dual stack, the IPv6 wildcard) and one of the
// host's addresses; clients between the host address the tree shows (the default), the address
// the routing table picks for each target ("automatic") and one of the host's addresses.
//
// Threads: user-interface thread only (settings, dialog). Run the dialog with ui::ExecModal.
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "engine/ip_endpoint.h"
#include "pages/common/engine_names.h"

class QComboBox;

namespace quillet::pages {

struct LocalChoice {
    enum class Kind { kDefault, kDualStack, kAutomatic, kAddress };
    Kind kind = Kind::kDefault;
    IpEndpoint address;  // kAddress only; port 0

    // Stored form: "" (default), "dual", "auto" or the address's text. Unreadable text (an
    // address this host no longer parses) reads as the default.
    static LocalChoice FromText(const std::string& text);
    std::string ToText() const;
    bool IsDefault() const { return kind == Kind::kDefault; }
    // An address of one family is chosen: targets of the other family cannot be reached.
    bool FixesFamily() const { return kind == Kind::kAddress; }

    // Reads and writes the choice of the page named `page` ("tcpServer", "udpClient", ...).
    static LocalChoice Load(const char* page);
    void Store(const char* page) const;
};

// The small dialog that changes the choice: one list of what a server (or a client) may use.
class CLocalAddressDlg : public QDialog {
    Q_OBJECT
public:
    enum class Role { kServer, kClient };
    // `hostAddress`: what the default stands for on a client page (the tree's address).
    CLocalAddressDlg(Role role, const LocalChoice& current, const QString& hostAddress,
                     QWidget* parent);
    // The entry picked when OK closed the dialog.
    LocalChoice Choice() const;
    QComboBox* List() const { return m_list; }
    // Shows `box` (a child of the dialog) below the list; OK closes only once `check` agrees.
    void AddBox(QWidget* box, std::function<bool()> check);

protected:
    void accept() override;

private:
    QComboBox* m_list;
    std::vector<std::function<bool()>> m_checks;
};

// Where a server page listens on `port` for `choice`: 0.0.0.0, [::] (dual stack) or the address.
IpEndpoint ServerEndpoint(const LocalChoice& choice, int port);
// A server root's text: "host:port" by default (host: the tree's address), else the address
// listened on and the port ("[::]:6000", "[::1]:6000", "127.0.0.1:6000").
std::string ServerRootText(const LocalChoice& choice, const std::string& host, int port);

// A short text of the choice for tooltips and messages ("0.0.0.0", "[::]", "自动", "::1").
QString DescribeChoice(const LocalChoice& choice, bool server);

}  // namespace quillet::pages
