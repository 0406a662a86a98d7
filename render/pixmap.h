#pragma once
// Pixel storage: a pixmap of packed premultiplied RGBA8 (the render target and the source of
// bitmap fills) and a coverage mask of one byte per pixel (clip layers).

#include <cstdint>
#include <vector>

#include "render/color.h"

namespace render {

// Upper bound on either side of a pixmap or mask; larger requests give an empty one.
inline constexpr int kMaxPixmapSide = 16384;

class Pixmap {
public:
    Pixmap() = default;
    // A transparent pixmap; sizes outside 1..kMaxPixmapSide give an empty pixmap.
    Pixmap(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }

    Pixel* row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_width; }
    const Pixel* row(int y) const { return m_pixels.data() + static_cast<std::size_t>(y) * m_width; }
    Pixel at(int x, int y) const { return row(y)[x]; }
    void set(int x, int y, Pixel p) { row(y)[x] = p; }
    std::vector<Pixel>& pixels() { return m_pixels; }
    const std::vector<Pixel>& pixels() const { return m_pixels; }

    void fill(Pixel p);
    void fill(Color c) { fill(premultiply(c)); }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Pixel> m_pixels;
};

// One coverage byte per pixel (0 hides, 255 shows). Shapes are added to it with union; nested
// clips are combined with intersect().
class Mask {
public:
    Mask() = default;
    // A mask of the given size that hides everything.
    Mask(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    std::uint8_t* row(int y) { return m_data.data() + static_cast<std::size_t>(y) * m_width; }
    const std::uint8_t* row(int y) const {
        return m_data.data() + static_cast<std::size_t>(y) * m_width;
    }
    std::uint8_t at(int x, int y) const { return row(y)[x]; }

    void clear(std::uint8_t value);
    // Union of one coverage span into row y: m = m + c - m * c.
    void addSpan(int y, int x, int n, const std::uint8_t* coverage);
    // Keeps only what both masks show (product of coverages); sizes must match, otherwise the
    // result hides everything.
    void intersect(const Mask& other);

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_data;
};

}  // namespace render
