#include "os/utf16.h"

namespace dorvane::os {
namespace {

constexpr char32_t replacement = 0xFFFD;

}  // namespace

char32_t decode_utf8(std::string_view s, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        ++i;
        return replacement;
    }
    if (i + extra >= s.size()) {
        ++i;
        return replacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char c = byte(i + k);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return replacement;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return replacement;
    }
    i += extra + 1;
    return cp;
}

namespace {

// Writes `cp` at `out` and returns the position after it.
char* encode_utf8(char32_t cp, char* out) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string out;
    utf8_to_utf16(utf8, out);
    return out;
}

std::string utf16_to_utf8(std::u16string_view utf16) {
    std::string out;
    utf16_to_utf8(utf16, out);
    return out;
}

// Both conversions size the output before they write and trim it at the
// end, so that each unit is one store. A UTF-8 byte gives at most one UTF-16
// unit. A UTF-16 unit gives one UTF-8 byte while the text is ASCII, then at
// most three: the room grows at the first other character, so that ASCII
// text (nearly every name) takes no more room than it needs.
void utf8_to_utf16(std::string_view utf8, std::u16string& out) {
    out.resize(utf8.size());
    char16_t* next = out.data();
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            *next++ = byte;
            ++i;
            continue;
        }
        const char32_t cp = decode_utf8(utf8, i);
        if (cp < 0x10000) {
            *next++ = static_cast<char16_t>(cp);
        } else {
            *next++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            *next++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
}

void utf16_to_utf8(std::u16string_view utf16, std::string& out) {
    out.resize(utf16.size());
    char* next = out.data();
    bool widened = false;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp < 0x80) {
            *next++ = static_cast<char>(cp);
            continue;
        }
        if (!widened) {
            const std::size_t written = static_cast<std::size_t>(next - out.data());
            out.resize(written + 3 * (utf16.size() - i));
            next = out.data() + written;
            widened = true;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() &&
            utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = replacement;
        }
        next = encode_utf8(cp, next);
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
}

}  // namespace dorvane::os
