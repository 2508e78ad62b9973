#include "encoding/iconv_converter.h"

#include <cerrno>

namespace quillet::enc {

IconvConverter::IconvConverter(const std::string& to, const std::string& from)
    : m_cd(iconv_open(to.c_str(), from.c_str())) {}

IconvConverter::~IconvConverter() {
    if (valid())
        iconv_close(m_cd);
}

void IconvConverter::Reset() {
    if (valid())
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
}

size_t IconvConverter::Convert(std::string_view in, std::string& out, int* stopError) {
    *stopError = 0;
    if (!valid()) {
        *stopError = EBADF;
        return 0;
    }
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char chunk[8192];
    while (srcLeft > 0) {
        char* dst = chunk;
        size_t dstLeft = sizeof chunk;
        size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(chunk, sizeof chunk - dstLeft);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            *stopError = errno;
            break;
        }
    }
    // Flush any shift state (stateful encodings such as ISO-2022).
    if (*stopError == 0) {
        char* dst = chunk;
        size_t dstLeft = sizeof chunk;
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(chunk, sizeof chunk - dstLeft);
    }
    return in.size() - srcLeft;
}

bool IconvKnows(const std::string& name) {
    iconv_t a = iconv_open(name.c_str(), "UTF-16LE");
    iconv_t b = iconv_open("UTF-16LE", name.c_str());
    bool ok = a != reinterpret_cast<iconv_t>(-1) && b != reinterpret_cast<iconv_t>(-1);
    if (a != reinterpret_cast<iconv_t>(-1))
        iconv_close(a);
    if (b != reinterpret_cast<iconv_t>(-1))
        iconv_close(b);
    return ok;
}

}  // namespace quillet::enc
