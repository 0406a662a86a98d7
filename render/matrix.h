#pragma once
// 2D affine matrix: x' = a*x + c*y + tx, y' = b*x + d*y + ty (column vectors (a,b) and (c,d),
// the layout SWF and most 2D APIs use).

namespace render {

struct Point {
    float x = 0.0f;
    float y = 0.0f;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Matrix {
    float a = 1.0f, b = 0.0f, c = 0.0f, d = 1.0f, tx = 0.0f, ty = 0.0f;

    static Matrix translate(float x, float y) { return Matrix{1, 0, 0, 1, x, y}; }
    static Matrix scale(float sx, float sy) { return Matrix{sx, 0, 0, sy, 0, 0}; }
    static Matrix rotate(float radians);

    Point apply(Point p) const { return Point{a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // Applies only the linear part (for directions and lengths).
    Point applyVector(Point p) const { return Point{a * p.x + c * p.y, b * p.x + d * p.y}; }

    // this * other: applies `other` first, then this.
    Matrix operator*(const Matrix& other) const;

    float determinant() const { return a * d - b * c; }
    bool isInvertible() const;
    // The inverse, or false when the matrix is singular (the output is then left unchanged).
    bool invert(Matrix& out) const;

    // Length of the images of the unit x and unit y vectors.
    float scaleX() const;
    float scaleY() const;

    friend bool operator==(const Matrix&, const Matrix&) = default;
};

}  // namespace render
