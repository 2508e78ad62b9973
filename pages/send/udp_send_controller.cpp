#include "pages/send/udp_send_controller.h"

#include "engine/record_log.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

UdpSendController::UdpSendController(SendSurface surface, AutoReply* autoReply, DatagramFn datagram,
                                     std::function<void(TreeNode*)> refresh, bool sendsToAll)
    : SendController(std::move(surface), autoReply, sendsToAll),
      m_datagram(std::move(datagram)),
      m_refresh(std::move(refresh)) {}

void UdpSendController::SendSelected() {
    SendSteps steps;
    steps.pageReady = [this] {
        if (RootState())
            return true;
        Message(tr("发送出错了！"), tr("提示"));
        return false;
    };
    steps.send = [this](TreeNode* item, ConnectInfo* rec, std::string& wire,
                        const std::shared_ptr<const std::u16string>&) {
        const int sent = m_datagram(rec, wire.data(), static_cast<int>(wire.size()));
        if (sent > 0)
            return sent;
        m_refresh(item);
        Message(tr("发送出错！"), tr("提示"));
        return 0;
    };
    SendToSelected(steps);
}

RawSend UdpSendController::SendRaw(ConnectInfo* rec, std::string bytes, bool logged) {
    const int sent = m_datagram(rec, bytes.data(), static_cast<int>(bytes.size()));
    if (sent <= 0)
        return RawSend::kGone;
    if (logged)
        LogSent(rec, bytes, sent, false);
    else  // a file's datagram: counted, not logged
        CountSentChunk(rec, static_cast<size_t>(sent));
    return RawSend::kSent;
}

}  // namespace quillet::pages
