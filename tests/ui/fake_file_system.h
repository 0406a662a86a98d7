#pragma once
// An in-memory ui::FileSystem for tests: files are served from a map, single operations can be
// made to fail, and every request is recorded. Paths are compared as given (no case folding).

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/file_system.h"

namespace ui::testing {

class FakeFileSystem : public FileSystem {
public:
    struct Entry {
        std::string bytes;
        LocalTime lastModified;
        std::optional<core::Error> infoError;  // fileInfo fails with this
        std::optional<core::Error> readError;  // readFile fails with this
    };

    std::map<std::string, Entry, std::less<>> files;
    // The next replaceFile calls fail with these, front first (the files stay untouched).
    std::vector<core::Error> replaceErrors;
    std::vector<std::string> infoRequests;
    std::vector<std::string> readRequests;
    std::vector<std::string> replaceRequests;

    Entry& add(std::string path, std::string bytes, LocalTime lastModified = {2006, 7, 3, 12, 0, 0}) {
        Entry& e = files[std::move(path)];
        e.bytes = std::move(bytes);
        e.lastModified = lastModified;
        return e;
    }

    core::Result<FileInfo> fileInfo(std::string_view path) override {
        infoRequests.emplace_back(path);
        const auto it = files.find(path);
        if (it == files.end()) return notFound(path);
        if (it->second.infoError) return *it->second.infoError;
        return FileInfo{it->second.bytes.size(), it->second.lastModified};
    }

    core::Result<std::string> readFile(std::string_view path, std::size_t maxBytes) override {
        readRequests.emplace_back(path);
        const auto it = files.find(path);
        if (it == files.end()) return notFound(path);
        if (it->second.readError) return *it->second.readError;
        if (it->second.bytes.size() > maxBytes) {
            return core::makeError(core::ErrorCode::TooLarge, "too large");
        }
        return it->second.bytes;
    }

    core::Status replaceFile(std::string_view path, std::string_view bytes) override {
        replaceRequests.emplace_back(path);
        if (!replaceErrors.empty()) {
            core::Error e = replaceErrors.front();
            replaceErrors.erase(replaceErrors.begin());
            return e;
        }
        files[std::string(path)].bytes.assign(bytes);
        return core::okStatus();
    }

private:
    static core::Error notFound(std::string_view path) {
        return core::makeError(core::ErrorCode::NotFound,
                               "cannot open \"" + std::string(path) + "\": no such file");
    }
};

}  // namespace ui::testing
