#pragma once
// JPEG decoding (ITU T.81): baseline and extended sequential and progressive Huffman frames of
// 8-bit precision, one to four components with any sampling factors from 1 to 4, restart
// intervals, greyscale, YCbCr, RGB, and Adobe CMYK and YCCK (APP14).
//
// The marker parser is forgiving where old writers were sloppy: SOI and EOI markers before the
// first scan are skipped, so a stream of tables followed by a stream with the picture, or a
// stream with a stray FF D9 FF D8 at the front, decodes as one picture. Damage inside the
// compressed data, or data that ends before the last block of a scan, is an error: the caller
// gets no partial picture.

#include <cstdint>
#include <span>

#include "codec/image.h"
#include "core/result.h"

namespace codec {

// Decodes `data`, first reading the tables (quantisation and Huffman) that `tables` defines, as
// the abbreviated streams of some containers keep them apart from the picture.
core::Result<Image> decodeJpeg(std::span<const std::uint8_t> data,
                               std::span<const std::uint8_t> tables = {});

}  // namespace codec
