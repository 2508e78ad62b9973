#pragma once
// A record's log: text that only grows at its end or is emptied. It is kept in blocks so that
// an append never copies what is already there: a chunk costs the same whether the log holds a
// kilobyte or a gigabyte, and g_csConnect, under which workers append, is never held for a copy
// of the whole log.
//
// Threads: none of its own; the owner's lock rules apply (crit_sec.h).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class LogText {
public:
    static constexpr size_t npos = std::u16string::npos;

    LogText() = default;
    LogText(std::u16string_view text) { append(text); }  // NOLINT: reads like a string

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void clear();
    void append(std::u16string_view text);
    LogText& operator+=(std::u16string_view text) {
        append(text);
        return *this;
    }
    LogText& operator+=(char16_t c) {
        append(std::u16string_view(&c, 1));
        return *this;
    }
    char16_t operator[](size_t pos) const;

    // Calls fn(pointer, length) for each piece of [pos, pos + count), in order.
    template <typename Fn>
    void ForEachPiece(size_t pos, size_t count, Fn&& fn) const;

    std::u16string substr(size_t pos = 0, size_t count = npos) const;
    std::u16string str() const { return substr(); }
    size_t find(std::u16string_view needle, size_t from = 0) const {
        return str().find(needle, from);
    }
    size_t find(char16_t c, size_t from = 0) const { return str().find(c, from); }
    bool operator==(std::u16string_view text) const;

private:
    // Each block is reserved once at its full size and never grows past it.
    static constexpr size_t kBlockChars = size_t{1} << 18;
    std::vector<std::u16string> m_blocks;
    size_t m_size = 0;
};

template <typename Fn>
void LogText::ForEachPiece(size_t pos, size_t count, Fn&& fn) const {
    if (pos >= m_size)
        return;
    if (count > m_size - pos)
        count = m_size - pos;
    for (const std::u16string& block : m_blocks) {
        if (count == 0)
            break;
        if (pos >= block.size()) {
            pos -= block.size();
            continue;
        }
        const size_t n = std::min(count, block.size() - pos);
        fn(block.data() + pos, n);
        count -= n;
        pos = 0;
    }
}
