// The toolkit's plain geometry records: points and rectangles in Single coordinates and
// the 3 x 3 matrix that maps row vectors (x, y, 1) x M, translation in m31/m32.
#pragma once

namespace hx {

struct TvxPoint {
    float X = 0;
    float Y = 0;
    friend bool operator==(const TvxPoint&, const TvxPoint&) = default;
};

struct TvxRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
    float Width() const { return Right - Left; }
    float Height() const { return Bottom - Top; }
    friend bool operator==(const TvxRect&, const TvxRect&) = default;
};

struct TvxMatrix {
    float m11 = 1, m12 = 0, m13 = 0;
    float m21 = 0, m22 = 1, m23 = 0;
    float m31 = 0, m32 = 0, m33 = 1;
    friend bool operator==(const TvxMatrix&, const TvxMatrix&) = default;

    static TvxMatrix Identity() { return {}; }
    static TvxMatrix Translation(float dx, float dy)
    {
        TvxMatrix m;
        m.m31 = dx;
        m.m32 = dy;
        return m;
    }
    static TvxMatrix Scaling(float sx, float sy)
    {
        TvxMatrix m;
        m.m11 = sx;
        m.m22 = sy;
        return m;
    }
    // Row-vector convention: (p x A) x B == p x (A * B), so A is applied first.
    friend TvxMatrix operator*(const TvxMatrix& a, const TvxMatrix& b)
    {
        TvxMatrix r;
        r.m11 = a.m11 * b.m11 + a.m12 * b.m21 + a.m13 * b.m31;
        r.m12 = a.m11 * b.m12 + a.m12 * b.m22 + a.m13 * b.m32;
        r.m13 = a.m11 * b.m13 + a.m12 * b.m23 + a.m13 * b.m33;
        r.m21 = a.m21 * b.m11 + a.m22 * b.m21 + a.m23 * b.m31;
        r.m22 = a.m21 * b.m12 + a.m22 * b.m22 + a.m23 * b.m32;
        r.m23 = a.m21 * b.m13 + a.m22 * b.m23 + a.m23 * b.m33;
        r.m31 = a.m31 * b.m11 + a.m32 * b.m21 + a.m33 * b.m31;
        r.m32 = a.m31 * b.m12 + a.m32 * b.m22 + a.m33 * b.m32;
        r.m33 = a.m31 * b.m13 + a.m32 * b.m23 + a.m33 * b.m33;
        return r;
    }
    TvxPoint MapPoint(TvxPoint p) const { return { p.X * m11 + p.Y * m21 + m31, p.X * m12 + p.Y * m22 + m32 }; }
    TvxPoint MapVector(TvxPoint v) const { return { v.X * m11 + v.Y * m21, v.X * m12 + v.Y * m22 }; }
};

} // namespace hx
