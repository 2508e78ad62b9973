#pragma once
// The TLS part of the TCP server and client pages' "高级…" dialog: a check box "TLS" and, while
// it is ticked, the options of the role (tls_choice.h).
//
// Threads: user-interface thread only.
#include <QGroupBox>

#include "pages/tls/tls_choice.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

namespace quillet::pages {

class CTlsOptionsBox : public QGroupBox {
    Q_OBJECT
public:
    CTlsOptionsBox(const TlsChoice& current, QWidget* parent);
    TlsChoice Choice() const;
    QCheckBox* Enabled() const { return m_enabled; }

private:
    // A line edit with a 浏览… button that picks a file into it.
    QLineEdit* AddFile(const QString& label, const char* name, const QString& value);
    QLineEdit* AddLine(const QString& label, const char* name, const QString& value);
    void BuildServer(const TlsChoice& c);
    void BuildClient(const TlsChoice& c);
    void UpdateEnabled();

    bool m_server;
    QCheckBox* m_enabled;
    QWidget* m_options;
    QCheckBox* m_selfSigned = nullptr;
    QLineEdit* m_cert = nullptr;
    QLineEdit* m_key = nullptr;
    QComboBox* m_clientCert = nullptr;
    QLineEdit* m_ca = nullptr;
    QCheckBox* m_verify = nullptr;
    QLineEdit* m_serverName = nullptr;
    QLineEdit* m_alpn = nullptr;
    QComboBox* m_minVersion = nullptr;
};

class CLocalAddressDlg;

// Adds the TLS box to the "高级…" dialog of the TCP server ("tcpServer") or client
// ("tcpClient") prompt; null for any other page.
CTlsOptionsBox* AddTlsOptions(const char* page, CLocalAddressDlg* dlg);
// The TLS line of the "高级…" button's tooltip ("" when TLS is off or not offered).
QString TlsNote(const char* page);

}  // namespace quillet::pages
