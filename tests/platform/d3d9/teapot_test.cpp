// D3DXCreateTeapot: the mesh's counts and layout, its shape and orientation,
// its normals and winding (checked geometrically), locking, refusals,
// injected faults and lifetime.

#include "tests/platform/d3d9/d3d9_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The layout the program reads: position, then normal.
struct Vertex {
    float position[3];
    float normal[3];
};

struct Vec {
    double x, y, z;
};
Vec Position(const Vertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
Vec Normal(const Vertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(Vec a) { return std::sqrt(Dot(a, a)); }

struct Teapot {
    std::vector<Vertex> vertices;
    std::vector<std::uint16_t> indices;

    // Direct3D's front face is clockwise in its left-handed frame, which makes
    // (b - a) x (c - a) point toward the viewer, out of the surface.
    Vec FaceNormal(std::size_t face) const
    {
        const Vec a = Position(vertices[indices[3 * face]]);
        const Vec b = Position(vertices[indices[3 * face + 1]]);
        const Vec c = Position(vertices[indices[3 * face + 2]]);
        return Cross(b - a, c - a);
    }
    std::size_t Faces() const { return indices.size() / 3; }
    std::set<std::tuple<float, float, float>> Positions() const
    {
        std::set<std::tuple<float, float, float>> positions;
        for (const Vertex& v : vertices)
            positions.insert({v.position[0], v.position[1], v.position[2]});
        return positions;
    }
};

class TeapotTest : public D3D9Test {
protected:
    void SetUp() override
    {
        D3D9Test::SetUp();
        CreateProgramDevice(&d3d_, &device_);
    }

    void TearDown() override
    {
        if (device_)
            device_->Release();
        if (d3d_)
            d3d_->Release();
        D3D9Test::TearDown();
    }

    // Generates a teapot and reads it through read-only locks, as the
    // program does.
    Teapot ReadTeapot()
    {
        Teapot teapot;
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(D3DXCreateTeapot(device_, &mesh, nullptr), S_OK);
        if (!mesh)
            return teapot;
        EXPECT_EQ(mesh->GetNumBytesPerVertex(), sizeof(Vertex));
        void* vertices = nullptr;
        void* indices = nullptr;
        EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices), S_OK);
        EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices), S_OK);
        if (vertices && indices) {
            teapot.vertices.resize(mesh->GetNumVertices());
            teapot.indices.resize(3 * std::size_t{mesh->GetNumFaces()});
            std::memcpy(teapot.vertices.data(), vertices, teapot.vertices.size() * sizeof(Vertex));
            std::memcpy(teapot.indices.data(), indices, teapot.indices.size() * sizeof(std::uint16_t));
        }
        EXPECT_EQ(mesh->UnlockVertexBuffer(), S_OK);
        EXPECT_EQ(mesh->UnlockIndexBuffer(), S_OK);
        mesh->Release();
        return teapot;
    }

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

TEST_F(TeapotTest, HasTheClassicCountsAndLayout)
{
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateTeapot(device_, &mesh, nullptr), S_OK);
    ASSERT_NE(mesh, nullptr);
    // 32 patches x 6 x 6 quads x 2, less the 6 triangles collapsing at each of
    // the 8 pole patches' poles.
    EXPECT_EQ(mesh->GetNumFaces(), 2256u);
    // 32 x 7 x 7 samples welded along the seams and at the poles.
    EXPECT_EQ(mesh->GetNumVertices(), 1177u);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 24u);
    mesh->Release();
}

TEST_F(TeapotTest, TrianglesUseEveryWeldedVertexAndNoneIsDegenerate)
{
    const Teapot teapot = ReadTeapot();
    ASSERT_FALSE(teapot.vertices.empty());

    std::vector<int> uses(teapot.vertices.size(), 0);
    for (std::uint16_t index : teapot.indices) {
        ASSERT_LT(index, teapot.vertices.size());
        ++uses[index];
    }
    EXPECT_EQ(std::count(uses.begin(), uses.end(), 0), 0) << "unreferenced vertices";

    for (std::size_t f = 0; f < teapot.Faces(); ++f) {
        const std::uint16_t* i = &teapot.indices[3 * f];
        EXPECT_TRUE(i[0] != i[1] && i[1] != i[2] && i[0] != i[2]) << "face " << f;
        EXPECT_GT(Length(teapot.FaceNormal(f)), 1e-9) << "face " << f;
    }

    EXPECT_EQ(teapot.Positions().size(), teapot.vertices.size()) << "equal positions left unwelded";
}

TEST_F(TeapotTest, IsCentredWithYUpAndTheSpoutTowardPlusX)
{
    const Teapot teapot = ReadTeapot();
    ASSERT_FALSE(teapot.vertices.empty());

    Vec low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
    const Vertex* bottom = &teapot.vertices[0];
    const Vertex* top = &teapot.vertices[0];
    for (const Vertex& v : teapot.vertices) {
        const Vec p = Position(v);
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        bottom = p.y < bottom->position[1] ? &v : bottom;
        top = p.y > top->position[1] ? &v : top;
    }
    EXPECT_NEAR(low.x + high.x, 0.0, 1e-6);
    EXPECT_NEAR(low.y + high.y, 0.0, 1e-6);
    EXPECT_NEAR(low.z + high.z, 0.0, 1e-6);
    // Half of Newell's units: from the base to the top of the knob 3.15 tall,
    // the body's widest circle of radius 2.
    EXPECT_NEAR(high.y - low.y, 1.575, 1e-5);
    EXPECT_NEAR(high.z - low.z, 2.0, 1e-5);

    // The bottom's centre and the knob's top are the lowest and highest
    // points; they lie on the vertical axis of the body.
    EXPECT_FLOAT_EQ(bottom->position[0], top->position[0]);
    EXPECT_EQ(bottom->position[2], 0.0f);
    EXPECT_EQ(top->position[2], 0.0f);
    // The spout reaches further from that axis than the handle, so centring
    // the bounding box puts the axis on the -x side.
    EXPECT_LT(bottom->position[0], -0.05f);

    // Spout and handle lie in the x-y plane: the teapot is its own mirror
    // image across z = 0.
    const std::set<std::tuple<float, float, float>> positions = teapot.Positions();
    for (const Vertex& v : teapot.vertices)
        EXPECT_TRUE(positions.count({v.position[0], v.position[1], -v.position[2]}))
            << v.position[0] << " " << v.position[1] << " " << v.position[2];
}

TEST_F(TeapotTest, NormalsAreUnitAndPointOutward)
{
    const Teapot teapot = ReadTeapot();
    ASSERT_FALSE(teapot.vertices.empty());
    for (const Vertex& v : teapot.vertices)
        EXPECT_NEAR(Length(Normal(v)), 1.0, 1e-5);

    const auto lowest = std::min_element(teapot.vertices.begin(), teapot.vertices.end(),
                                         [](const Vertex& a, const Vertex& b) { return a.position[1] < b.position[1]; });
    const auto highest = std::max_element(teapot.vertices.begin(), teapot.vertices.end(),
                                          [](const Vertex& a, const Vertex& b) { return a.position[1] < b.position[1]; });
    // At the poles all the patches around meet in one vertex; their mean
    // normal is straight down and straight up.
    EXPECT_LT(Length(Normal(*lowest) - Vec{0, -1, 0}), 1e-6);
    EXPECT_LT(Length(Normal(*highest) - Vec{0, 1, 0}), 1e-6);

    // The pot's side wall, from just above the base to the rim, away from the
    // plane of spout and handle: normals lean away from the body's axis.
    const double axisX = lowest->position[0];
    const double rimY = lowest->position[1] + 2.4 * 0.5;
    int wall = 0;
    for (const Vertex& v : teapot.vertices) {
        const Vec p = Position(v);
        if (p.y < lowest->position[1] + 0.05 || p.y > rimY || std::abs(p.z) < 0.35)
            continue;
        ++wall;
        const Vec radial{p.x - axisX, 0.0, p.z};
        EXPECT_GT(Dot(Normal(v), radial), 0.0) << p.x << " " << p.y << " " << p.z;
    }
    EXPECT_GT(wall, 200);
}

TEST_F(TeapotTest, FrontFacesAreClockwiseFromOutside)
{
    const Teapot teapot = ReadTeapot();
    ASSERT_FALSE(teapot.vertices.empty());

    // The face normal the winding gives agrees with the surface normals at
    // its corners.
    for (std::size_t f = 0; f < teapot.Faces(); ++f) {
        const Vec n = teapot.FaceNormal(f);
        Vec corners{0, 0, 0};
        for (int k = 0; k < 3; ++k)
            corners = corners + Normal(teapot.vertices[teapot.indices[3 * f + k]]);
        EXPECT_GT(Dot(n, corners), 0.0) << "face " << f;
    }

    // Neighbours wind the same way: no edge is walked twice in one direction.
    std::map<std::pair<int, int>, int> directedEdges;
    for (std::size_t f = 0; f < teapot.Faces(); ++f)
        for (int k = 0; k < 3; ++k)
            ++directedEdges[{teapot.indices[3 * f + k], teapot.indices[3 * f + (k + 1) % 3]}];
    for (const auto& [edge, count] : directedEdges)
        EXPECT_EQ(count, 1) << edge.first << " -> " << edge.second;

    // And that way is outward: the volume the faces enclose comes out
    // positive (turned inside out it would be negative).
    double volume = 0;
    for (std::size_t f = 0; f < teapot.Faces(); ++f)
        volume += Dot(Position(teapot.vertices[teapot.indices[3 * f]]), teapot.FaceNormal(f)) / 6.0;
    EXPECT_GT(volume, 2.0);
}

TEST_F(TeapotTest, LocksGiveTheMeshOwnDataAndEveryTeapotIsTheSame)
{
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateTeapot(device_, &mesh, nullptr), S_OK);
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &first), S_OK);
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &second), S_OK);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    mesh->UnlockVertexBuffer();
    mesh->UnlockVertexBuffer();
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, nullptr), D3DERR_INVALIDCALL);
    mesh->Release();

    // The reload path builds the teapot again: it must come out identical.
    const Teapot a = ReadTeapot();
    const Teapot b = ReadTeapot();
    ASSERT_EQ(a.vertices.size(), b.vertices.size());
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(std::memcmp(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(Vertex)), 0);
}

TEST_F(TeapotTest, RefusalsAndInjectedFaultsLeaveNoMesh)
{
    int sentinel = 0;
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(&sentinel);
    EXPECT_EQ(D3DXCreateTeapot(nullptr, &mesh, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(D3DXCreateTeapot(device_, nullptr, nullptr), D3DERR_INVALIDCALL);
    // This layer builds no adjacency; asking for it fails cleanly.
    ID3DXBuffer* adjacency = reinterpret_cast<ID3DXBuffer*>(&sentinel);
    EXPECT_EQ(D3DXCreateTeapot(device_, &mesh, &adjacency), E_NOTIMPL);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(adjacency, nullptr);
    diagnostics::InjectFault("D3DXCreateTeapot", 1, E_OUTOFMEMORY);
    EXPECT_EQ(D3DXCreateTeapot(device_, &mesh, nullptr), E_OUTOFMEMORY);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(diagnostics::LiveObjects("ID3DXMesh"), 0);

    ASSERT_EQ(D3DXCreateTeapot(device_, &mesh, nullptr), S_OK);
    diagnostics::InjectFault("LockVertexBuffer", 1, D3DERR_INVALIDCALL);
    diagnostics::InjectFault("LockIndexBuffer", 2, E_FAIL);
    void* data = &sentinel;
    EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), S_OK);
    EXPECT_NE(data, nullptr);
    mesh->UnlockIndexBuffer();
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), E_FAIL);
    EXPECT_EQ(data, nullptr);
    mesh->Release();
}

// A D3DX mesh holds its device, and a device its Direct3D 9 object.
TEST_F(TeapotTest, MeshKeepsItsDeviceAliveUntilReleased)
{
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateTeapot(device_, &mesh, nullptr), S_OK);
    device_->Release();
    device_ = nullptr;
    d3d_->Release();
    d3d_ = nullptr;
    EXPECT_EQ(diagnostics::LiveObjects("IDirect3DDevice9"), 1);
    EXPECT_EQ(diagnostics::LiveObjects("IDirect3D9"), 1);

    void* data = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), S_OK);
    EXPECT_NE(data, nullptr);
    mesh->UnlockVertexBuffer();
    EXPECT_EQ(mesh->Release(), 0u);
    EXPECT_EQ(diagnostics::LiveObjects(), 0);
}

} // namespace
