// Pattern-driven number formatting ("#,##0.00", "0.0X", "(#,##0 KB/s)").
#include "DecimalDigits.h"
#include "Text.h"
#include <cmath>
#include <string_view>
#include <vector>

namespace scrivo {

namespace {

// One piece of a pattern section: a literal character (quoted text included), a digit
// place ("0" or "#"), the decimal point (the first "."), or a grouping ",".
struct Token {
    enum Kind { Literal, Zero, Hash, Point, Comma } What;
    char Ch;
};

std::vector<Token> Tokenize(std::string_view sec)
{
    std::vector<Token> out;
    char quote = 0;
    bool point = false;
    for (char c : sec) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                out.push_back({Token::Literal, c});
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '0' || c == '#') {
            out.push_back({c == '0' ? Token::Zero : Token::Hash, c});
        } else if (c == '.' && !point) {
            point = true;
            out.push_back({Token::Point, c});
        } else if (c == ',' || c == '.') {
            out.push_back({Token::Comma, c}); // later points are ignored like commas
        } else {
            out.push_back({Token::Literal, c});
        }
    }
    return out;
}

// Splits at ";" outside quotes.
std::vector<std::string_view> Sections(std::string_view p)
{
    std::vector<std::string_view> out;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        char c = p[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            out.push_back(p.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(p.substr(start));
    return out;
}

// What a section asks for: digit places before and after the point.
struct Shape {
    int IntPlaces = 0, FirstIntZero = -1;  // index of the first "0" among integer places
    int FracPlaces = 0, LastFracZero = -1; // index of the last "0" among fraction places
    bool Grouping = false;
};

Shape Analyse(const std::vector<Token>& tokens)
{
    Shape s;
    bool frac = false;
    for (const Token& t : tokens) {
        if (t.What == Token::Point) {
            frac = true;
        } else if (t.What == Token::Comma) {
            s.Grouping = s.Grouping || t.Ch == ',';
        } else if (t.What != Token::Literal && frac) {
            if (t.What == Token::Zero)
                s.LastFracZero = s.FracPlaces;
            ++s.FracPlaces;
        } else if (t.What != Token::Literal) {
            if (t.What == Token::Zero && s.FirstIntZero < 0)
                s.FirstIntZero = s.IntPlaces;
            ++s.IntPlaces;
        }
    }
    return s;
}

std::string Render(const std::vector<Token>& tokens, const Shape& s, const FixedDigits& d, bool minus,
                   const FormatSettings& fs)
{
    // The integer digits to show: at least as many as the first "0" place demands.
    std::string digits = d.Int;
    int minInt = s.FirstIntZero < 0 ? 0 : s.IntPlaces - s.FirstIntZero;
    if (static_cast<int>(digits.size()) < minInt)
        digits.insert(0, minInt - digits.size(), '0');
    std::string frac = d.Frac;
    while (static_cast<int>(frac.size()) > s.LastFracZero + 1 && frac.back() == '0')
        frac.pop_back();

    std::string out = minus ? "-" : "";
    int n = static_cast<int>(digits.size());
    int next = 0;               // next integer digit to emit
    int skip = s.IntPlaces - n; // leading places that show nothing (negative: digits to spare)
    auto emitDigit = [&] {
        out += digits[next++];
        int left = n - next;
        if (s.Grouping && left > 0 && left % 3 == 0)
            out += fs.ThousandSeparator;
    };
    int place = 0, fracPlace = 0;
    bool inFrac = false;
    for (const Token& t : tokens) {
        if (t.What == Token::Literal) {
            out += t.Ch;
        } else if (t.What == Token::Point) {
            inFrac = true;
            while (next < n) // a pattern without integer places still shows the digits
                emitDigit();
            if (!frac.empty())
                out += fs.DecimalSeparator;
        } else if (t.What == Token::Comma) {
        } else if (inFrac) {
            if (fracPlace < static_cast<int>(frac.size()))
                out += frac[fracPlace];
            ++fracPlace;
        } else {
            if (place == 0) // the first place takes every digit the places cannot hold
                while (next < n && next < -skip)
                    emitDigit();
            if (place >= skip && next < n)
                emitDigit();
            ++place;
        }
    }
    while (next < n)
        emitDigit();
    return out;
}

} // namespace

std::string FormatFloat(const char* pattern, double value, const FormatSettings& fs)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    std::vector<std::string_view> secs = Sections(pattern ? pattern : "");
    std::string_view sec = secs[0];
    bool ownNegative = false;
    if (value < 0 && secs.size() > 1 && !secs[1].empty()) {
        sec = secs[1];
        ownNegative = true;
    }
    std::vector<Token> tokens = Tokenize(sec);
    Shape s = Analyse(tokens);
    FixedDigits d = ToFixedDigits(std::fabs(value), s.FracPlaces);
    bool zero = d.IsZero();
    if (zero && secs.size() > 2 && !secs[2].empty()) {
        tokens = Tokenize(secs[2]);
        s = Analyse(tokens);
        d = ToFixedDigits(0.0, s.FracPlaces);
        ownNegative = true;
    }
    return Render(tokens, s, d, value < 0 && !zero && !ownNegative, fs);
}

std::string FormatFloat(const char* pattern, double value)
{
    return FormatFloat(pattern, value, UserFormatSettings());
}

} // namespace scrivo
