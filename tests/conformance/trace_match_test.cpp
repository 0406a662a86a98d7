#include "trace_match.h"

#include <gtest/gtest.h>

namespace {

using conformance::NumericSlack;
using conformance::traceMatches;

struct MatchCase {
    const char* actual;
    const char* expected;
    NumericSlack slack;
    bool match;
};

TEST(TraceMatch, LinesAndNumbers) {
    const MatchCase cases[] = {
        {"a\nb\n", "a\nb\n", {}, true},
        {"a\nb", "a\nb\n\n", {}, true},                         // trailing blank lines
        {"a\r\nb\r\n", "a\nb\n", {}, true},                     // CRLF expected files
        {"a\nc\n", "a\nb\n", {}, false},
        {"a\n", "a\nb\n", {}, false},                           // a missing line
        {"0.30000000000000004\n", "0.3\n", {}, false},          // no slack: exact
        {"0.30000000000000004\n", "0.3\n", {1e-14, {}}, true},
        {"x=0.31\n", "x=0.3\n", {1e-14, {}}, false},
        {"x=1.001 y\n", "x=1 y\n", {{}, 0.01}, true},
        {"x=1.001 z\n", "x=1 y\n", {{}, 0.01}, false},          // text around numbers must match
        {"-2.5e-7\n", "-2.5e-7\n", {1e-14, {}}, true},
        {"12\n", "12 \n", {1e-3, {}}, false},
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(traceMatches(c.actual, c.expected, c.slack), c.match) << c.actual << " vs " << c.expected;
}

}  // namespace
