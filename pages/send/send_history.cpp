#include "pages/send/send_history.h"

#include <algorithm>

namespace quillet::pages {

void SendHistory::Add(const std::u16string& text) {
    Add(std::make_shared<const std::u16string>(text));
}

void SendHistory::Add(std::shared_ptr<const std::u16string> text) {
    m_pos = -1;
    if (!text || text->empty())
        return;
    auto same = std::find_if(m_entries.begin(), m_entries.end(),
                             [&](const auto& entry) { return *entry == *text; });
    if (same != m_entries.end())
        m_entries.erase(same);
    m_entries.push_front(std::move(text));
    if (m_entries.size() > kMaxEntries)
        m_entries.pop_back();
}

std::optional<std::u16string> SendHistory::Older(const std::u16string& box) {
    if (m_pos + 1 >= static_cast<int>(m_entries.size()))
        return std::nullopt;
    if (m_pos < 0)
        m_draft = box;
    ++m_pos;
    return *m_entries[static_cast<size_t>(m_pos)];
}

std::optional<std::u16string> SendHistory::Newer() {
    if (m_pos < 0)
        return std::nullopt;
    --m_pos;
    if (m_pos < 0)
        return m_draft;
    return *m_entries[static_cast<size_t>(m_pos)];
}

}  // namespace quillet::pages
