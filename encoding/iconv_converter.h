#pragma once
// A thin owner of one iconv conversion descriptor. Not thread-safe: one per thread.
#include <iconv.h>

#include <string>
#include <string_view>

namespace quillet::enc {

class IconvConverter {
public:
    IconvConverter(const std::string& to, const std::string& from);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `in` as possible, appending to `out`.
    // Returns the number of input bytes consumed; stops at an invalid sequence (errno EILSEQ)
    // or an incomplete one at the end (errno EINVAL). *stopError receives that errno or 0.
    size_t Convert(std::string_view in, std::string& out, int* stopError);
    void Reset();

private:
    iconv_t m_cd;
};

// Whether iconv on this machine knows `name` (both directions to and from UTF-16LE).
bool IconvKnows(const std::string& name);

}  // namespace quillet::enc
