#include "platform/d3d9/teapot.h"

#include "platform/d3d9/teapot_patches.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace d3d9 {

namespace {

constexpr int kQuadsPerSide = 6;
constexpr int kPointsPerSide = kQuadsPerSide + 1;
constexpr int kPointsPerPatch = kPointsPerSide * kPointsPerSide;
constexpr int kGridPoints = kTeapotPatchCount * kPointsPerPatch;
constexpr double kScale = 0.5;

// Samples closer than this (Newell's units) are one point. Patches meeting
// along a seam evaluate it from the same control points, so their samples
// differ by rounding only, while distinct samples are hundredths apart.
constexpr double kWeldDistance = 1e-6;

// Where a patch collapses to a pole one derivative vanishes; the normal is
// then taken this far inside the patch (in parameter units).
constexpr double kPoleNudge = 1e-3;

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vec3 operator*(double s, Vec3 a)
{
    return {s * a.x, s * a.y, s * a.z};
}

Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Length(Vec3 a)
{
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

struct Bernstein {
    double value[4];
    double slope[4];
};

Bernstein BernsteinAt(double t)
{
    const double s = 1.0 - t;
    return {{s * s * s, 3 * t * s * s, 3 * t * t * s, t * t * t},
            {-3 * s * s, 3 * s * (s - 2 * t), 3 * t * (2 * s - t), 3 * t * t}};
}

struct Patch {
    Vec3 points[4][4];
};

Patch LoadPatch(int index)
{
    Patch patch;
    const PatchIndices& indices = kTeapotPatches[index];
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const ControlPoint& p = kTeapotControlPoints[indices[row * 4 + column] - 1];
            patch.points[row][column] = {p.x, p.y, p.z};
        }
    return patch;
}

// The patch cut at one value u of the row parameter: the four points of the
// cubic that runs along the columns, and their derivatives with respect to u.
struct RowCurve {
    Vec3 points[4];
    Vec3 slopes[4];
};

RowCurve CurveAtRow(const Patch& patch, const Bernstein& bu)
{
    RowCurve curve;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            const Vec3& p = patch.points[row][column];
            curve.points[column] = curve.points[column] + bu.value[row] * p;
            curve.slopes[column] = curve.slopes[column] + bu.slope[row] * p;
        }
    return curve;
}

struct Sample {
    Vec3 position;
    Vec3 alongRow;    // derivative with respect to the row parameter u
    Vec3 alongColumn; // derivative with respect to the column parameter v
};

Sample SampleCurve(const RowCurve& curve, const Bernstein& bv)
{
    Sample sample;
    for (int column = 0; column < 4; ++column) {
        sample.position = sample.position + bv.value[column] * curve.points[column];
        sample.alongRow = sample.alongRow + bv.value[column] * curve.slopes[column];
        sample.alongColumn = sample.alongColumn + bv.slope[column] * curve.points[column];
    }
    return sample;
}

// The unit outward normal at (u, v), in Newell's right-handed frame.
Vec3 OutwardNormal(const Patch& patch, const Sample& sample, double u, double v)
{
    Vec3 normal = Cross(sample.alongColumn, sample.alongRow);
    double length = Length(normal);
    if (length < 1e-9) {
        const double insideU = u < 0.5 ? u + kPoleNudge : u - kPoleNudge;
        const double insideV = v < 0.5 ? v + kPoleNudge : v - kPoleNudge;
        const Sample beside = SampleCurve(CurveAtRow(patch, BernsteinAt(insideU)), BernsteinAt(insideV));
        normal = Cross(beside.alongColumn, beside.alongRow);
        length = Length(normal);
    }
    return (1.0 / length) * normal;
}

int GridIndex(int patch, int row, int column)
{
    return (patch * kPointsPerSide + row) * kPointsPerSide + column;
}

// Union-find over grid points; a set is named by its lowest index, so the
// welded vertices come out in the order their first sample was made.
int FindRoot(std::vector<int>& parent, int i)
{
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

void Unite(std::vector<int>& parent, int a, int b)
{
    const int rootA = FindRoot(parent, a);
    const int rootB = FindRoot(parent, b);
    if (rootA < rootB)
        parent[rootB] = rootA;
    else
        parent[rootA] = rootB;
}

std::vector<int> WeldCoincidentSamples(const std::vector<Vec3>& positions)
{
    // Sweep the samples in order of their distance along a skew direction:
    // coincident samples are then neighbours, and unlike the axes (the seams
    // and the symmetry plane lie in axis planes) the direction puts few
    // distinct samples at the same distance.
    constexpr Vec3 kSweep{0.8, 0.5, 0.3};
    constexpr double kSweepReach = (kSweep.x + kSweep.y + kSweep.z) * kWeldDistance;
    std::vector<double> distance(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        distance[i] = kSweep.x * positions[i].x + kSweep.y * positions[i].y + kSweep.z * positions[i].z;
    std::vector<int> order(positions.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return distance[a] < distance[b]; });

    std::vector<int> parent(positions.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (std::size_t a = 0; a < order.size(); ++a) {
        const Vec3& p = positions[order[a]];
        for (std::size_t b = a + 1; b < order.size() && distance[order[b]] - distance[order[a]] <= kSweepReach; ++b) {
            const Vec3& q = positions[order[b]];
            if (std::abs(q.x - p.x) <= kWeldDistance && std::abs(q.y - p.y) <= kWeldDistance &&
                std::abs(q.z - p.z) <= kWeldDistance)
                Unite(parent, order[a], order[b]);
        }
    }
    for (std::size_t i = 0; i < parent.size(); ++i)
        parent[i] = FindRoot(parent, static_cast<int>(i));
    return parent;
}

} // namespace

TeapotGeometry TessellateTeapot()
{
    std::vector<Vec3> positions(kGridPoints);
    std::vector<Vec3> normals(kGridPoints);
    Vec3 low{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
             std::numeric_limits<double>::max()};
    Vec3 high{-low.x, -low.y, -low.z};

    Bernstein basis[kPointsPerSide];
    for (int k = 0; k < kPointsPerSide; ++k)
        basis[k] = BernsteinAt(k / static_cast<double>(kQuadsPerSide));

    for (int p = 0; p < kTeapotPatchCount; ++p) {
        const Patch patch = LoadPatch(p);
        for (int row = 0; row < kPointsPerSide; ++row) {
            const RowCurve curve = CurveAtRow(patch, basis[row]);
            for (int column = 0; column < kPointsPerSide; ++column) {
                const double u = row / static_cast<double>(kQuadsPerSide);
                const double v = column / static_cast<double>(kQuadsPerSide);
                const Sample sample = SampleCurve(curve, basis[column]);
                const int i = GridIndex(p, row, column);
                positions[i] = sample.position;
                normals[i] = OutwardNormal(patch, sample, u, v);
                low = {std::min(low.x, sample.position.x), std::min(low.y, sample.position.y),
                       std::min(low.z, sample.position.z)};
                high = {std::max(high.x, sample.position.x), std::max(high.y, sample.position.y),
                        std::max(high.z, sample.position.z)};
            }
        }
    }
    const Vec3 centre = 0.5 * (low + high);

    const std::vector<int> root = WeldCoincidentSamples(positions);

    // Newell's (x, y, z) with z up becomes Direct3D's (x, z, y) with y up.
    // Swapping two axes also turns the right-handed frame into Direct3D's
    // left-handed one, so the shape is not mirrored.
    TeapotGeometry geometry;
    std::vector<int> vertexOf(kGridPoints, -1);
    std::vector<Vec3> normalSums;
    for (int i = 0; i < kGridPoints; ++i) {
        if (root[i] == i) {
            const Vec3& p = positions[i];
            vertexOf[i] = static_cast<int>(geometry.vertices.size());
            geometry.vertices.push_back({{static_cast<float>((p.x - centre.x) * kScale),
                                          static_cast<float>((p.z - centre.z) * kScale),
                                          static_cast<float>((p.y - centre.y) * kScale)},
                                         {}});
            normalSums.emplace_back();
        } else {
            vertexOf[i] = vertexOf[root[i]];
        }
        normalSums[vertexOf[i]] = normalSums[vertexOf[i]] + normals[i];
    }
    for (std::size_t v = 0; v < normalSums.size(); ++v) {
        const Vec3 n = (1.0 / Length(normalSums[v])) * normalSums[v];
        geometry.vertices[v].normal[0] = static_cast<float>(n.x);
        geometry.vertices[v].normal[1] = static_cast<float>(n.z);
        geometry.vertices[v].normal[2] = static_cast<float>(n.y);
    }

    // Outward is (d/dcolumn) x (d/drow) in Newell's frame; the axis swap
    // reverses cross products, so here it is (d/drow) x (d/dcolumn). A
    // triangle a -> b -> c whose (b - a) x (c - a) points outward is clockwise
    // seen from outside by Direct3D's convention: so step along the row
    // parameter first, then along the column parameter.
    const auto emit = [&](int a, int b, int c) {
        const int va = vertexOf[a], vb = vertexOf[b], vc = vertexOf[c];
        if (va == vb || vb == vc || va == vc)
            return; // collapsed at a pole
        geometry.indices.push_back(static_cast<std::uint16_t>(va));
        geometry.indices.push_back(static_cast<std::uint16_t>(vb));
        geometry.indices.push_back(static_cast<std::uint16_t>(vc));
    };
    geometry.indices.reserve(kTeapotPatchCount * kQuadsPerSide * kQuadsPerSide * 6);
    for (int p = 0; p < kTeapotPatchCount; ++p)
        for (int row = 0; row < kQuadsPerSide; ++row)
            for (int column = 0; column < kQuadsPerSide; ++column) {
                const int a = GridIndex(p, row, column);
                const int b = GridIndex(p, row + 1, column);
                const int c = GridIndex(p, row + 1, column + 1);
                const int d = GridIndex(p, row, column + 1);
                emit(a, b, c);
                emit(a, c, d);
            }
    return geometry;
}

} // namespace d3d9
