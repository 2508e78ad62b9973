#pragma once
// The bytes of one logged chunk as a reader gets them: a copy of its own for a small chunk, or
// a share of the log's immutable buffer for a large one, so taking a large chunk out of a log
// under the record lock is a pointer copy, and the share stays valid after the log drops the
// chunk. Either way it reads as a std::string_view.
//
// Threads: a value type. A share's buffer is never written once made, so copies of one
// ChunkBytes may be read on any threads at once; one object is not for concurrent writes.
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

class ChunkBytes {
public:
    ChunkBytes() = default;
    ChunkBytes(std::string bytes) : m_own(std::move(bytes)) {}  // NOLINT: reads as a string
    ChunkBytes(std::string_view bytes) : m_own(bytes) {}        // NOLINT
    ChunkBytes(const char* bytes) : m_own(bytes) {}             // NOLINT
    explicit ChunkBytes(std::shared_ptr<const std::string> shared) : m_shared(std::move(shared)) {}

    std::string_view view() const {
        return m_shared ? std::string_view(*m_shared) : std::string_view(m_own);
    }
    operator std::string_view() const { return view(); }  // NOLINT: reads as a string
    std::string str() const { return std::string(view()); }
    const char* data() const { return view().data(); }
    size_t size() const { return view().size(); }
    bool empty() const { return view().empty(); }
    char operator[](size_t i) const { return view()[i]; }
    auto begin() const { return view().begin(); }
    auto end() const { return view().end(); }
    // True when the bytes are a share of a log's buffer, not a copy.
    bool Shared() const { return m_shared != nullptr; }

    friend bool operator==(const ChunkBytes& a, const ChunkBytes& b) {
        return a.view() == b.view();
    }
    friend bool operator==(const ChunkBytes& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const ChunkBytes& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const ChunkBytes& a, const char* b) { return a.view() == b; }
    friend std::ostream& operator<<(std::ostream& out, const ChunkBytes& b) {
        return out << b.view();
    }

private:
    std::string m_own;
    std::shared_ptr<const std::string> m_shared;
};
