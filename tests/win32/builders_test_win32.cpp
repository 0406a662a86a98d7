#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "builders/output_name.h"
#include "builders/runtime_image_win32.h"
#include "builders/saver_layout.h"

namespace builders {
namespace {

std::string narrow(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(std::size_t(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

class Win32Lookup : public ::testing::Test {
protected:
    std::wstring dir;
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
        dir = std::wstring(temp) + L"vfs_lookup_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    }
    void TearDown() override {
        for (const wchar_t* name : {L"Intro.Final.SWF", L"hidden.swf", L"system.swf",
                                    L"\x7535\x5f71.swf", L"plain"}) {
            SetFileAttributesW((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW((dir + name).c_str());
        }
        RemoveDirectoryW((dir + L"folder.swf").c_str());
        RemoveDirectoryW(dir.c_str());
    }
    void make(const wchar_t* name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        HANDLE h = CreateFileW((dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               attributes, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    std::string path(const std::wstring& name) { return narrow(dir + name); }
};

TEST_F(Win32Lookup, ListedNameComesFromTheDiskAndSkipsHiddenSystemAndFolders) {
    make(L"Intro.Final.SWF");
    make(L"hidden.swf", FILE_ATTRIBUTE_HIDDEN);
    make(L"system.swf", FILE_ATTRIBUTE_SYSTEM);
    make(L"\x7535\x5f71.swf");
    make(L"plain");
    ASSERT_TRUE(CreateDirectoryW((dir + L"folder.swf").c_str(), nullptr));
    FileLookup& lookup = nativeFileLookup();

    EXPECT_EQ(lookup.listedName(path(L"intro.final.swf")), "Intro.Final.SWF");
    EXPECT_EQ(lookup.listedName(path(L"INTRO.FINAL.SWF")), "Intro.Final.SWF");
    EXPECT_EQ(lookup.listedName(path(L"\x7535\x5f71.swf")), "\xe7\x94\xb5\xe5\xbd\xb1.swf");
    EXPECT_EQ(lookup.listedName(path(L"plain")), "plain");
    EXPECT_EQ(lookup.listedName(path(L"hidden.swf")), std::nullopt);
    EXPECT_EQ(lookup.listedName(path(L"system.swf")), std::nullopt);
    EXPECT_EQ(lookup.listedName(path(L"folder.swf")), std::nullopt);
    EXPECT_EQ(lookup.listedName(path(L"missing.swf")), std::nullopt);
    EXPECT_EQ(lookup.listedName(path(L"Intro*.SWF")), std::nullopt);  // no wildcard match
    EXPECT_EQ(lookup.listedName(path(L"Intro.Final.SW?")), std::nullopt);
    EXPECT_EQ(lookup.listedName(path(L"")), std::nullopt);  // the folder itself
    EXPECT_EQ(outputName("D:\\out\\", *lookup.listedName(path(L"intro.final.swf")),
                         kSaverExtension),
              "D:\\out\\Intro.Scr");
}

TEST(Win32RuntimeImage, ResourceCustom102IsThePaddedRuntimeWhole) {
    ResourceRuntimeImage resource(kSaverRuntimeResourceId);
    const core::Result<std::string> image = resource.fetchImage();
    ASSERT_TRUE(image) << image.error().message;
    ASSERT_EQ(image->size(), kSaverHeaderSize);
    EXPECT_EQ(image->substr(0, 2), "MZ");
    EXPECT_EQ(image->back(), '\0');  // padding: the movie's first byte goes here

    std::ifstream file(VFS_SAVER_IMAGE_PATH, std::ios::binary);
    ASSERT_TRUE(file) << VFS_SAVER_IMAGE_PATH;
    std::stringstream bytes;
    bytes << file.rdbuf();
    EXPECT_TRUE(bytes.str() == *image) << "the resource differs from saver_image.bin";
}

TEST(Win32RuntimeImage, AMissingResourceIsAnError) {
    ResourceRuntimeImage resource(999);
    const core::Result<std::string> image = resource.fetchImage();
    ASSERT_FALSE(image);
    EXPECT_EQ(image.error().code, core::ErrorCode::NotFound);
    EXPECT_NE(image.error().message.find("999"), std::string::npos);
}

}  // namespace
}  // namespace builders
