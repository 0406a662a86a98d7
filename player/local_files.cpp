#include "player/local_files.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "player/script_host.h"

namespace player {

LocalFileLoader filesBeside(const std::string& moviePath) {
    const std::filesystem::path folder = std::filesystem::path(moviePath).parent_path();
    return [folder](const std::string& relativePath) -> std::optional<std::vector<std::uint8_t>> {
        if (!ScriptHost::isSafeLocalPath(relativePath)) return std::nullopt;
        const std::filesystem::path file = folder / std::filesystem::path(relativePath);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
        const std::uintmax_t size = std::filesystem::file_size(file, ec);
        if (ec || size > kMaxLoadedFileBytes) return std::nullopt;
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) return std::nullopt;
        return bytes;
    };
}

}  // namespace player
