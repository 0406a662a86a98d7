// The script conformance harness: every case under corpus/ruffle/avm1 runs headless for the
// frames its test.toml asks for (or until it calls fscommand("quit")) and its trace output is
// compared with output.txt, with the numeric slack of [approximations] where given. One line
// per case, then the pass rate; the test fails when the rate falls below trace_floor.txt.
#include <gtest/gtest.h>

#include "player/local_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "case_setup.h"
#include "player/player.h"
#include "player/script_host.h"
#include "trace_match.h"

namespace {

std::string sharedDir() {
    if (const char* env = std::getenv("VFS_SHARED_DIR")) return env;
    return std::string(VFS_SOURCE_DIR) + "/../shared";
}

bool exists(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0;
}

void findCases(const std::string& dir, const std::string& rel, std::vector<std::string>& out) {
    if (exists(dir + "/test.swf") && exists(dir + "/output.txt")) out.push_back(rel);
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        struct stat st {};
        std::string p = dir + "/" + n;
        if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) findCases(p, rel.empty() ? n : rel + "/" + n, out);
    }
}

std::string readText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Runs one case; returns its trace output.
std::string runTrace(const std::string& dir, const conformance::CaseSetup& setup, std::string& note) {
    player::PlayerOptions options;
    options.loop = true;
    options.loadFile = player::filesBeside(dir + "/test.swf");
    auto loaded = player::Player::loadFile(dir + "/test.swf", options);
    if (!loaded) {
        note = "load failed: " + loaded.error().message;
        return {};
    }
    player::Player& p = **loaded;
    std::string out;
    player::ScriptHost* scripts = p.scripts();
    scripts->setTraceSink([&out](std::string_view m) {
        out.append(m);
        out += '\n';
    });
    for (int f = 0; f < setup.frames && !scripts->quitRequested(); ++f) p.advance();
    if (scripts->abortedRuns()) note = "script stopped: " + scripts->vm().lastAbort();
    return out;
}

TEST(TraceConformance, ScriptCasesPassAtLeastTheFloor) {
    const std::string root = sharedDir() + "/corpus/ruffle/avm1";
    if (!exists(root)) GTEST_SKIP() << "corpus not found at " << root;
    std::vector<std::string> cases;
    findCases(root, "", cases);
    ASSERT_FALSE(cases.empty());
    int passed = 0;
    for (const std::string& c : cases) {
        const std::string dir = root + "/" + c;
        conformance::CaseSetup setup = conformance::parseCaseSetup(readText(dir + "/test.toml"));
        std::string note;
        std::string actual = runTrace(dir, setup, note);
        if (const char* dump = std::getenv("VFS_TRACE_DUMP")) {
            // For debugging: every case's actual output goes to DUMP/<case with '_' for '/'>.txt.
            std::string file = c;
            std::replace(file.begin(), file.end(), '/', '_');
            std::ofstream(std::string(dump) + "/" + file + ".txt", std::ios::binary) << actual;
        }
        bool pass = conformance::traceMatches(actual, readText(dir + "/output.txt"),
                                              conformance::NumericSlack{setup.epsilon, setup.maxRelative});
        passed += pass;
        // VFS_TRACE_OUT=dir keeps each case's output there (a/b becomes a_b.txt) for diffing.
        if (const char* dump = std::getenv("VFS_TRACE_OUT")) {
            std::string name = c;
            std::replace(name.begin(), name.end(), '/', '_');
            std::ofstream(std::string(dump) + "/" + name + ".txt", std::ios::binary) << actual;
        }
        std::printf("%s %s%s%s\n", pass ? "PASS" : "FAIL", c.c_str(), note.empty() ? "" : "  ", note.c_str());
    }
    const double rate = 100.0 * passed / static_cast<double>(cases.size());
    std::printf("trace pass rate: %d of %zu (%.1f%%)\n", passed, cases.size(), rate);
    std::ifstream floorFile(std::string(VFS_SOURCE_DIR) + "/tests/conformance/trace_floor.txt");
    double floor = 0;
    ASSERT_TRUE(floorFile >> floor) << "tests/conformance/trace_floor.txt holds no number";
    EXPECT_GE(rate + 1e-9, floor) << "the trace pass rate fell below the recorded floor";
}

}  // namespace
