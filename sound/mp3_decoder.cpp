#include "sound/mp3_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/mp3_tables.h"

namespace sound {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Scale factor band boundaries: long blocks (23 edges), short blocks (14 edges), per rate in
// the order 44.1, 48, 32 (MPEG-1), 22.05, 24, 16 (MPEG-2), 11.025, 12, 8 kHz (MPEG-2.5).
const std::uint16_t kLongBands[9][23] = {
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576},
};
const std::uint8_t kShortBands[9][14] = {
    {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192},
    {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192},
    {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192},
    {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
    {0, 8, 16, 24, 36, 52, 72, 96, 124, 160, 162, 164, 166, 192},
};
const std::uint8_t kPretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};
// MPEG-1 scalefac_compress to the bit counts of the two band groups.
const std::uint8_t kSlen[2][16] = {{0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},
                                   {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3}};
// MPEG-2 scale factor partitions: [table][long, short, mixed][group].
const std::uint8_t kLsfBands[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},     {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}}, {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},   {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};
const std::uint16_t kBitrates[2][15] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};
const std::uint16_t kRates[3] = {44100, 48000, 32000};

// Reads bits most significant first; past the end it yields zeros.
struct Bits {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;  // in bits
    unsigned get1() {
        std::size_t byte = pos >> 3;
        unsigned bit = byte < size ? (data[byte] >> (7 - (pos & 7))) & 1u : 0u;
        ++pos;
        return bit;
    }
    unsigned get(unsigned n) {
        unsigned v = 0;
        while (n--) v = (v << 1) | get1();
        return v;
    }
};

struct GranuleChannel {
    unsigned part23 = 0, bigValues = 0, globalGain = 0, scalefacCompress = 0;
    unsigned blockType = 0;
    bool windowSwitching = false, mixed = false, preflag = false, scalefacScale = false;
    unsigned count1Table = 0;
    unsigned table[3] = {0, 0, 0};
    unsigned subblockGain[3] = {0, 0, 0};
    unsigned region0 = 0, region1 = 0;
};

struct SideInfo {
    unsigned mainDataBegin = 0;
    unsigned scfsi[2] = {0, 0};
    GranuleChannel gr[2][2];
};

}  // namespace

struct Mp3Decoder::State {
    // Huffman trees: pairs of children; a negative entry is a leaf holding -(symbol + 1).
    std::vector<std::int16_t> tree;
    std::uint16_t root[32] = {};
    std::uint16_t quadRoot = 0;
    float pow43[256];
    float imdctLong[18][36];
    float imdctShort[6][12];
    float window[4][36];
    float cs[8], ca[8];
    float dctCoef[32];
    float synthWindow[512];

    std::vector<std::uint8_t> reservoir;
    float overlap[2][576] = {};
    float v[2][1024] = {};
    int vOffset[2] = {0, 0};
    int scalefacLong[2][22] = {};  // kept between granules for scfsi
    int scalefacShort[2][13][3] = {};

    State();
    std::uint16_t addBook(const std::uint16_t* codes, const std::uint8_t* lengths, unsigned count,
                          bool quad);
    unsigned decodeSymbol(Bits& b, std::uint16_t rootNode) const;
};

std::uint16_t Mp3Decoder::State::addBook(const std::uint16_t* codes, const std::uint8_t* lengths,
                                         unsigned count, bool quad) {
    auto rootNode = static_cast<std::uint16_t>(tree.size() / 2);
    tree.push_back(0);
    tree.push_back(0);
    for (unsigned s = 0; s < count; ++s) {
        unsigned len = quad ? mp3::kQuadACodes[s] >> 4u : lengths[s];
        unsigned code = quad ? mp3::kQuadACodes[s] & 15u : codes[s];
        std::size_t node = rootNode;
        for (unsigned i = len; i-- > 0;) {
            std::size_t slot = node * 2 + ((code >> i) & 1u);
            if (i == 0) {
                tree[slot] = static_cast<std::int16_t>(-static_cast<int>(s) - 1);
            } else {
                if (tree[slot] <= 0) {
                    tree[slot] = static_cast<std::int16_t>(tree.size() / 2);
                    tree.push_back(0);
                    tree.push_back(0);
                }
                node = static_cast<std::size_t>(tree[slot]);
            }
        }
    }
    return rootNode;
}

unsigned Mp3Decoder::State::decodeSymbol(Bits& b, std::uint16_t rootNode) const {
    std::size_t node = rootNode;
    for (int depth = 0; depth < 24; ++depth) {
        int next = tree[node * 2 + b.get1()];
        if (next < 0) return static_cast<unsigned>(-next - 1);
        if (next == 0) break;
        node = static_cast<std::size_t>(next);
    }
    return 0;
}

Mp3Decoder::State::State() {
    tree.reserve(2 * 1400);
    tree.push_back(0);  // node 0 is never a child, so a 0 entry means "no child"
    tree.push_back(0);
    for (unsigned t = 0; t < 32; ++t) {
        const mp3::HuffmanTableInfo& info = mp3::kHuffmanTables[t];
        if (info.side == 0) continue;
        bool shared = t > 16 && t != 24;  // 17-23 share 16's book, 25-31 share 24's
        root[t] = shared ? root[t < 24 ? 16 : 24]
                         : addBook(mp3::kHuffmanCodes + info.offset, mp3::kHuffmanLengths + info.offset,
                                   info.side * info.side, false);
    }
    quadRoot = addBook(nullptr, nullptr, 16, true);

    for (int i = 0; i < 256; ++i) pow43[i] = static_cast<float>(std::pow(static_cast<double>(i), 4.0 / 3.0));
    for (int i = 0; i < 36; ++i)
        for (int k = 0; k < 18; ++k)
            imdctLong[k][i] = static_cast<float>(std::cos(kPi / 72 * (2 * i + 1 + 18) * (2 * k + 1)));
    for (int i = 0; i < 12; ++i)
        for (int k = 0; k < 6; ++k)
            imdctShort[k][i] = static_cast<float>(std::cos(kPi / 24 * (2 * i + 1 + 6) * (2 * k + 1)));
    // Windows of block types 0 (normal), 1 (start), 2 (short, 12 points) and 3 (stop).
    for (int i = 0; i < 36; ++i) {
        float longWin = static_cast<float>(std::sin(kPi / 36 * (i + 0.5)));
        window[0][i] = longWin;
        window[1][i] = i < 18 ? longWin : i < 24 ? 1.0f
                                : i < 30 ? static_cast<float>(std::sin(kPi / 12 * (i - 18 + 0.5)))
                                         : 0.0f;
        window[3][i] = i < 6 ? 0.0f : i < 12 ? static_cast<float>(std::sin(kPi / 12 * (i - 6 + 0.5)))
                                : i < 18 ? 1.0f
                                         : longWin;
        window[2][i] = i < 12 ? static_cast<float>(std::sin(kPi / 12 * (i + 0.5))) : 0.0f;
    }
    const double c[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
    for (int i = 0; i < 8; ++i) {
        double sq = std::sqrt(1.0 + c[i] * c[i]);
        cs[i] = static_cast<float>(1.0 / sq);
        ca[i] = static_cast<float>(c[i] / sq);
    }
    // Coefficients of the recursive 32-point DCT: 1 / (2 cos((2i + 1) pi / 2n)) for n = 32 .. 2,
    // those of size n starting at 32 - n.
    for (int n = 32; n >= 2; n /= 2)
        for (int i = 0; i < n / 2; ++i)
            dctCoef[32 - n + i] = static_cast<float>(0.5 / std::cos((2 * i + 1) * kPi / (2 * n)));
    for (int i = 0; i <= 256; ++i) synthWindow[i] = static_cast<float>(mp3::kSynthesisWindow[i] / 65536.0);
    for (int i = 1; i < 256; ++i) synthWindow[512 - i] = (i % 64 == 0) ? synthWindow[i] : -synthWindow[i];
}

bool parseMp3Header(const std::uint8_t* p, Mp3Header& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    unsigned versionBits = (p[1] >> 3) & 3, layer = (p[1] >> 1) & 3;
    unsigned bitrateIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h.crc = (p[1] & 1) == 0;
    int shift = h.version == 1 ? 0 : h.version == 2 ? 1 : 2;
    h.sampleRate = kRates[rateIndex] >> shift;
    int bitrate = kBitrates[h.version == 1 ? 0 : 1][bitrateIndex] * 1000;
    int padding = (p[2] >> 1) & 1;
    h.samples = h.version == 1 ? 1152 : 576;
    h.frameBytes = (h.samples / 8) * bitrate / h.sampleRate + padding;
    h.mode = p[3] >> 6;
    h.modeExtension = (p[3] >> 4) & 3;
    h.channels = h.mode == 3 ? 1 : 2;
    return h.frameBytes > 4;
}

Mp3Decoder::Mp3Decoder() : m_state(std::make_unique<State>()) {}
Mp3Decoder::~Mp3Decoder() = default;

void Mp3Decoder::reset() {
    m_pending.clear();
    State& s = *m_state;
    s.reservoir.clear();
    std::memset(s.overlap, 0, sizeof s.overlap);
    std::memset(s.v, 0, sizeof s.v);
}

std::size_t Mp3Decoder::decode(std::span<const std::uint8_t> data, std::vector<std::int16_t>& out) {
    m_pending.insert(m_pending.end(), data.begin(), data.end());
    std::size_t pos = 0, frames = 0;
    while (pos + 4 <= m_pending.size()) {
        Mp3Header h;
        if (!parseMp3Header(&m_pending[pos], h)) {
            ++pos;
            continue;
        }
        if (pos + static_cast<std::size_t>(h.frameBytes) > m_pending.size()) break;
        if (decodeFrame(&m_pending[pos], h, out)) {
            ++frames;
            m_rate = h.sampleRate;
        }
        pos += static_cast<std::size_t>(h.frameBytes);
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(pos));
    return frames;
}

namespace {

int bandTableIndex(const Mp3Header& h) {
    int base = h.version == 1 ? 0 : h.version == 2 ? 3 : 6;
    int r = h.sampleRate;
    int within = (r == 48000 || r == 24000 || r == 12000) ? 1 : (r == 32000 || r == 16000 || r == 8000) ? 2 : 0;
    return base + within;
}

// Scale factor bands that scfsi bit 3 - k lets granule 1 take over from granule 0.
const std::uint8_t kScfsiGroups[5] = {0, 6, 11, 16, 21};

// 2^(quarters / 4).
float gainOf(int quarters) {
    static constexpr float kQuarter[4] = {1.0f, 1.18920712f, 1.41421356f, 1.68179283f};
    return std::ldexp(kQuarter[quarters & 3], quarters >> 2);
}

// DCT-II of n values in place (X[k] = sum x[i] cos(pi (2i + 1) k / 2n)) by Lee's recursion;
// `tmp` holds n scratch values, `coef` the 1 / (2 cos) factors of every size.
void dct(float* a, float* tmp, int n, const float* coef) {
    if (n == 1) return;
    int half = n / 2;
    const float* c = coef + 32 - n;
    for (int i = 0; i < half; ++i) {
        float p = a[i], q = a[n - 1 - i];
        tmp[i] = p + q;
        tmp[half + i] = (p - q) * c[i];
    }
    dct(tmp, a, half, coef);
    dct(tmp + half, a + half, half, coef);
    for (int k = 0; k < half; ++k) {
        a[2 * k] = tmp[k];
        a[2 * k + 1] = tmp[half + k] + (k + 1 < half ? tmp[half + k + 1] : 0.0f);
    }
}

bool readSideInfo(Bits& b, const Mp3Header& h, SideInfo& si) {
    int nch = h.channels;
    bool mpeg1 = h.version == 1;
    si.mainDataBegin = b.get(mpeg1 ? 9 : 8);
    b.get(mpeg1 ? (nch == 1 ? 5 : 3) : (nch == 1 ? 1 : 2));
    if (mpeg1)
        for (int ch = 0; ch < nch; ++ch) si.scfsi[ch] = b.get(4);
    for (int gr = 0; gr < (mpeg1 ? 2 : 1); ++gr) {
        for (int ch = 0; ch < nch; ++ch) {
            GranuleChannel& g = si.gr[gr][ch];
            g.part23 = b.get(12);
            g.bigValues = std::min(b.get(9), 288u);
            g.globalGain = b.get(8);
            g.scalefacCompress = b.get(mpeg1 ? 4 : 9);
            g.windowSwitching = b.get1() != 0;
            if (g.windowSwitching) {
                g.blockType = b.get(2);
                g.mixed = b.get1() != 0;
                for (int r = 0; r < 2; ++r) g.table[r] = b.get(5);
                for (int w = 0; w < 3; ++w) g.subblockGain[w] = b.get(3);
                if (g.blockType == 0) return false;  // forbidden
                g.region0 = (g.blockType == 2 && !g.mixed) ? 8 : 7;
                g.region1 = 20 - g.region0;
            } else {
                g.blockType = 0;
                g.mixed = false;
                for (int r = 0; r < 3; ++r) g.table[r] = b.get(5);
                g.region0 = b.get(4);
                g.region1 = b.get(3);
            }
            g.preflag = mpeg1 ? b.get1() != 0 : false;
            g.scalefacScale = b.get1() != 0;
            g.count1Table = b.get1();
        }
    }
    return true;
}

}  // namespace

bool Mp3Decoder::decodeFrame(const std::uint8_t* frame, const Mp3Header& h, std::vector<std::int16_t>& out) {
    State& s = *m_state;
    const int nch = h.channels;
    const bool mpeg1 = h.version == 1;
    const int granules = mpeg1 ? 2 : 1;
    const int sideBytes = mpeg1 ? (nch == 1 ? 17 : 32) : (nch == 1 ? 9 : 17);
    const int headerBytes = 4 + (h.crc ? 2 : 0);
    if (h.frameBytes < headerBytes + sideBytes) return false;

    Bits sideBits{frame + headerBytes, static_cast<std::size_t>(sideBytes)};
    SideInfo si;
    bool sideOk = readSideInfo(sideBits, h, si);

    // The frame's main data joins the reservoir; this frame's data starts mainDataBegin bytes
    // before the new bytes.
    std::size_t before = s.reservoir.size();
    const std::uint8_t* mainData = frame + headerBytes + sideBytes;
    s.reservoir.insert(s.reservoir.end(), mainData, frame + h.frameBytes);
    bool haveData = sideOk && si.mainDataBegin <= before;
    std::size_t start = haveData ? before - si.mainDataBegin : 0;

    const int bandIndex = bandTableIndex(h);
    const std::uint16_t* longBands = kLongBands[bandIndex];
    const std::uint8_t* shortBands = kShortBands[bandIndex];

    std::size_t outBase = out.size();
    out.resize(outBase + static_cast<std::size_t>(granules) * 576 * 2, 0);

    Bits b{s.reservoir.data() + start, s.reservoir.size() - start};
    for (int gr = 0; gr < granules; ++gr) {
        static_assert(sizeof(float) == 4);
        float xr[2][576];
        int nonzero[2] = {0, 0};
        std::memset(xr, 0, sizeof xr);
        for (int ch = 0; ch < nch && haveData; ++ch) {
            GranuleChannel& g = si.gr[gr][ch];
            std::size_t partStart = b.pos;
            std::size_t partEnd = partStart + g.part23;

            // Scale factors.
            int* sfl = s.scalefacLong[ch];
            int (*sfs)[3] = s.scalefacShort[ch];
            bool shortBlock = g.windowSwitching && g.blockType == 2;
            if (mpeg1) {
                unsigned slen1 = kSlen[0][g.scalefacCompress], slen2 = kSlen[1][g.scalefacCompress];
                if (shortBlock) {
                    int firstShort = 0;
                    if (g.mixed) {
                        for (int sfb = 0; sfb < 8; ++sfb) sfl[sfb] = static_cast<int>(b.get(slen1));
                        firstShort = 3;
                    }
                    for (int sfb = firstShort; sfb < 12; ++sfb)
                        for (int w = 0; w < 3; ++w) sfs[sfb][w] = static_cast<int>(b.get(sfb < 6 ? slen1 : slen2));
                    for (int w = 0; w < 3; ++w) sfs[12][w] = 0;
                } else {
                    for (int grp = 0; grp < 4; ++grp) {
                        if (gr == 1 && (si.scfsi[ch] & (8u >> grp))) continue;  // reuse granule 0's
                        for (int sfb = kScfsiGroups[grp]; sfb < kScfsiGroups[grp + 1]; ++sfb)
                            sfl[sfb] = static_cast<int>(b.get(grp < 2 ? slen1 : slen2));
                    }
                    sfl[21] = 0;
                }
            } else {
                unsigned slen[4] = {0, 0, 0, 0};
                int tableNo = 0;
                unsigned sfc = g.scalefacCompress;
                bool intensityChannel = (h.modeExtension & 1) && ch == 1;
                if (!intensityChannel) {
                    if (sfc < 400) {
                        slen[0] = (sfc >> 4) / 5; slen[1] = (sfc >> 4) % 5; slen[2] = (sfc & 15) >> 2; slen[3] = sfc & 3;
                    } else if (sfc < 500) {
                        sfc -= 400; slen[0] = (sfc >> 2) / 5; slen[1] = (sfc >> 2) % 5; slen[2] = sfc & 3;
                        tableNo = 1;
                    } else {
                        sfc -= 500; slen[0] = sfc / 3; slen[1] = sfc % 3; g.preflag = true;
                        tableNo = 2;
                    }
                } else {
                    sfc >>= 1;
                    if (sfc < 180) {
                        slen[0] = sfc / 36; slen[1] = (sfc % 36) / 6; slen[2] = (sfc % 36) % 6;
                        tableNo = 3;
                    } else if (sfc < 244) {
                        sfc -= 180; slen[0] = (sfc & 63) >> 4; slen[1] = (sfc & 15) >> 2; slen[2] = sfc & 3;
                        tableNo = 4;
                    } else {
                        sfc -= 244; slen[0] = sfc / 3; slen[1] = sfc % 3;
                        tableNo = 5;
                    }
                }
                int kind = shortBlock ? (g.mixed ? 2 : 1) : 0;
                int values[45] = {};
                int count = 0;
                for (int grp = 0; grp < 4; ++grp)
                    for (int i = 0; i < kLsfBands[tableNo][kind][grp] && count < 45; ++i)
                        values[count++] = static_cast<int>(b.get(slen[grp]));
                if (!shortBlock) {
                    for (int sfb = 0; sfb < 22; ++sfb) sfl[sfb] = sfb < count ? values[sfb] : 0;
                } else {
                    int k = 0, firstShort = 0;
                    if (g.mixed) {
                        for (int sfb = 0; sfb < 6; ++sfb) sfl[sfb] = values[k++];
                        firstShort = 3;
                    }
                    for (int sfb = firstShort; sfb < 13; ++sfb)
                        for (int w = 0; w < 3; ++w) sfs[sfb][w] = (sfb < 12 && k < count) ? values[k++] : 0;
                }
            }

            // Huffman decoding of the big values, then of the count1 quads.
            int is[576];
            std::memset(is, 0, sizeof is);
            unsigned region1Start, region2Start;
            if (g.windowSwitching) {
                region1Start = g.blockType == 2 ? shortBands[3] * 3u : longBands[8];
                region2Start = 576;
            } else {
                region1Start = longBands[std::min(g.region0 + 1, 22u)];
                region2Start = longBands[std::min(g.region0 + g.region1 + 2, 22u)];
            }
            unsigned bigEnd = g.bigValues * 2;
            unsigned i = 0;
            for (; i < bigEnd; i += 2) {
                unsigned t = g.table[i < region1Start ? 0 : i < region2Start ? 1 : 2];
                const mp3::HuffmanTableInfo& info = mp3::kHuffmanTables[t];
                if (info.side == 0) continue;  // table 0: zeros
                unsigned sym = s.decodeSymbol(b, s.root[t]);
                int x = static_cast<int>(sym / info.side), y = static_cast<int>(sym % info.side);
                if (info.linbits && x == 15) x += static_cast<int>(b.get(info.linbits));
                if (x && b.get1()) x = -x;
                if (info.linbits && y == 15) y += static_cast<int>(b.get(info.linbits));
                if (y && b.get1()) y = -y;
                is[i] = x;
                is[i + 1] = y;
            }
            while (i + 4 <= 576 && b.pos < partEnd) {
                unsigned q = g.count1Table ? (15u - b.get(4)) : s.decodeSymbol(b, s.quadRoot);
                int vals[4] = {static_cast<int>((q >> 3) & 1), static_cast<int>((q >> 2) & 1),
                               static_cast<int>((q >> 1) & 1), static_cast<int>(q & 1)};
                for (int& v : vals)
                    if (v && b.get1()) v = -v;
                if (b.pos > partEnd) break;  // the last quad ran past the part: drop it
                for (int k = 0; k < 4; ++k) is[i + k] = vals[k];
                i += 4;
            }
            nonzero[ch] = static_cast<int>(std::min(i, 576u));
            b.pos = partEnd;

            // Requantisation: sign(is) * |is|^(4/3) * 2^(exponent / 4).
            int sfMul = g.scalefacScale ? 4 : 2;
            int base = static_cast<int>(g.globalGain) - 210;
            unsigned lineEnd = static_cast<unsigned>(nonzero[ch]);
            unsigned mixedEnd = g.mixed ? 36u : 0u;
            for (unsigned line = 0; line < lineEnd;) {
                int quarters;
                unsigned bandEnd;
                if (!shortBlock || line < mixedEnd) {
                    int sfb = 0;
                    while (sfb < 21 && longBands[sfb + 1] <= line) ++sfb;
                    bandEnd = longBands[sfb + 1];
                    quarters = base - sfMul * (sfl[sfb] + (g.preflag ? kPretab[sfb] : 0));
                } else {
                    int sfb = 0;
                    while (sfb < 12 && shortBands[sfb + 1] * 3u <= line) ++sfb;
                    unsigned width = shortBands[sfb + 1] - shortBands[sfb];
                    unsigned w = (line - shortBands[sfb] * 3u) / width;
                    bandEnd = shortBands[sfb] * 3u + (w + 1) * width;
                    quarters = base - 8 * static_cast<int>(g.subblockGain[w]) - sfMul * sfs[sfb][w];
                }
                float gain = gainOf(quarters);
                for (; line < bandEnd && line < lineEnd; ++line) {
                    int v = is[line];
                    if (v == 0) continue;
                    int a = v < 0 ? -v : v;
                    float mag = a < 256 ? s.pow43[a] : static_cast<float>(a * std::cbrt(static_cast<double>(a)));
                    xr[ch][line] = (v < 0 ? -mag : mag) * gain;
                }
            }
        }

        // Joint stereo: MPEG-1 intensity stereo for long blocks above the right channel's last
        // nonzero band, mid/side below it.
        if (haveData && nch == 2 && h.mode == 1) {
            unsigned isStart = 576;
            const GranuleChannel& right = si.gr[gr][1];
            bool intensity = (h.modeExtension & 1) && mpeg1 && !(right.windowSwitching && right.blockType == 2);
            if (intensity) {
                int sfb = 0;
                while (sfb < 21 && longBands[sfb] < static_cast<unsigned>(nonzero[1])) ++sfb;
                isStart = longBands[sfb];
                for (; sfb < 22; ++sfb) {
                    int pos = s.scalefacLong[1][std::min(sfb, 20)];
                    if (pos >= 7) continue;
                    double k = std::tan(pos * kPi / 12);
                    float l = static_cast<float>(k / (1 + k)), r = static_cast<float>(1 / (1 + k));
                    for (unsigned line = longBands[sfb]; line < longBands[sfb + 1]; ++line) {
                        float m = xr[0][line];
                        xr[0][line] = m * l;
                        xr[1][line] = m * r;
                    }
                }
            }
            if (h.modeExtension & 2) {
                unsigned end = std::min<unsigned>(isStart, static_cast<unsigned>(std::max(nonzero[0], nonzero[1])));
                for (unsigned line = 0; line < end; ++line) {
                    float m = xr[0][line], sd = xr[1][line];
                    xr[0][line] = (m + sd) * 0.70710678f;
                    xr[1][line] = (m - sd) * 0.70710678f;
                }
                nonzero[0] = nonzero[1] = static_cast<int>(std::max(end, static_cast<unsigned>(std::max(nonzero[0], nonzero[1]))));
            }
            if (intensity) nonzero[1] = nonzero[0] = 576;
        }

        for (int ch = 0; ch < nch; ++ch) {
            const GranuleChannel& g = si.gr[gr][ch];
            float* x = xr[ch];
            bool shortBlock = g.windowSwitching && g.blockType == 2;
            // Short blocks: lines are stored band by band, window by window; the IMDCT wants the
            // three windows' values of a frequency side by side.
            if (shortBlock) {
                float tmp[576];
                std::memcpy(tmp, x, sizeof tmp);
                for (int sfb = g.mixed ? 3 : 0; sfb < 13; ++sfb) {
                    unsigned start3 = shortBands[sfb] * 3u, width = shortBands[sfb + 1] - shortBands[sfb];
                    for (unsigned w = 0; w < 3; ++w)
                        for (unsigned k = 0; k < width; ++k) x[start3 + k * 3 + w] = tmp[start3 + w * width + k];
                }
            }
            // Antialiasing between neighbouring subbands of long blocks.
            int aliasBands = shortBlock ? (g.mixed ? 1 : 0) : 31;
            for (int sb = 1; sb <= aliasBands; ++sb) {
                for (int k = 0; k < 8; ++k) {
                    float lo = x[sb * 18 - 1 - k], up = x[sb * 18 + k];
                    x[sb * 18 - 1 - k] = lo * s.cs[k] - up * s.ca[k];
                    x[sb * 18 + k] = up * s.cs[k] + lo * s.ca[k];
                }
            }
            // IMDCT with overlap-add; subbands above the last nonzero line only fade out what
            // the previous granule left.
            int activeBands = std::min(32, (nonzero[ch] + 17) / 18 + 1);
            float* prev = s.overlap[ch];
            float time[576];
            for (int sb = 0; sb < 32; ++sb) {
                float raw[36] = {};
                const float* in = x + sb * 18;
                if (sb < activeBands) {
                    unsigned type = !shortBlock ? g.blockType : (g.mixed && sb < 2) ? 0u : 2u;
                    if (type == 2) {
                        for (int w = 0; w < 3; ++w) {
                            for (int i = 0; i < 12; ++i) {
                                float sum = 0;
                                for (int k = 0; k < 6; ++k) sum += in[3 * k + w] * s.imdctShort[k][i];
                                raw[6 + 6 * w + i] += sum * s.window[2][i];
                            }
                        }
                    } else {
                        for (int i = 0; i < 36; ++i) {
                            float sum = 0;
                            for (int k = 0; k < 18; ++k) sum += in[k] * s.imdctLong[k][i];
                            raw[i] = sum * s.window[type][i];
                        }
                    }
                }
                for (int i = 0; i < 18; ++i) {
                    float v = raw[i] + prev[sb * 18 + i];
                    // Frequency inversion: odd time samples of odd subbands change sign.
                    time[i * 32 + sb] = ((sb & 1) && (i & 1)) ? -v : v;
                    prev[sb * 18 + i] = raw[18 + i];
                }
            }

            // Polyphase synthesis: 18 times 32 subband samples to 32 output samples.
            float* vbuf = s.v[ch];
            for (int slot = 0; slot < 18; ++slot) {
                float d[32], scratch[32];
                std::memcpy(d, time + slot * 32, sizeof d);
                dct(d, scratch, 32, s.dctCoef);
                int off = s.vOffset[ch] = (s.vOffset[ch] - 64) & 1023;
                for (int i = 0; i < 64; ++i) {
                    float val = i < 16 ? d[16 + i] : i == 16 ? 0.0f : i < 48 ? -d[48 - i] : -d[i - 48];
                    vbuf[(off + i) & 1023] = val;
                }
                std::int16_t* o = out.data() + outBase + (static_cast<std::size_t>(gr) * 576 + slot * 32) * 2 + ch;
                for (int j = 0; j < 32; ++j) {
                    float sum = 0;
                    for (int i = 0; i < 8; ++i) {
                        sum += vbuf[(off + i * 128 + j) & 1023] * s.synthWindow[i * 64 + j];
                        sum += vbuf[(off + i * 128 + 96 + j) & 1023] * s.synthWindow[i * 64 + 32 + j];
                    }
                    float scaled = sum * 32768.0f;
                    int sample = scaled >= 32767.0f ? 32767 : scaled <= -32768.0f ? -32768 : static_cast<int>(std::lrint(scaled));
                    o[j * 2] = static_cast<std::int16_t>(sample);
                    if (nch == 1) o[j * 2 + 1] = static_cast<std::int16_t>(sample);
                }
            }
        }
    }

    // Nothing further back than the largest main_data_begin (511 bytes) is ever needed.
    if (s.reservoir.size() > 4096) s.reservoir.erase(s.reservoir.begin(), s.reservoir.end() - 1024);
    return true;
}

}  // namespace sound
