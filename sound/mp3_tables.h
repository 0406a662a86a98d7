#pragma once
// Constant tables of the layer III decoder (mp3_tables.cpp). Everything that can be computed
// (requantisation powers, IMDCT and filter bank cosines) is computed by the decoder instead.

#include <cstdint>

namespace sound::mp3 {

// Where the code book of a big-values table starts in kHuffmanCodes/kHuffmanLengths, the
// number of values per axis (the book has side * side entries) and the escape bits (linbits).
// Tables 0, 4 and 14 have no book (side 0).
struct HuffmanTableInfo {
    std::uint16_t offset;
    std::uint8_t side;
    std::uint8_t linbits;
};

extern const std::uint16_t kHuffmanCodes[1378];
extern const std::uint8_t kHuffmanLengths[1378];
extern const HuffmanTableInfo kHuffmanTables[32];
extern const std::uint8_t kQuadACodes[16];
extern const std::int32_t kSynthesisWindow[257];

}  // namespace sound::mp3
