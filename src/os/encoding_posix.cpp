#include "os/encoding.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "os/utf16.h"

namespace dorvane::os {
namespace {

// The length of the character (or malformed byte) at `at` in `text`.
std::size_t character_length(const std::string& text, std::size_t at) {
    std::size_t end = at;
    decode_utf8(text, end);
    return end - at;
}

class Converter {
public:
    explicit Converter(const char* to) : cd_(iconv_open(to, "UTF-8")) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    std::string convert(const std::string& in) {
        std::string out;
        char buffer[1024];
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        while (left > 0) {
            char* dst = buffer;
            std::size_t room = sizeof buffer;
            const std::size_t rc = iconv(cd_, &src, &left, &dst, &room);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
            // Not representable (EILSEQ) or cut short (EINVAL): one "?" for
            // the whole character, then carry on after it.
            const std::size_t skip = character_length(in, static_cast<std::size_t>(src - in.data()));
            src += skip;
            left -= skip;
            out += '?';
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        return out;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::string to_system_codepage(const std::string& utf8) {
    const char* codeset = nl_langinfo(CODESET);
    if (std::strcmp(codeset, "UTF-8") == 0) return utf8;  // bytes pass unchanged
    // A locale's character set holds ASCII as ASCII (POSIX's portable
    // character set), so ASCII text, most lines, passes unchanged too.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return utf8;
    }
    // Opening a converter costs far more than a log line's conversion: the
    // one for the current character set is kept for the lines after.
    static std::string kept_codeset;
    static std::unique_ptr<Converter> kept;
    if (!kept || kept_codeset != codeset) {
        kept = std::make_unique<Converter>(codeset);
        kept_codeset = codeset;
    }
    if (!kept->ok()) {
        // An unknown character set: keep ASCII, which every code page holds.
        std::string out;
        for (std::size_t i = 0; i < utf8.size();) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            out += c < 0x80 ? static_cast<char>(c) : '?';
            i += character_length(utf8, i);
        }
        return out;
    }
    return kept->convert(utf8);
}

}  // namespace dorvane::os
