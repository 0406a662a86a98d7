#pragma once
// Comparing trace output with the expected text: exactly, or with numeric slack.

#include <optional>
#include <string>
#include <string_view>

namespace conformance {

struct NumericSlack {
    std::optional<double> epsilon, maxRelative;
    bool any() const { return epsilon || maxRelative; }
};

// True when the outputs match line for line; with slack, numbers that differ by at most the
// epsilon (or the relative limit) count as equal and all other text must match exactly.
bool traceMatches(std::string_view actual, std::string_view expected, const NumericSlack& slack);

}  // namespace conformance
