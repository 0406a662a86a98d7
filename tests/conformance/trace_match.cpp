#include "trace_match.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace conformance {

namespace {

std::vector<std::string_view> lines(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < s.size()) {
        std::size_t nl = s.find('\n', start);
        if (nl == std::string_view::npos) nl = s.size();
        std::string_view l = s.substr(start, nl - start);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        out.push_back(l);
        start = nl + 1;
    }
    return out;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number ("-1.25", "3e-7") at `i`; false when none starts there.
bool readNumber(std::string_view s, std::size_t& i, double& value) {
    std::size_t k = i;
    if (k < s.size() && s[k] == '-') ++k;
    if (k >= s.size() || !isDigit(s[k])) return false;
    while (k < s.size() && (isDigit(s[k]) || s[k] == '.')) ++k;
    if (k < s.size() && (s[k] == 'e' || s[k] == 'E')) {
        std::size_t e = k + 1;
        if (e < s.size() && (s[e] == '-' || s[e] == '+')) ++e;
        if (e < s.size() && isDigit(s[e])) {
            k = e;
            while (k < s.size() && isDigit(s[k])) ++k;
        }
    }
    value = std::strtod(std::string(s.substr(i, k - i)).c_str(), nullptr);
    i = k;
    return true;
}

bool close(double a, double b, const NumericSlack& slack) {
    if (a == b) return true;
    double diff = std::fabs(a - b);
    if (slack.epsilon && diff <= *slack.epsilon) return true;
    if (slack.maxRelative && diff <= *slack.maxRelative * std::max(std::fabs(a), std::fabs(b))) return true;
    return false;
}

bool lineMatches(std::string_view a, std::string_view b, const NumericSlack& slack) {
    if (a == b) return true;
    if (!slack.any()) return false;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        double x, y;
        std::size_t i2 = i, j2 = j;
        bool nx = readNumber(a, i2, x), ny = readNumber(b, j2, y);
        if (nx && ny) {
            if (!close(x, y, slack)) return false;
            i = i2;
            j = j2;
            continue;
        }
        if (a[i] != b[j]) return false;
        ++i;
        ++j;
    }
    return i == a.size() && j == b.size();
}

}  // namespace

bool traceMatches(std::string_view actual, std::string_view expected, const NumericSlack& slack) {
    auto la = lines(actual), lb = lines(expected);
    // A missing final newline or trailing empty lines do not count.
    while (!la.empty() && la.back().empty()) la.pop_back();
    while (!lb.empty() && lb.back().empty()) lb.pop_back();
    if (la.size() != lb.size()) return false;
    for (std::size_t k = 0; k < la.size(); ++k)
        if (!lineMatches(la[k], lb[k], slack)) return false;
    return true;
}

}  // namespace conformance
