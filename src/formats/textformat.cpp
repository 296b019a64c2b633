#include "formats/textformat.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/text.h"

namespace orv {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWithNoCase(std::string_view s, std::size_t pos, std::string_view word)
{
    return s.size() - pos >= word.size() && EqualNoCase(s.substr(pos, word.size()), word);
}

void SkipSpace(std::string_view s, std::size_t& pos)
{
    while (pos < s.size() && IsSpace(s[pos]))
        ++pos;
}

void Pad(std::string& out, std::size_t count) { out.append(count, ' '); }

}  // namespace

// ---- number scanners ------------------------------------------------------------

bool ScanInt(std::string_view s, std::size_t& pos, int32_t& out)
{
    std::size_t p = pos;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-'))
        negative = s[p++] == '-';
    if (p >= s.size() || !IsDigit(s[p]))
        return false;
    // Saturate rather than overflow: counts and indices of damaged files can be huge.
    const int64_t limit =
        negative ? -int64_t{std::numeric_limits<int32_t>::min()} : std::numeric_limits<int32_t>::max();
    int64_t v = 0;
    for (; p < s.size() && IsDigit(s[p]); ++p)
        if (v < limit)
            v = std::min<int64_t>(limit, v * 10 + (s[p] - '0'));
    out = static_cast<int32_t>(negative ? -v : v);
    pos = p;
    return true;
}

bool ScanHex(std::string_view s, std::size_t& pos, uint32_t& out)
{
    std::size_t p = pos;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-'))
        negative = s[p++] == '-';
    if (p + 2 < s.size() && s[p] == '0' && (s[p + 1] == 'x' || s[p + 1] == 'X') && HexDigitValue(s[p + 2]) >= 0)
        p += 2;
    if (p >= s.size() || HexDigitValue(s[p]) < 0)
        return false;
    uint64_t v = 0;
    for (; p < s.size() && HexDigitValue(s[p]) >= 0; ++p)
        if (v <= 0xFFFFFFFFu)
            v = v * 16 + static_cast<uint64_t>(HexDigitValue(s[p]));
    if (v > 0xFFFFFFFFu)
        v = 0xFFFFFFFFu;
    const auto u = static_cast<uint32_t>(v);
    out = negative ? 0u - u : u;
    pos = p;
    return true;
}

bool ScanFloat(std::string_view s, std::size_t& pos, float& out)
{
    std::size_t p = pos;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-'))
        negative = s[p++] == '-';
    float v = 0.0f;
    if (StartsWithNoCase(s, p, "inf")) {
        p += StartsWithNoCase(s, p, "infinity") ? 8 : 3;
        v = std::numeric_limits<float>::infinity();
    } else if (StartsWithNoCase(s, p, "nan")) {
        p += 3;
        v = std::numeric_limits<float>::quiet_NaN();
    } else {
        const std::size_t start = p;
        std::size_t digits = 0;
        while (p < s.size() && IsDigit(s[p]))
            ++p, ++digits;
        if (p < s.size() && s[p] == '.') {
            ++p;
            while (p < s.size() && IsDigit(s[p]))
                ++p, ++digits;
        }
        if (digits == 0)
            return false;
        bool negativeExponent = false;
        if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
            std::size_t e = p + 1;
            if (e < s.size() && (s[e] == '+' || s[e] == '-'))
                negativeExponent = s[e++] == '-';
            if (e < s.size() && IsDigit(s[e])) {
                while (e < s.size() && IsDigit(s[e]))
                    ++e;
                p = e;
            } else {
                negativeExponent = false;
            }
        }
        const auto r = std::from_chars(s.data() + start, s.data() + p, v, std::chars_format::general);
        if (r.ec == std::errc::result_out_of_range) {
            double d = 0.0;
            const auto rd = std::from_chars(s.data() + start, s.data() + p, d, std::chars_format::general);
            if (rd.ec == std::errc{})
                v = std::fabs(d) > FLT_MAX ? std::numeric_limits<float>::infinity() : static_cast<float>(d);
            else
                v = negativeExponent ? 0.0f : std::numeric_limits<float>::infinity();
        } else if (r.ec != std::errc{}) {
            return false;
        }
    }
    out = negative ? -v : v;
    pos = p;
    return true;
}

// ---- Scan -----------------------------------------------------------------------

int Scan(std::string_view input, std::string_view format, std::initializer_list<ScanTarget> targets)
{
    std::size_t ip = 0;
    int assigned = 0;
    auto target = targets.begin();
    for (std::size_t fp = 0; fp < format.size(); ++fp) {
        const char c = format[fp];
        if (IsSpace(c)) {
            SkipSpace(input, ip);
            continue;
        }
        if (c != '%') {
            if (ip < input.size() && input[ip] == c) {
                ++ip;
                continue;
            }
            return assigned;
        }
        std::size_t width = 0;
        while (fp + 1 < format.size() && IsDigit(format[fp + 1]))
            width = width * 10 + static_cast<std::size_t>(format[++fp] - '0');
        if (fp + 1 >= format.size())
            return assigned;
        const char conv = format[++fp];
        if (conv == '%') {
            SkipSpace(input, ip);
            if (ip < input.size() && input[ip] == '%') {
                ++ip;
                continue;
            }
            return assigned;
        }
        if (target == targets.end())
            return assigned;
        SkipSpace(input, ip);
        switch (conv) {
        case 'd': {
            int32_t v = 0;
            if (target->kind() != ScanTarget::Kind::Int || !ScanInt(input, ip, v))
                return assigned;
            *target->As<int32_t>() = v;
            break;
        }
        case 'x': {
            uint32_t v = 0;
            if (target->kind() != ScanTarget::Kind::Hex || !ScanHex(input, ip, v))
                return assigned;
            *target->As<uint32_t>() = v;
            break;
        }
        case 'f': {
            float v = 0.0f;
            if (target->kind() != ScanTarget::Kind::Float || !ScanFloat(input, ip, v))
                return assigned;
            *target->As<float>() = v;
            break;
        }
        case 's': {
            const std::size_t start = ip;
            while (ip < input.size() && !IsSpace(input[ip]) && (width == 0 || ip - start < width))
                ++ip;
            if (ip == start || target->kind() != ScanTarget::Kind::Str)
                return assigned;
            target->As<std::string>()->assign(input.substr(start, ip - start));
            break;
        }
        default: return assigned;
        }
        ++assigned;
        ++target;
    }
    return assigned;
}

// ---- Appendf --------------------------------------------------------------------

void Appendf(std::string& out, std::string_view format, std::initializer_list<FormatArg> args)
{
    auto arg = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        // Literal text is copied in runs up to the next directive or line end.
        const std::size_t stop = format.find_first_of("%\n", i);
        if (stop != i) {
            out.append(format.substr(i, stop == std::string_view::npos ? std::string_view::npos : stop - i));
            if (stop == std::string_view::npos)
                break;
            i = stop;
        }
        if (format[i] == '\n') {
            out += "\r\n";
            continue;
        }
        if (i + 1 >= format.size()) {
            out += '%';
            continue;
        }
        ++i;
        bool left = false, zero = false;
        for (; i < format.size() && (format[i] == '-' || format[i] == '0'); ++i)
            (format[i] == '-' ? left : zero) = true;
        std::size_t width = 0;
        for (; i < format.size() && IsDigit(format[i]); ++i)
            width = width * 10 + static_cast<std::size_t>(format[i] - '0');
        int precision = -1;
        if (i < format.size() && format[i] == '.') {
            precision = 0;
            for (++i; i < format.size() && IsDigit(format[i]); ++i)
                precision = precision * 10 + (format[i] - '0');
        }
        if (i >= format.size())
            break;
        const char conv = format[i];
        if (conv == '%') {
            out += '%';
            continue;
        }
        if (arg == args.end())
            continue;
        const FormatArg& a = *arg++;

        // Large enough for any double in fixed notation (about 310 digits) plus decimals.
        char buf[400];
        std::string_view body;
        switch (conv) {
        case 'd': {
            const auto r = std::to_chars(buf, buf + sizeof buf, a.Int());
            body = std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
            break;
        }
        case 'x': {
            const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<uint32_t>(a.Int()), 16);
            body = std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
            break;
        }
        case 'f': {
            const int prec = precision < 0 ? 6 : std::min(precision, 60);
            const auto r = std::to_chars(buf, buf + sizeof buf, a.Float(), std::chars_format::fixed, prec);
            body = r.ec == std::errc{} ? std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)) : "0";
            break;
        }
        case 's': body = a.Str(); break;
        default: continue;
        }
        if (body.size() >= width) {
            out += body;
        } else if (left) {
            out += body;
            Pad(out, width - body.size());
        } else if (zero && (conv == 'd' || conv == 'x' || (conv == 'f' && IsDigit(body.back())))) {
            // Zeros go between the sign and the digits (never into "inf" or "nan").
            std::size_t sign = (!body.empty() && body[0] == '-') ? 1 : 0;
            out += body.substr(0, sign);
            out.append(width - body.size(), '0');
            out += body.substr(sign);
        } else {
            Pad(out, width - body.size());
            out += body;
        }
    }
}

std::string Format(std::string_view format, std::initializer_list<FormatArg> args)
{
    std::string out;
    Appendf(out, format, args);
    return out;
}

}  // namespace orv
