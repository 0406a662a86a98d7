// Affine matrix arithmetic in float; inversion refuses near-singular matrices.
#include "render/matrix.h"

#include <cmath>

namespace render {

Matrix Matrix::rotate(float radians) {
    float s = std::sin(radians);
    float co = std::cos(radians);
    return Matrix{co, s, -s, co, 0, 0};
}

Matrix Matrix::operator*(const Matrix& o) const {
    Matrix r;
    r.a = a * o.a + c * o.b;
    r.b = b * o.a + d * o.b;
    r.c = a * o.c + c * o.d;
    r.d = b * o.c + d * o.d;
    r.tx = a * o.tx + c * o.ty + tx;
    r.ty = b * o.tx + d * o.ty + ty;
    return r;
}

bool Matrix::isInvertible() const {
    double det = static_cast<double>(a) * d - static_cast<double>(b) * c;
    return std::isfinite(det) && std::fabs(det) > 1e-12;
}

bool Matrix::invert(Matrix& out) const {
    if (!isInvertible()) {
        return false;
    }
    double det = static_cast<double>(a) * d - static_cast<double>(b) * c;
    double inv = 1.0 / det;
    Matrix r;
    r.a = static_cast<float>(d * inv);
    r.b = static_cast<float>(-b * inv);
    r.c = static_cast<float>(-c * inv);
    r.d = static_cast<float>(a * inv);
    r.tx = static_cast<float>((static_cast<double>(c) * ty - static_cast<double>(d) * tx) * inv);
    r.ty = static_cast<float>((static_cast<double>(b) * tx - static_cast<double>(a) * ty) * inv);
    out = r;
    return true;
}

float Matrix::scaleX() const { return std::sqrt(a * a + b * b); }
float Matrix::scaleY() const { return std::sqrt(c * c + d * d); }

}  // namespace render
