// The padded screensaver runtime that flashsaver.exe carries as resource "CUSTOM" 102.
#include <string>

#include "builders/runtime_image_win32.h"

namespace cli {

std::string carriedSaverImage() {
    builders::ResourceRuntimeImage image(builders::kSaverRuntimeResourceId);
    core::Result<std::string> bytes = image.fetchImage();
    return bytes ? std::move(*bytes) : std::string();
}

}  // namespace cli
