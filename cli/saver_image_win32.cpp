// The padded screensaver runtime and standalone player that flashsaver.exe carries as resources
// "CUSTOM" 102 and 101.
#include <string>

#include "builders/runtime_image_win32.h"

namespace cli {

std::string carriedSaverImage() {
    builders::ResourceRuntimeImage image(builders::kSaverRuntimeResourceId);
    core::Result<std::string> bytes = image.fetchImage();
    return bytes ? std::move(*bytes) : std::string();
}

std::string carriedPlayerImage() {
    builders::ResourceRuntimeImage image(builders::kPlayerResourceId);
    core::Result<std::string> bytes = image.fetchImage();
    return bytes ? std::move(*bytes) : std::string();
}

}  // namespace cli
