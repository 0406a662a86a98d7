// The help viewer's command line and the web addresses, as the help and web commands build them.

#include "app/help_links.h"

#include <gtest/gtest.h>

#include <string>

#include "app/control_ids.h"
#include "skin/skin_path.h"

namespace {

struct HelpLineCase {
    const char* what;
    const wchar_t* windowsDirectory;
    const wchar_t* programPath;  // the running program's full path
    const wchar_t* expected;
};

class HelpCommandLine : public ::testing::TestWithParam<HelpLineCase> {};

// The program folder comes from the program's own path exactly as the program finds its skin.
TEST_P(HelpCommandLine, IsViewerSpaceAndHelpFileWithoutQuotes) {
    const HelpLineCase& c = GetParam();
    const std::wstring folder = skin::programFolder(c.programPath);
    EXPECT_EQ(app::helpCommandLine(c.windowsDirectory, folder), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Folders, HelpCommandLine,
    ::testing::Values(
        HelpLineCase{"plain folder", L"C:\\WINDOWS", L"C:\\Tools\\Vellory\\VelloryFlashScreensaver.exe",
                     L"C:\\WINDOWS\\hh.exe C:\\Tools\\Vellory\\help.chm"},
        HelpLineCase{"spaces stay unquoted", L"C:\\windows",
                     L"C:\\Program Files\\Vellory Flash Screensaver\\VelloryFlashScreensaver.exe",
                     L"C:\\windows\\hh.exe C:\\Program Files\\Vellory Flash Screensaver\\help.chm"},
        HelpLineCase{"drive root keeps its backslash", L"C:\\windows", L"D:\\VelloryFlashScreensaver.exe",
                     L"C:\\windows\\hh.exe D:\\\\help.chm"},
        HelpLineCase{"network share", L"C:\\windows", L"\\\\server\\share\\vfs\\VelloryFlashScreensaver.exe",
                     L"C:\\windows\\hh.exe \\\\server\\share\\vfs\\help.chm"},
        HelpLineCase{"characters outside ASCII", L"C:\\windows", L"C:\\Programme\\\u5c4f\u4fdd\\vfs.exe",
                     L"C:\\windows\\hh.exe C:\\Programme\\\u5c4f\u4fdd\\help.chm"}));

TEST(HelpViewer, IsHhInTheWindowsFolder) {
    EXPECT_EQ(app::helpViewerPath(L"C:\\WINDOWS"), L"C:\\WINDOWS\\hh.exe");
    // The command line starts with exactly the program that is started.
    const std::wstring line = app::helpCommandLine(L"C:\\WINDOWS", L"E:\\x y");
    EXPECT_EQ(line.rfind(app::helpViewerPath(L"C:\\WINDOWS") + L" ", 0), 0u);
}

struct UrlCase {
    const char* what;
    const wchar_t* override;
    const wchar_t* home;
    const wchar_t* support;
};

class WebAddresses : public ::testing::TestWithParam<UrlCase> {};

TEST_P(WebAddresses, HomeIsTheRootAndSupportIsFaqAtTheRoot) {
    const UrlCase& c = GetParam();
    const std::wstring site = app::makerSite(c.override);
    EXPECT_EQ(app::homePageUrl(site), c.home) << c.what;
    EXPECT_EQ(app::supportPageUrl(site), c.support) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Sites, WebAddresses,
    ::testing::Values(
        UrlCase{"the maker's site", nullptr, L"http://www.brightmoss.example/",
                L"http://www.brightmoss.example/faq.htm"},
        UrlCase{"an empty override is no override", L"", L"http://www.brightmoss.example/",
                L"http://www.brightmoss.example/faq.htm"},
        UrlCase{"a local site without the final slash", L"http://127.0.0.1:8765", L"http://127.0.0.1:8765/",
                L"http://127.0.0.1:8765/faq.htm"},
        UrlCase{"a local site with it", L"http://127.0.0.1:8765/x/", L"http://127.0.0.1:8765/x/",
                L"http://127.0.0.1:8765/x/faq.htm"}));

// The links go to the host that the window's bottom line invites the user to visit.
TEST(WebAddresses, MakerSiteIsTheHostShownOnTheWindow) {
    const std::wstring shown(app::kWebsiteText);
    const std::wstring prefix = L"Visit Our Website: ";
    ASSERT_EQ(shown.rfind(prefix, 0), 0u);
    EXPECT_EQ(L"http://" + shown.substr(prefix.size()) + L"/", app::makerSite(nullptr));
}

}  // namespace
