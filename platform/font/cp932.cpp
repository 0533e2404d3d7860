#include "platform/font/cp932.h"

#include <iconv.h>
#include <unordered_map>
#include <vector>

namespace platform::font {
namespace {

constexpr int kTrailFirst = 0x40;
constexpr int kTrailCount = 0xFC - 0x40 + 1;

bool IsLead(unsigned c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }
int LeadIndex(unsigned c) { return c <= 0x9F ? int(c - 0x81) : int(c - 0xE0 + 31); }

// The double-byte table is filled once from the C library's converter, so
// the mapping (NEC and IBM extensions included) is the system's own and not
// a hand-typed copy; decoding a frame's text is then a table look-up.
struct Tables {
    std::vector<uint32_t> pairs = std::vector<uint32_t>(60 * kTrailCount, 0);

    Tables() {
        iconv_t cd = iconv_open("UTF-32LE", "CP932");
        if (cd == (iconv_t)-1) return;   // no converter: only single bytes decode
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLead(lead)) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsTrail(trail)) continue;
                char in[2] = {char(lead), char(trail)};
                unsigned char out[8] = {};
                char* inp = in;
                char* outp = reinterpret_cast<char*>(out);
                size_t inLeft = 2, outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == size_t(-1) || inLeft != 0 || outLeft != 4)
                    continue;
                uint32_t cp = out[0] | out[1] << 8 | out[2] << 16 | uint32_t(out[3]) << 24;
                pairs[LeadIndex(lead) * kTrailCount + (trail - kTrailFirst)] = cp;
            }
        }
        iconv_close(cd);
    }
};

const Tables& GetTables() {
    static const Tables tables;
    return tables;
}

// The first pair that decodes to a character wins, so a character CP932 has
// twice (the NEC and IBM copies) maps to the lower, standard code.
const std::unordered_map<uint32_t, uint16_t>& ReverseTable() {
    static const std::unordered_map<uint32_t, uint16_t> reverse = [] {
        std::unordered_map<uint32_t, uint16_t> m;
        const Tables& t = GetTables();
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLead(lead)) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsTrail(trail)) continue;
                uint32_t cp = t.pairs[LeadIndex(lead) * kTrailCount + (trail - kTrailFirst)];
                if (cp) m.emplace(cp, uint16_t(lead << 8 | trail));
            }
        }
        return m;
    }();
    return reverse;
}

} // namespace

size_t DecodeCp932Char(const unsigned char* p, uint32_t& cp) {
    unsigned c = p[0];
    cp = 0;
    if (c == 0) return 0;
    if (c < 0x80) { cp = c; return 1; }
    if (c >= 0xA1 && c <= 0xDF) { cp = 0xFF61 + (c - 0xA1); return 1; }   // half-width katakana
    if (!IsLead(c)) return 1;                                             // 0x80, 0xA0, 0xFD-0xFF
    unsigned t = p[1];                                                    // may be the NUL: checked below
    if (!IsTrail(t)) return 1;   // lone lead byte: skip it, the next byte stands alone
    cp = GetTables().pairs[LeadIndex(c) * kTrailCount + (t - kTrailFirst)];
    return 2;   // a well-formed but unassigned pair is skipped whole
}

std::u32string DecodeCp932(const char* text) {
    std::u32string out;
    if (!text) return out;
    auto p = reinterpret_cast<const unsigned char*>(text);
    for (;;) {
        uint32_t cp;
        size_t n = DecodeCp932Char(p, cp);
        if (n == 0) break;
        if (cp) out.push_back(char32_t(cp));
        p += n;
    }
    return out;
}

uint16_t JisX0208Of(uint32_t codepoint) {
    auto it = ReverseTable().find(codepoint);
    if (it == ReverseTable().end()) return 0;
    unsigned lead = it->second >> 8, trail = it->second & 0xFF;
    // Shift-JIS folds two JIS rows into one lead byte.
    unsigned row = (lead <= 0x9F ? lead - 0x71 : lead - 0xB1) * 2 + 1;
    if (trail > 0x7F) --trail;
    if (trail >= 0x9E) {
        trail -= 0x7D;
        ++row;
    } else {
        trail -= 0x1F;
    }
    // Rows past 0x74 (leads 0xED and up) are the vendors' own.
    if (row < 0x21 || row > 0x74 || trail < 0x21 || trail > 0x7E) return 0;
    return uint16_t(row << 8 | trail);
}

std::string Cp932ToUtf8(const char* text) {
    std::string out;
    for (char32_t c : DecodeCp932(text)) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace platform::font
