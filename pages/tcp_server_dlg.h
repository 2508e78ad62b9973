#pragma once
// The TCP server page: one listening server (the tree's root) and the clients it accepted (its
// children), with their received and sent logs, answering and disconnecting the selected one.
//
// Threads: user-interface thread; the engine's workers reach the page only through the
// notification hand-over of CDialogP.
#include "dialog_p.h"

class QMessageBox;
#include "engine/tcp_engine.h"

namespace quillet::pages {

class CTcpServerDlg : public CDialogP {
    Q_OBJECT
public:
    explicit CTcpServerDlg(QWidget* parent = nullptr);
    ~CTcpServerDlg() override;

    TcpEngine& Engine() { return m_engine; }
    // Worker side: connections were closed at once for want of descriptors.
    void OnConnectionsRefused(unsigned total) override;

protected:
    RecordStore& Store() override { return m_engine.m_store; }
    void HandleNewConnection(ConnectInfo* pInfo) override;
    void HandleConnectionUpdate(ConnectInfo* pInfo, int kind) override;
    void OnItemClick(QTreeWidgetItem* item) override { RefreshItem(item); }

private:
    void CreateButtons();
    void RefreshItem(QTreeWidgetItem* item);
    void OnCreate();
    void OnListen();
    void OnStopListen();
    void OnDisconnect();
    // Says how many connections were refused: in the root's tooltip, and in a note that opens
    // once, without blocking, the first time.
    void ShowRefused();

    QMessageBox* m_refusedNote = nullptr;  // child of the page
    TcpEngine m_engine{this};
};

}  // namespace quillet::pages
