// The skin file's path from the program's path, including the program at a drive root.

#include <gtest/gtest.h>

#include "skin/skin_path.h"

namespace {

struct PathCase {
    const wchar_t* program;
    const wchar_t* folder;
    const wchar_t* skin;
};

class SkinPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(SkinPath, FolderAndSkinFile) {
    const PathCase& c = GetParam();
    EXPECT_EQ(skin::programFolder(c.program), c.folder);
    EXPECT_EQ(skin::skinFilePath(c.program), c.skin);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SkinPath,
    ::testing::Values(
        PathCase{L"C:\\Program Files\\Vellory\\VelloryFlashScreensaver.exe", L"C:\\Program Files\\Vellory",
                 L"C:\\Program Files\\Vellory\\skins\\frmmain.skn"},
        // At a drive root the folder keeps its backslash, so the skin path has two in a row.
        PathCase{L"C:\\VelloryFlashScreensaver.exe", L"C:\\", L"C:\\\\skins\\frmmain.skn"},
        PathCase{L"Z:\\a.exe", L"Z:\\", L"Z:\\\\skins\\frmmain.skn"},
        PathCase{L"\\\\server\\share\\tools\\v.exe", L"\\\\server\\share\\tools",
                 L"\\\\server\\share\\tools\\skins\\frmmain.skn"},
        PathCase{L"D:\\x\\y\\z\\v.exe", L"D:\\x\\y\\z", L"D:\\x\\y\\z\\skins\\frmmain.skn"},
        PathCase{L"C:/mixed/sep/v.exe", L"C:/mixed/sep", L"C:/mixed/sep\\skins\\frmmain.skn"},
        PathCase{L"v.exe", L"", L"\\skins\\frmmain.skn"}));

}  // namespace
