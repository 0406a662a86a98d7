#include "swf/movie.h"

#include <algorithm>
#include <string>

#include "core/inflate.h"
#include "core/lzma.h"
#include "core/text_encoding.h"
#include "swf/tag_codes.h"
#include "swf/tag_parsers.h"

namespace swf {

namespace {

constexpr std::size_t kSignatureLength = 8;  // signature, version, file length

// Reads the frame size, rate and count that follow the 8-byte signature block.
core::Result<Header> readHeaderFields(Header h, std::span<const std::uint8_t> data) {
    core::BitReader r(data);
    r.skip(kSignatureLength);
    h.frameSize = readRect(r);
    std::uint16_t rate = r.u16();
    h.frameRate = rate / 256.0;
    h.frameCount = r.u16();
    if (r.failed())
        return core::makeError(core::ErrorCode::Truncated, "movie header is truncated", r.failOffset());
    h.headerLength = static_cast<std::uint32_t>(r.position());
    return h;
}

core::Result<Header> readSignature(std::span<const std::uint8_t> file) {
    if (file.size() < kSignatureLength)
        return core::makeError(core::ErrorCode::Truncated, "file is too short for a SWF header", 0);
    Header h;
    if (file[1] != 'W' || file[2] != 'S')
        return core::makeError(core::ErrorCode::Corrupt, "not a SWF file (bad signature)", 0);
    switch (file[0]) {
    case 'F': h.compression = Compression::None; break;
    case 'C': h.compression = Compression::Zlib; break;
    case 'Z': h.compression = Compression::Lzma; break;
    default: return core::makeError(core::ErrorCode::Corrupt, "not a SWF file (bad signature)", 0);
    }
    h.version = file[3];
    h.declaredLength = static_cast<std::uint32_t>(file[4] | (file[5] << 8) | (file[6] << 16) |
                                                  (static_cast<std::uint32_t>(file[7]) << 24));
    return h;
}

struct Decompressed {
    std::vector<std::uint8_t> data;  // the whole movie with an uncompressed 8-byte prefix
    bool truncated = false;
};

// ZWS: after the 8-byte prefix come the compressed length (UI32), the five LZMA property
// bytes and the range-coded data; the output size is the declared length minus the prefix.
core::Result<Decompressed> decompressLzma(const Header& h, std::span<const std::uint8_t> file,
                                          const ParseLimits& limits, std::size_t stopAfter) {
    constexpr std::size_t kPropsAt = kSignatureLength + 4;
    constexpr std::size_t kDataAt = kPropsAt + 5;
    if (file.size() < kDataAt)
        return core::makeError(core::ErrorCode::Truncated, "LZMA header is truncated", file.size());
    if (h.declaredLength < kSignatureLength)
        return core::makeError(core::ErrorCode::Corrupt, "declared length is smaller than the header", 4);
    std::size_t outSize = h.declaredLength - kSignatureLength;
    if (h.declaredLength > limits.maxDecompressedBytes)
        return core::makeError(core::ErrorCode::TooLarge, "movie is larger than " +
                               std::to_string(limits.maxDecompressedBytes) + " bytes", 4);
    outSize = std::min(outSize, std::max(stopAfter, kSignatureLength) - kSignatureLength);
    auto body = core::decodeLzma(file.subspan(kPropsAt, 5), file.subspan(kDataAt), outSize,
                                 limits.maxDecompressedBytes);
    if (!body) {
        core::Error e = body.error();
        if (e.offset) *e.offset += kDataAt;
        e.message = "compressed stream: " + e.message;
        return e;
    }
    Decompressed d;
    d.data.reserve(kSignatureLength + body->data.size());
    d.data.assign(file.begin(), file.begin() + kSignatureLength);
    d.data.insert(d.data.end(), body->data.begin(), body->data.end());
    // A stream that stops before the declared size has lost tags, unless it ended properly.
    d.truncated = body->data.size() < outSize && !body->complete;
    return d;
}

core::Result<Decompressed> decompress(const Header& h, std::span<const std::uint8_t> file,
                                      const ParseLimits& limits, std::size_t stopAfter) {
    Decompressed d;
    if (h.compression == Compression::Lzma) return decompressLzma(h, file, limits, stopAfter);
    if (h.compression == Compression::None) {
        if (file.size() > limits.maxDecompressedBytes)
            return core::makeError(core::ErrorCode::TooLarge, "movie is larger than " +
                                   std::to_string(limits.maxDecompressedBytes) + " bytes", 0);
        std::size_t n = std::min(file.size(), stopAfter);
        d.data.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        return d;
    }
    bool headerOnly = stopAfter < limits.maxDecompressedBytes;
    std::size_t cap = std::max(std::min(limits.maxDecompressedBytes, stopAfter), kSignatureLength) -
                      kSignatureLength;
    std::size_t hint = h.declaredLength > kSignatureLength ? h.declaredLength - kSignatureLength : 0;
    auto body = core::inflateZlib(file.subspan(kSignatureLength), cap, headerOnly ? 0 : hint,
                                  headerOnly ? core::InflateOverflow::Truncate
                                             : core::InflateOverflow::Fail);
    if (!body) {
        core::Error e = body.error();
        if (e.offset) *e.offset += kSignatureLength;
        e.message = "compressed stream: " + e.message;
        return e;
    }
    d.data.reserve(kSignatureLength + body->data.size());
    d.data.assign(file.begin(), file.begin() + kSignatureLength);
    d.data.insert(d.data.end(), body->data.begin(), body->data.end());
    d.truncated = !body->complete;
    return d;
}

}  // namespace

namespace detail {

std::string readString(core::BitReader& r, const ParseContext& ctx) {
    return core::movieStringToUtf8(r.cstring(), ctx.swfVersion);
}

namespace {

TagBody parseBody(core::BitReader& r, std::uint16_t code, const ParseContext& ctx) {
    switch (static_cast<TagCode>(code)) {
    case TagCode::End: return End{};
    case TagCode::ShowFrame: return ShowFrame{};
    case TagCode::DefineShape:
    case TagCode::DefineShape2:
    case TagCode::DefineShape3:
    case TagCode::DefineShape4:
    case TagCode::DefineMorphShape:
    case TagCode::DefineMorphShape2:
        return parseShapeTag(r, code);
    case TagCode::PlaceObject:
    case TagCode::PlaceObject2:
    case TagCode::PlaceObject3:
    case TagCode::RemoveObject:
    case TagCode::RemoveObject2:
    case TagCode::FrameLabel:
    case TagCode::SetBackgroundColor:
        return parseDisplayTag(r, code, ctx);
    case TagCode::DefineBits:
    case TagCode::JpegTables:
    case TagCode::DefineBitsJpeg2:
    case TagCode::DefineBitsJpeg3:
    case TagCode::DefineBitsJpeg4:
    case TagCode::DefineBitsLossless:
    case TagCode::DefineBitsLossless2:
        return parseBitmapTag(r, code);
    case TagCode::DefineFont:
    case TagCode::DefineFont2:
    case TagCode::DefineFont3:
    case TagCode::DefineFontInfo:
    case TagCode::DefineFontInfo2:
    case TagCode::DefineFontAlignZones:
    case TagCode::DefineFontName:
    case TagCode::DefineText:
    case TagCode::DefineText2:
    case TagCode::DefineEditText:
        return parseFontTextTag(r, code, ctx);
    case TagCode::DefineButton:
    case TagCode::DefineButton2:
    case TagCode::DefineButtonCxform:
        return parseButtonTag(r, code, ctx);
    default:
        break;
    }
    if (isAvm2OnlyTag(code)) return Avm2Tag{};
    return parseMiscTag(r, code, ctx);
}

void report(const ParseContext& ctx, Severity sev, std::string msg, std::uint64_t offset,
            std::optional<std::uint16_t> code) {
    if (ctx.problems) ctx.problems->push_back(Problem{sev, std::move(msg), offset, code});
}

}  // namespace

std::vector<Tag> readTagStream(core::BitReader& r, const ParseContext& ctx, bool topLevel) {
    std::vector<Tag> tags;
    bool sawEnd = false;
    while (!r.atEnd()) {
        Tag tag;
        tag.offset = r.offset();
        std::uint16_t codeAndLength = r.u16();
        std::uint32_t length = codeAndLength & 0x3F;
        if (length == 0x3F) length = r.u32();
        if (r.failed()) {
            report(ctx, Severity::Error, "truncated tag header", tag.offset, std::nullopt);
            break;
        }
        tag.code = static_cast<std::uint16_t>(codeAndLength >> 6);
        tag.length = length;
        if (length > r.remaining()) {
            report(ctx, Severity::Error,
                   "tag declares " + std::to_string(length) + " bytes but only " +
                       std::to_string(r.remaining()) + " remain",
                   tag.offset, tag.code);
            break;
        }
        core::BitReader body = r.sub(length);
        if (tag.code == static_cast<std::uint16_t>(TagCode::DefineSprite)) {
            DefineSprite sprite;
            sprite.id = body.u16();
            sprite.frameCount = body.u16();
            if (ctx.spriteDepth + 1 > ctx.limits->maxSpriteDepth) {
                report(ctx, Severity::Error, "sprites nested deeper than " +
                       std::to_string(ctx.limits->maxSpriteDepth), tag.offset, tag.code);
                tag.body = SkippedTag{};
            } else if (body.failed()) {
                report(ctx, Severity::Error, "truncated DefineSprite header", body.failOffset(),
                       tag.code);
                tag.body = SkippedTag{};
            } else {
                ParseContext inner = ctx;
                inner.spriteDepth = ctx.spriteDepth + 1;
                sprite.tags = readTagStream(body, inner, false);
                tag.body = std::move(sprite);
            }
        } else {
            tag.body = parseBody(body, tag.code, ctx);
            if (body.failed()) {
                report(ctx, Severity::Error, "malformed " + tagName(tag.code) + " tag",
                       body.failOffset(), tag.code);
                tag.body = SkippedTag{};
            }
        }
        bool isEnd = tag.code == static_cast<std::uint16_t>(TagCode::End);
        tags.push_back(std::move(tag));
        if (isEnd) {
            sawEnd = true;
            break;
        }
    }
    // Sprites without an End tag are common in generated movies and harmless; a movie
    // without one is worth a warning.
    if (!sawEnd && topLevel) {
        report(ctx, Severity::Warning, "movie has no End tag", r.offset(), std::nullopt);
    } else if (topLevel && !r.atEnd()) {
        report(ctx, Severity::Warning,
               std::to_string(r.remaining()) + " bytes after the End tag ignored", r.offset(),
               std::nullopt);
    }
    return tags;
}

}  // namespace detail

bool Movie::hasErrors() const {
    return std::any_of(problems.begin(), problems.end(),
                       [](const Problem& p) { return p.severity == Severity::Error; });
}

std::string Movie::firstError() const {
    for (const Problem& p : problems)
        if (p.severity == Severity::Error) return describe(p);
    return {};
}

std::string describe(const Problem& p) {
    std::string s;
    if (p.tagCode) s = tagName(*p.tagCode) + " ";
    s += "at byte " + std::to_string(p.offset) + ": " + p.message;
    return s;
}

core::Result<Header> parseHeader(std::span<const std::uint8_t> file, const ParseLimits& limits) {
    auto sig = readSignature(file);
    if (!sig) return sig.error();
    // The rectangle, rate and count take at most 17 + 4 bytes.
    auto d = decompress(*sig, file, limits, kSignatureLength + 32);
    if (!d) return d.error();
    return readHeaderFields(*sig, d->data);
}

core::Result<Movie> parseMovie(std::span<const std::uint8_t> file, const ParseLimits& limits) {
    auto sig = readSignature(file);
    if (!sig) return sig.error();
    auto d = decompress(*sig, file, limits, limits.maxDecompressedBytes);
    if (!d) return d.error();
    auto header = readHeaderFields(*sig, d->data);
    if (!header) return header.error();

    Movie movie;
    movie.header = *header;
    movie.decompressedSize = d->data.size();
    if (d->truncated)
        movie.problems.push_back({Severity::Error, "compressed stream ends early", d->data.size(),
                                  std::nullopt});
    if (movie.header.declaredLength != d->data.size())
        movie.problems.push_back({Severity::Warning,
                                  "header declares " + std::to_string(movie.header.declaredLength) +
                                      " bytes, the movie has " + std::to_string(d->data.size()),
                                  4, std::nullopt});
    const Rect& fs = movie.header.frameSize;
    std::int64_t w = (static_cast<std::int64_t>(fs.xMax) - fs.xMin) / 20;
    std::int64_t h = (static_cast<std::int64_t>(fs.yMax) - fs.yMin) / 20;
    if (w <= 0 || h <= 0 || w > limits.maxStagePixels || h > limits.maxStagePixels)
        movie.problems.push_back({Severity::Warning,
                                  "stage size " + std::to_string(w) + "x" + std::to_string(h) +
                                      " is outside 1.." + std::to_string(limits.maxStagePixels) +
                                      " pixels",
                                  kSignatureLength, std::nullopt});

    detail::ParseContext ctx;
    ctx.swfVersion = movie.header.version;
    ctx.limits = &limits;
    ctx.problems = &movie.problems;
    core::BitReader r(d->data);
    r.skip(movie.header.headerLength);
    movie.tags = detail::readTagStream(r, ctx, true);
    return movie;
}

}  // namespace swf
