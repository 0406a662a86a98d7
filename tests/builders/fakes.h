#pragma once
// Test doubles for the builders: a file lookup over the fake file system and a scripted folder
// browser.

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builders/output_folder.h"
#include "builders/output_name.h"
#include "tests/ui/fake_file_system.h"

namespace builders::testing {

// Lists the files of a FakeFileSystem under their last path component, or under a name given
// in `stored` (to model a disk that stores a different case than the list holds).
class FakeFileLookup final : public FileLookup {
public:
    explicit FakeFileLookup(ui::testing::FakeFileSystem& fs) : m_fs(fs) {}
    std::map<std::string, std::string, std::less<>> stored;

    std::optional<std::string> listedName(std::string_view path) override {
        if (m_fs.files.find(path) == m_fs.files.end()) return std::nullopt;
        const auto it = stored.find(path);
        if (it != stored.end()) return it->second;
        return std::string(lastPathComponent(path));
    }

private:
    ui::testing::FakeFileSystem& m_fs;
};

class FakeFolderBrowser final : public FolderBrowser {
public:
    // Answers taken from the front: a path, or nullopt for Cancel. Unscripted calls cancel.
    std::deque<std::optional<std::string>> answers;
    std::vector<FolderBrowseRequest> requests;

    std::optional<std::string> browseForFolder(const FolderBrowseRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> a = answers.front();
        answers.pop_front();
        return a;
    }
};

}  // namespace builders::testing
