#include "pages/send/tcp_send_controller.h"

#include "engine/record_log.h"
#include "engine/tcp_engine.h"
#include "pages/common/engine_names.h"
#include "pages/tree/tree_images.h"

namespace quillet::pages {

TcpSendController::TcpSendController(SendSurface surface, TcpEngine& engine,
                                     std::function<void(TreeNode*)> refresh, bool sendsToAll)
    : SendController(std::move(surface), &engine.AutoReplies(), sendsToAll),
      m_engine(engine),
      m_refresh(std::move(refresh)) {}

void TcpSendController::SendSelected() {
    SendSteps steps;
    steps.recordReady = [this](ConnectInfo* rec) {
        if (Store().IsOpen(rec))
            return true;
        Message(tr("未建立链接！"), tr("提示!"));
        return false;
    };
    // A text that encodes to no bytes has nothing to send; a send of 0 bytes is no sign of a
    // lost peer.
    steps.skipEmpty = true;
    steps.send = [this](TreeNode* item, ConnectInfo* rec, std::string& wire,
                        const std::shared_ptr<const std::u16string>& text) {
        return SendWire(item, rec, wire, text);
    };
    steps.sendFed = [this](TreeNode* item, ConnectInfo* rec, std::shared_ptr<WireFeed> feed,
                           size_t estimate, const std::shared_ptr<const std::u16string>& text,
                           std::string* sentAtOnce) {
        const auto result = m_engine.SendFed(rec, std::move(feed), estimate, text, sentAtOnce);
        return AfterSend(result, item, rec, sentAtOnce->size());
    };
    SendToSelected(steps);
}

int TcpSendController::SendWire(TreeNode* item, ConnectInfo* rec, std::string& wire,
                                const std::shared_ptr<const std::u16string>& text) {
    return AfterSend(m_engine.Send(rec, &wire, text), item, rec, wire.size());
}

int TcpSendController::AfterSend(TcpEngine::SendResult result, TreeNode* item, ConnectInfo* rec,
                                 size_t size) {
    switch (result) {
        case TcpEngine::SendResult::kAll:
            return static_cast<int>(size);
        case TcpEngine::SendResult::kQueued:
            ShowSentLog(rec);  // the line follows once the peer has taken it all
            return 0;
        case TcpEngine::SendResult::kFull:
            ShowSentLog(rec);
            Message(tr("待发送的数据已达 64 MB，本次内容未发送！"), tr("提示"));
            return 0;
        case TcpEngine::SendResult::kFailed:
            break;
    }
    Store().Disconnect(rec);
    m_refresh(item);
    Message(tr("对方已经断开！"), tr("提示"));
    return 0;
}

RawSend TcpSendController::SendRaw(ConnectInfo* rec, std::string bytes, bool logged) {
    const size_t size = bytes.size();
    switch (m_engine.Send(rec, &bytes, {}, logged)) {
        case TcpEngine::SendResult::kAll:  // the bytes are still here to log
            if (logged)
                LogSent(rec, bytes, static_cast<int>(size), false);
            else  // a file's piece: counted, not logged
                CountSentChunk(rec, size);
            return RawSend::kSent;
        case TcpEngine::SendResult::kQueued:
            return RawSend::kWaiting;
        case TcpEngine::SendResult::kFull:
            return RawSend::kFull;
        case TcpEngine::SendResult::kFailed:
            break;
    }
    if (Store().Disconnect(rec))
        SetNodeImage(rec, Store().IsUnread(rec) ? kImageClosedUnread : kImageClosed);
    return RawSend::kGone;
}

}  // namespace quillet::pages
