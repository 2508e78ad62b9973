#include "engine/log_text.h"

#include <algorithm>

void LogText::clear() {
    m_blocks.clear();
    m_size = 0;
}

void LogText::append(std::u16string_view text) {
    while (!text.empty()) {
        if (m_blocks.empty() || m_blocks.back().size() == m_blocks.back().capacity()) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(std::max(kBlockChars, std::min(text.size(), 4 * kBlockChars)));
        }
        std::u16string& last = m_blocks.back();
        const size_t n = std::min(text.size(), last.capacity() - last.size());
        last.append(text.substr(0, n));
        m_size += n;
        text.remove_prefix(n);
    }
}

char16_t LogText::operator[](size_t pos) const {
    char16_t c = 0;
    ForEachPiece(pos, 1, [&c](const char16_t* p, size_t) { c = *p; });
    return c;
}

std::u16string LogText::substr(size_t pos, size_t count) const {
    std::u16string out;
    if (pos < m_size)
        out.reserve(std::min(count, m_size - pos));
    ForEachPiece(pos, count, [&out](const char16_t* p, size_t n) { out.append(p, n); });
    return out;
}

bool LogText::operator==(std::u16string_view text) const {
    if (text.size() != m_size)
        return false;
    bool same = true;
    size_t at = 0;
    ForEachPiece(0, m_size, [&](const char16_t* p, size_t n) {
        same = same && std::u16string_view(p, n) == text.substr(at, n);
        at += n;
    });
    return same;
}
