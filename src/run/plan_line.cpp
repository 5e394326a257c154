#include "run/plan_line.h"

#include <cstdio>

#include "os/utf16.h"

namespace dorvane {

const char marca_escapes[] = "-- with escapes: ";

namespace {

bool forges(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||  // C0, DEL, C1
           c == 0x2028 || c == 0x2029 ||            // line and paragraph separators
           c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);  // bidirectional controls
}

// The code points of UTF-16 text; a lone surrogate stands for itself.
template <typename Visit>
void for_each_code_point(const std::u16string& text, Visit&& visit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            visit(c, text.substr(i, 2));
            ++i;
        } else {
            visit(c, text.substr(i, 1));
        }
    }
}

}  // namespace

std::string linea_del_plan(const std::string& linea, const std::function<bool(char32_t)>& representable) {
    bool plain = true;
    for (const char c : linea) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            plain = false;
            break;
        }
    }
    if (plain) return linea;  // printable ASCII: the statements of ordinary names

    const std::u16string wide = os::utf8_to_utf16(linea);
    const auto escaped = [&](char32_t c) { return forges(c) || !representable(c); };
    bool any = false;
    for_each_code_point(wide, [&](char32_t c, const std::u16string&) { any = any || escaped(c); });
    if (!any) return linea;

    std::u16string out;
    for_each_code_point(wide, [&](char32_t c, const std::u16string& unit) {
        if (escaped(c)) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u{%02X}", static_cast<unsigned>(c));
            out += os::utf8_to_utf16(escape);
        } else if (c == u'\\') {
            out += u"\\\\";
        } else {
            out += unit;
        }
    });
    return marca_escapes + os::utf16_to_utf8(out);
}

}  // namespace dorvane
