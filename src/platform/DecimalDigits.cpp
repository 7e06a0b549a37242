#include "DecimalDigits.h"
#include <charconv>
#include <cstdlib>

namespace scrivo {

FixedDigits ToFixedDigits(double v, int decimals)
{
    // d.dddddddddddddde±x: 15 significant digits, locale-independent.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    std::string text(buf, res.ptr);
    size_t e = text.find('e');
    std::string mant = text.substr(0, 1) + text.substr(2, e - 2);
    int exp10 = std::atoi(text.c_str() + e + 1); // value = 0.mant * 10^(exp10 + 1)
    int point = exp10 + 1;                       // digits of mant before the point

    // All digits with the point at `point`, then rounded at `point + decimals`.
    int keep = point + decimals;
    std::string all = mant;
    if (keep < 0) {
        all.clear();
    } else {
        bool up = keep < static_cast<int>(all.size()) && all[keep] >= '5';
        if (keep < static_cast<int>(all.size()))
            all.resize(keep);
        all.append(keep - all.size(), '0');
        for (int i = keep - 1; up && i >= 0; --i) {
            if (all[i] == '9') {
                all[i] = '0';
            } else {
                ++all[i];
                up = false;
            }
        }
        if (up) {
            all.insert(all.begin(), '1');
            ++point;
        }
    }
    FixedDigits out;
    int intLen = static_cast<int>(all.size()) - decimals;
    if (intLen > 0) {
        out.Int = all.substr(0, intLen);
        out.Frac = all.substr(intLen);
    } else {
        out.Frac = std::string(-intLen, '0') + all;
    }
    out.Frac.resize(decimals, '0');
    size_t nz = out.Int.find_first_not_of('0');
    out.Int = nz == std::string::npos ? std::string() : out.Int.substr(nz);
    return out;
}

} // namespace scrivo
