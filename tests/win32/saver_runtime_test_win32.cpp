#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "builders/saver_layout.h"
#include "saver_runtime/runtime_files_win32.h"

namespace saver_runtime {
namespace {

TEST(Win32RuntimeFiles, OwnPathAndTemporaryFolder) {
    const std::wstring own = ownModulePath();
    ASSERT_GT(own.size(), 4u);
    EXPECT_EQ(own.substr(own.size() - 4), L".exe");
    EXPECT_NE(GetFileAttributesW(own.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring temp = temporaryFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), L'\\');
    EXPECT_GT(temp.size(), 3u) << "the temporary folder itself, not its drive's root";
}

TEST(Win32RuntimeFiles, WholeFilesReplacedAndReadBack) {
    Win32RuntimeFiles files;
    const std::wstring path =
        temporaryFolder() + L"vfs_rt_" + std::to_wstring(GetCurrentProcessId()) + L".bin";
    std::string big(3 * 1024 * 1024 + 7, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31);
    ASSERT_TRUE(files.writeWhole(path, big));
    EXPECT_EQ(files.readWhole(path), big);
    ASSERT_TRUE(files.writeWhole(path, "short"));  // replaces the longer file whole
    EXPECT_EQ(files.readWhole(path), "short");
    ASSERT_TRUE(files.writeWhole(path, ""));
    EXPECT_EQ(files.readWhole(path), "");
    DeleteFileW(path.c_str());
    EXPECT_EQ(files.readWhole(path), std::nullopt);
    EXPECT_FALSE(files.writeWhole(temporaryFolder() + L"no such folder\\x.swf", "x"));
}

// The running test program stands in for a saver file with no movie joined to it: extraction
// from the real module path copies it and writes an empty movie.
TEST(Win32RuntimeFiles, ExtractionFromTheRunningProgram) {
    Win32RuntimeFiles files;
    const std::wstring temp = temporaryFolder() + L"vfs_rt_dir_" +
                              std::to_wstring(GetCurrentProcessId()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    const Extraction e = extractMovie(files, ownModulePath(), temp);
    EXPECT_TRUE(e.copyWritten);
    EXPECT_TRUE(e.movieWritten);
    const auto own = files.readWhole(ownModulePath());
    ASSERT_TRUE(own);
    EXPECT_EQ(files.readWhole(temp + L"gtswf.tmp"), own);
    EXPECT_EQ(files.readWhole(temp + L"kpl1.swf"), std::string(builders::saverMovie(*own)));
    DeleteFileW((temp + L"gtswf.tmp").c_str());
    DeleteFileW((temp + L"kpl1.swf").c_str());
    RemoveDirectoryW(temp.c_str());
}

}  // namespace
}  // namespace saver_runtime
