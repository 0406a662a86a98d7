#pragma once
// The few keys of a picture case's test.toml that the conformance harness needs, read
// leniently: line by line, quoted and dotted keys, [tables] and [[array tables]], one-line and
// multi-line inline tables. Anything else is ignored, so newer syntax cannot stop a run.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace conformance {

struct Check {
    int tolerance = 0;
    long maxOutliers = 0;
};

enum class TriggerKind { LastFrame, Frame, FsCommand };

struct Comparison {
    std::string name;  // the picture is NAME.expected.png
    TriggerKind trigger = TriggerKind::LastFrame;
    int frame = 0;  // TriggerKind::Frame: 1-based iteration
    std::vector<Check> checks;  // all must pass
    bool knownFailure = false;
};

struct CaseSetup {
    int frames = 1;  // num_frames or num_ticks
    bool withRenderer = false;
    std::string quality = "high";
    std::optional<int> viewportWidth, viewportHeight;
    bool knownFailure = false;
    std::vector<Comparison> comparisons;
    // [approximations]: numbers in trace lines may differ by this much (absolute / relative).
    std::optional<double> epsilon, maxRelative;
};

CaseSetup parseCaseSetup(std::string_view toml);

// Splits a dotted TOML key into its parts ("a.\"b.c\".d" -> a, b.c, d); exposed for tests.
std::vector<std::string> splitKey(std::string_view key);

}  // namespace conformance
