#include "builders/output_name.h"

namespace builders {

std::string_view lastPathComponent(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::optional<std::string> outputName(std::string_view outputFolder, std::string_view listedName,
                                      std::string_view extension) {
    const std::size_t dot = listedName.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    std::string name;
    name.reserve(outputFolder.size() + dot + extension.size());
    name.append(outputFolder);
    name.append(listedName.substr(0, dot));
    name.append(extension);
    return name;
}

bool hasWildcard(std::string_view path) {
    return path.find_first_of("*?") != std::string_view::npos;
}

}  // namespace builders
