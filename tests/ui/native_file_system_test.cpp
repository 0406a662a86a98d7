#include "ui/file_system.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace ui {
namespace {

class NativeFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vfs_ui_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override {
        ::chmod(m_dir.c_str(), 0755);
        for (const std::string& name : list()) std::remove((m_dir + "/" + name).c_str());
        ::rmdir(m_dir.c_str());
    }

    std::string path(const std::string& name) const { return m_dir + "/" + name; }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }

    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::vector<std::string> list() const {
        std::vector<std::string> names;
        if (DIR* d = ::opendir(m_dir.c_str())) {
            while (dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n != "." && n != "..") names.push_back(n);
            }
            ::closedir(d);
        }
        return names;
    }

    FileSystem& fs = nativeFileSystem();
    std::string m_dir;
};

TEST_F(NativeFileSystemTest, FileInfoGivesSizeAndLocalModificationTime) {
    struct Case {
        std::size_t size;
        LocalTime modified;
    };
    for (const Case& c : {Case{0, {2006, 7, 3, 12, 34, 56}}, Case{1048576, {2010, 12, 25, 23, 59, 58}},
                          Case{905, {2001, 1, 1, 0, 0, 2}}}) {
        write("m.swf", std::string(c.size, 'x'));
        std::tm tm {};
        tm.tm_year = c.modified.year - 1900;
        tm.tm_mon = c.modified.month - 1;
        tm.tm_mday = c.modified.day;
        tm.tm_hour = c.modified.hour;
        tm.tm_min = c.modified.minute;
        tm.tm_sec = c.modified.second;
        tm.tm_isdst = -1;
        const std::time_t t = std::mktime(&tm);
        const timeval times[2] = {{t, 0}, {t, 0}};
        ASSERT_EQ(::utimes(path("m.swf").c_str(), times), 0);

        const core::Result<FileInfo> info = fs.fileInfo(path("m.swf"));
        ASSERT_TRUE(info.ok()) << info.error().message;
        EXPECT_EQ(info->size, c.size);
        EXPECT_EQ(info->lastModified, c.modified);
    }
}

TEST_F(NativeFileSystemTest, FileInfoFailsForMissingFilesFoldersAndNulNames) {
    EXPECT_EQ(fs.fileInfo(path("none.swf")).error().code, core::ErrorCode::NotFound);
    EXPECT_FALSE(fs.fileInfo(m_dir).ok());
    write("a", "1");
    EXPECT_EQ(fs.fileInfo(path("a") + std::string(1, '\0') + "b").error().code,
              core::ErrorCode::InvalidArgument);
}

TEST_F(NativeFileSystemTest, ReadFileReadsWholeAndHonoursTheLimit) {
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<char>(i * 7));
    write("big", bytes);
    const core::Result<std::string> all = fs.readFile(path("big"));
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(*all, bytes);
    EXPECT_EQ(fs.readFile(path("big"), 199999).error().code, core::ErrorCode::TooLarge);
    EXPECT_TRUE(fs.readFile(path("big"), 200000).ok());
    EXPECT_EQ(fs.readFile(path("none")).error().code, core::ErrorCode::NotFound);
    EXPECT_FALSE(fs.readFile(m_dir).ok());
    // A name cut at its NUL would be the folder; it must not be read as anything.
    EXPECT_EQ(fs.readFile(m_dir + std::string(1, '\0') + "x").error().code,
              core::ErrorCode::InvalidArgument);
}

TEST_F(NativeFileSystemTest, ReplaceFileCreatesAndReplacesLeavingNoTemporaryFile) {
    ASSERT_TRUE(fs.replaceFile(path("p.Kvx"), "first").ok());
    EXPECT_EQ(read("p.Kvx"), "first");
    ASSERT_TRUE(fs.replaceFile(path("p.Kvx"), "second, longer").ok());
    EXPECT_EQ(read("p.Kvx"), "second, longer");
    ASSERT_TRUE(fs.replaceFile(path("p.Kvx"), "").ok());
    EXPECT_EQ(read("p.Kvx"), "");
    EXPECT_EQ(list(), std::vector<std::string>{"p.Kvx"});
}

TEST_F(NativeFileSystemTest, ReplaceFileKeepsTheModeOfTheFileItReplaces) {
    write("p.Kvx", "old");
    ::chmod(path("p.Kvx").c_str(), 0640);
    ASSERT_TRUE(fs.replaceFile(path("p.Kvx"), "new").ok());
    struct stat st {};
    ASSERT_EQ(::stat(path("p.Kvx").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(NativeFileSystemTest, ReplaceFileRefusesFoldersAndMissingFolders) {
    ::mkdir(path("sub").c_str(), 0755);
    EXPECT_FALSE(fs.replaceFile(path("sub"), "x").ok());
    EXPECT_FALSE(fs.replaceFile(path("nofolder/p.Kvx"), "x").ok());
    EXPECT_FALSE(fs.replaceFile(path("p.Kvx") + std::string(1, '\0'), "x").ok());
    ::rmdir(path("sub").c_str());
    EXPECT_TRUE(list().empty());
}

TEST_F(NativeFileSystemTest, ReplaceFileInAReadOnlyFolderFailsAndKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    write("p.Kvx", "old");
    ::chmod(m_dir.c_str(), 0555);
    const core::Status s = fs.replaceFile(path("p.Kvx"), "new");
    ::chmod(m_dir.c_str(), 0755);
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.error().message.find("p.Kvx"), std::string::npos);
    EXPECT_EQ(read("p.Kvx"), "old");
}

TEST_F(NativeFileSystemTest, ReplaceFileThatRunsOutOfSpaceKeepsTheOldFile) {
    // A file size limit stands in for a full disk: the write fails part way.
    write("p.Kvx", "old content");
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const core::Status s = fs.replaceFile(path("p.Kvx"), std::string(100000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().code, core::ErrorCode::IoError);
    EXPECT_NE(s.error().message.find("p.Kvx"), std::string::npos);
    EXPECT_EQ(read("p.Kvx"), "old content");
    EXPECT_EQ(list(), std::vector<std::string>{"p.Kvx"});
}

}  // namespace
}  // namespace ui
