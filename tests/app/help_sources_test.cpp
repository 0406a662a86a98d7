// The help file's sources: every page is in the project, the contents and the index name only
// pages that exist, and no page links to a missing file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kHelpDir = fs::path(VFS_SOURCE_DIR) / "resources" / "help";

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> matches(const std::string& text, const std::regex& re) {
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
        out.push_back((*it)[1].str());
    }
    return out;
}

std::set<std::string> pages() {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(kHelpDir)) {
        if (e.path().extension() == ".htm") out.insert(e.path().filename().string());
    }
    return out;
}

// The [FILES] section of the project.
std::set<std::string> projectFiles() {
    std::istringstream in(readAll(kHelpDir / "help.hhp"));
    std::set<std::string> out;
    bool inFiles = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inFiles = line == "[FILES]";
            continue;
        }
        if (inFiles && !line.empty()) out.insert(line);
    }
    return out;
}

TEST(HelpSources, EveryPageIsCompiledIn) {
    ASSERT_TRUE(fs::exists(kHelpDir / "help.hhp"));
    const std::set<std::string> files = projectFiles();
    const std::set<std::string> all = pages();
    ASSERT_GE(all.size(), 10u);
    for (const std::string& page : all) EXPECT_EQ(files.count(page), 1u) << page << " is missing from [FILES]";
    for (const std::string& f : files) EXPECT_TRUE(fs::exists(kHelpDir / f)) << f << " is listed but missing";
}

struct MapFile {
    const char* name;
    std::size_t atLeast;  // entries
};

class HelpMaps : public ::testing::TestWithParam<MapFile> {};

TEST_P(HelpMaps, NameOnlyExistingPagesAndEveryEntryHasAName) {
    const std::string text = readAll(kHelpDir / GetParam().name);
    const std::vector<std::string> locals = matches(text, std::regex(R"re(<param name="Local" value="([^"]*)">)re"));
    const std::vector<std::string> names = matches(text, std::regex(R"re(<param name="Name" value="([^"]*)">)re"));
    EXPECT_GE(locals.size(), GetParam().atLeast);
    EXPECT_EQ(names.size(), locals.size());
    for (const std::string& l : locals) EXPECT_TRUE(fs::exists(kHelpDir / l)) << GetParam().name << " names " << l;
    for (const std::string& n : names) EXPECT_FALSE(n.empty());
}

INSTANTIATE_TEST_SUITE_P(ContentsAndIndex, HelpMaps,
                         ::testing::Values(MapFile{"help.hhc", 10}, MapFile{"help.hhk", 30}),
                         [](const auto& info) { return std::string(info.param.name).substr(5); });

// Every page is reachable from the contents.
TEST(HelpSources, ContentsListEveryPage) {
    const std::string toc = readAll(kHelpDir / "help.hhc");
    for (const std::string& page : pages()) {
        EXPECT_NE(toc.find("value=\"" + page + "\""), std::string::npos) << page;
    }
}

TEST(HelpSources, LinksAndStyleSheetsPointAtFilesOfTheHelp) {
    const std::regex link(R"re(href="([^"#:]+)(#[^"]*)?")re");
    for (const std::string& page : pages()) {
        const std::string html = readAll(kHelpDir / page);
        EXPECT_NE(html.find("charset=utf-8"), std::string::npos) << page << " declares no encoding";
        EXPECT_NE(html.find("<title>"), std::string::npos) << page;
        for (const std::string& target : matches(html, link)) {
            EXPECT_TRUE(fs::exists(kHelpDir / target)) << page << " links to missing " << target;
        }
    }
}

}  // namespace
