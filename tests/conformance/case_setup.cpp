// Lenient reading of test.toml (see case_setup.h). Every assignment becomes a full key path
// (table path plus dotted key; inline tables add their own keys below it) and a raw value; the
// interpretation then looks only at the paths it knows.
#include "case_setup.h"

#include <cstdlib>

namespace conformance {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The position of `c` outside quoted strings, or npos.
std::size_t findOutsideQuotes(std::string_view s, char c, std::size_t from = 0) {
    char quote = 0;
    for (std::size_t i = from; i < s.size(); ++i) {
        if (quote) {
            if (s[i] == '\\' && quote == '"') ++i;
            else if (s[i] == quote) quote = 0;
        } else if (s[i] == '"' || s[i] == '\'') {
            quote = s[i];
        } else if (s[i] == c) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string stripComment(std::string_view line) {
    std::size_t hash = findOutsideQuotes(line, '#');
    return std::string(trim(line.substr(0, hash)));
}

std::string unquote(std::string_view v) {
    v = trim(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return std::string(v.substr(1, v.size() - 2));
    return std::string(v);
}

struct Entry {
    std::vector<std::string> path;
    std::string value;
};

void addAssignments(std::string_view body, const std::vector<std::string>& base,
                    std::vector<Entry>& out);

// One "key = value" (value possibly an inline table).
void addAssignment(std::string_view text, const std::vector<std::string>& base,
                   std::vector<Entry>& out) {
    std::size_t eq = findOutsideQuotes(text, '=');
    if (eq == std::string_view::npos) return;
    std::vector<std::string> path = base;
    for (std::string& k : splitKey(trim(text.substr(0, eq)))) path.push_back(std::move(k));
    std::string_view value = trim(text.substr(eq + 1));
    if (!value.empty() && value.front() == '{') {
        std::size_t close = value.rfind('}');
        if (close == std::string_view::npos) close = value.size();
        addAssignments(value.substr(1, close - 1), path, out);
        return;
    }
    out.push_back(Entry{std::move(path), unquote(value)});
}

// Comma-separated assignments of an inline table (nested braces kept together).
void addAssignments(std::string_view body, const std::vector<std::string>& base,
                    std::vector<Entry>& out) {
    int depth = 0;
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= body.size(); ++i) {
        const char c = i < body.size() ? body[i] : ',';
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') quote = c;
        else if (c == '{' || c == '[') ++depth;
        else if (c == '}' || c == ']') --depth;
        else if ((c == ',' || c == '\n') && depth == 0) {
            std::string_view part = trim(body.substr(start, i - start));
            if (!part.empty()) addAssignment(part, base, out);
            start = i + 1;
        }
    }
}

int braceBalance(std::string_view s) {
    int n = 0;
    char quote = 0;
    for (char c : s) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '{') {
            ++n;
        } else if (c == '}') {
            --n;
        }
    }
    return n;
}

std::vector<Entry> flatten(std::string_view toml, std::vector<std::vector<std::string>>& tables) {
    std::vector<Entry> out;
    std::vector<std::string> table;
    std::vector<std::pair<std::vector<std::string>, int>> arrayCounts;
    std::string pending;
    std::size_t pos = 0;
    while (pos <= toml.size()) {
        std::size_t nl = toml.find('\n', pos);
        if (nl == std::string_view::npos) nl = toml.size();
        std::string line = stripComment(toml.substr(pos, nl - pos));
        pos = nl + 1;
        if (!pending.empty()) {
            pending += "\n" + line;
            if (braceBalance(pending) > 0) continue;
            line = std::move(pending);
            pending.clear();
        }
        if (line.empty()) continue;
        if (line.rfind("[[", 0) == 0) {
            std::size_t end = line.find("]]");
            table = splitKey(trim(std::string_view(line).substr(2, end == std::string::npos ? line.size() - 2 : end - 2)));
            int index = 0;
            bool found = false;
            for (auto& [p, n] : arrayCounts)
                if (p == table) {
                    index = ++n;
                    found = true;
                }
            if (!found) arrayCounts.emplace_back(table, 0);
            table.back() += "#" + std::to_string(index);
            tables.push_back(table);
            continue;
        }
        if (line.front() == '[') {
            std::size_t end = findOutsideQuotes(line, ']');
            table = splitKey(trim(std::string_view(line).substr(1, end == std::string::npos ? line.size() - 1 : end - 1)));
            tables.push_back(table);
            continue;
        }
        if (braceBalance(line) > 0) {
            pending = line;
            continue;
        }
        addAssignment(line, table, out);
    }
    return out;
}

long toLong(const std::string& v, long fallback) {
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    return end == v.c_str() ? fallback : static_cast<long>(d);
}

Comparison& comparison(CaseSetup& setup, const std::string& name) {
    for (Comparison& c : setup.comparisons)
        if (c.name == name) return c;
    setup.comparisons.push_back(Comparison{name, TriggerKind::LastFrame, 0, {}, false});
    return setup.comparisons.back();
}

}  // namespace

std::vector<std::string> splitKey(std::string_view key) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= key.size()) {
        std::size_t dot = findOutsideQuotes(key, '.', start);
        if (dot == std::string_view::npos) dot = key.size();
        parts.push_back(unquote(key.substr(start, dot - start)));
        start = dot + 1;
    }
    return parts;
}

CaseSetup parseCaseSetup(std::string_view toml) {
    CaseSetup setup;
    std::vector<std::vector<std::string>> tables;
    std::vector<Entry> entries = flatten(toml, tables);
    // A [image_comparisons.NAME] header alone declares a comparison with default settings.
    for (const auto& t : tables)
        if (t.size() == 2 && t[0] == "image_comparisons") comparison(setup, t[1]);
    // Check lists: NAME -> (index -> check).
    struct CheckEntry {
        std::string name;
        std::string index;
        Check check;
    };
    std::vector<CheckEntry> checks;
    struct Defaults {
        std::string name;
        Check check;
    };
    std::vector<Defaults> defaults;
    auto defaultsOf = [&](const std::string& name) -> Check& {
        for (Defaults& d : defaults)
            if (d.name == name) return d.check;
        defaults.push_back(Defaults{name, {}});
        return defaults.back().check;
    };
    for (const Entry& e : entries) {
        const auto& p = e.path;
        if (p.size() == 1 && (p[0] == "num_frames" || p[0] == "num_ticks")) {
            setup.frames = static_cast<int>(toLong(e.value, 1));
        } else if (p.size() == 2 && p[0] == "approximations" && p[1] == "epsilon") {
            setup.epsilon = std::strtod(e.value.c_str(), nullptr);
        } else if (p.size() == 2 && p[0] == "approximations" && p[1] == "max_relative") {
            setup.maxRelative = std::strtod(e.value.c_str(), nullptr);
        } else if (p.size() == 1 && p[0] == "known_failure") {
            setup.knownFailure = e.value == "true";
        } else if (p.size() >= 2 && p[0] == "player_options" && p[1] == "with_renderer") {
            setup.withRenderer = true;
            if (p.size() == 3 && p[2] == "quality") setup.quality = e.value;
        } else if (p.size() == 3 && p[0] == "player_options" && p[1] == "viewport_dimensions") {
            if (p[2] == "width") setup.viewportWidth = static_cast<int>(toLong(e.value, 0));
            if (p[2] == "height") setup.viewportHeight = static_cast<int>(toLong(e.value, 0));
        } else if (p.size() >= 3 && p[0] == "image_comparisons") {
            Comparison& c = comparison(setup, p[1]);
            if (p.size() == 3) {
                if (p[2] == "trigger") {
                    if (e.value == "last_frame") {
                        c.trigger = TriggerKind::LastFrame;
                    } else if (e.value == "fs_command") {
                        c.trigger = TriggerKind::FsCommand;
                    } else {
                        c.trigger = TriggerKind::Frame;
                        c.frame = static_cast<int>(toLong(e.value, 0));
                    }
                } else if (p[2] == "tolerance") {
                    defaultsOf(p[1]).tolerance = static_cast<int>(toLong(e.value, 0));
                } else if (p[2] == "max_outliers") {
                    defaultsOf(p[1]).maxOutliers = toLong(e.value, 0);
                } else if (p[2] == "known_failure") {
                    c.knownFailure = e.value == "true";
                }
            } else if (p.size() == 4 && p[2].rfind("checks#", 0) == 0) {
                CheckEntry* ce = nullptr;
                for (CheckEntry& x : checks)
                    if (x.name == p[1] && x.index == p[2]) ce = &x;
                if (!ce) {
                    checks.push_back(CheckEntry{p[1], p[2], {}});
                    ce = &checks.back();
                }
                if (p[3] == "tolerance") ce->check.tolerance = static_cast<int>(toLong(e.value, 0));
                if (p[3] == "max_outliers") ce->check.maxOutliers = toLong(e.value, 0);
            }
        }
    }
    // Check lists named by header only (no keys) still count as one default check each.
    for (const auto& t : tables)
        if (t.size() == 3 && t[0] == "image_comparisons" && t[2].rfind("checks#", 0) == 0) {
            bool seen = false;
            for (const CheckEntry& x : checks) seen = seen || (x.name == t[1] && x.index == t[2]);
            if (!seen) checks.push_back(CheckEntry{t[1], t[2], {}});
        }
    for (Comparison& c : setup.comparisons) {
        for (const CheckEntry& x : checks)
            if (x.name == c.name) c.checks.push_back(x.check);
        if (c.checks.empty()) c.checks.push_back(defaultsOf(c.name));
    }
    return setup;
}

}  // namespace conformance
