#include "run/plan_line.h"

#include <cstdio>

#include "os/utf16.h"

namespace dorvane {

const char escapes_mark[] = "-- with escapes: ";

namespace {

struct CodePoints {
    char32_t first, last;
};

// Unicode's format characters, general category Cf: invisible, they can
// hide text (U+200B between "ord" and "ers" reads "orders"), join or
// reorder it. The ranges are those of DerivedGeneralCategory.txt, Unicode
// 15.1; the bidirectional controls and the soft hyphen are among them.
constexpr CodePoints format_characters[] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
    {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x202A, 0x202E},
    {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

// Unicode's default-ignorable code points, the property
// Default_Ignorable_Code_Point of DerivedCoreProperties.txt (Unicode 15.1):
// what a renderer shows as nothing when it cannot show it otherwise. Beside
// format characters, the combining grapheme joiner (U+034F between "ord"
// and "ers" reads "orders"), the Hangul fillers, the variation selectors,
// and the code points kept for more of them.
constexpr CodePoints default_ignorable[] = {
    {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},   {0x17B4, 0x17B5},
    {0x180B, 0x180F}, {0x200B, 0x200F}, {0x202A, 0x202E},   {0x2060, 0x206F},   {0x3164, 0x3164},
    {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0},   {0xFFF0, 0xFFF8},   {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
};

template <std::size_t N>
bool in_ranges(const CodePoints (&ranges)[N], char32_t c) {
    for (const CodePoints& range : ranges)
        if (c >= range.first && c <= range.last) return true;
    return false;
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

bool is_escaped(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||  // C0, DEL, C1
           c == 0x2028 || c == 0x2029 ||            // line and paragraph separators
           (c >= 0xD800 && c <= 0xDFFF) ||          // a surrogate without its pair
           in_ranges(format_characters, c) || in_ranges(default_ignorable, c);
}

std::string plan_line(const std::string& line, const std::function<bool(char32_t)>& representable) {
    bool plain = true;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            plain = false;
            break;
        }
    }
    if (plain) return line;  // printable ASCII: the statements of ordinary names

    const std::u16string wide = os::utf8_to_utf16(line);
    const auto escaped = [&](char32_t c) { return is_escaped(c) || !representable(c); };
    bool any = false;
    for_each_code_point(wide, [&](char32_t c, const std::u16string&) { any = any || escaped(c); });
    if (!any) return line;

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
    return escapes_mark + os::utf16_to_utf8(out);
}

}  // namespace dorvane
