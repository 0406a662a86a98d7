// Format sniffing and size limits shared by the decoders (see image.h).
#include "codec/image.h"

namespace codec {

ImageFormat sniffFormat(std::span<const std::uint8_t> d) {
    if (d.size() >= 8 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G' && d[4] == 0x0D &&
        d[5] == 0x0A && d[6] == 0x1A && d[7] == 0x0A)
        return ImageFormat::Png;
    if (d.size() >= 6 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8' &&
        (d[4] == '7' || d[4] == '9') && d[5] == 'a')
        return ImageFormat::Gif;
    if (d.size() >= 2 && d[0] == 0xFF && (d[1] == 0xD8 || d[1] == 0xD9)) return ImageFormat::Jpeg;
    return ImageFormat::Unknown;
}

core::Status checkImageSize(std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0) return core::makeError(core::ErrorCode::Corrupt, "image has no pixels");
    if (width > static_cast<std::uint32_t>(kMaxImageSide) ||
        height > static_cast<std::uint32_t>(kMaxImageSide) ||
        static_cast<std::size_t>(width) * height > kMaxImagePixels)
        return core::makeError(core::ErrorCode::TooLarge, "image is too large");
    return core::okStatus();
}

}  // namespace codec
