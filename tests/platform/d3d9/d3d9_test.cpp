// The Direct3D 9 device the program creates and the teapot D3DX 9 generates
// on it: what CreateDevice accepts and refuses, and the mesh's shape,
// orientation, locking and lifetime, checked geometrically.

#include "platform/api.h"
#include "platform/diagnostics/diagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

HWND__ window{}; // only carried, never looked into

struct Arguments {
    UINT adapter = D3DADAPTER_DEFAULT;
    D3DDEVTYPE type = D3DDEVTYPE_HAL;
    HWND focus = &window;
    DWORD flags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    // The presentation parameters the program passes.
    D3DPRESENT_PARAMETERS pp = [] {
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferFormat = D3DFMT_X8R8G8B8, p.BackBufferCount = 1, p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE, p.EnableAutoDepthStencil = TRUE, p.AutoDepthStencilFormat = D3DFMT_D16;
        p.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
        return p;
    }();
    bool nullParameters = false;
};
using Change = void (*)(Arguments&);

void FullScreen(Arguments& a)
{
    a.pp.Windowed = FALSE, a.pp.BackBufferWidth = 1280, a.pp.BackBufferHeight = 720;
    a.pp.FullScreen_RefreshRateInHz = 60;
}

class D3D9Test : public ::testing::Test {
protected:
    void SetUp() override { diagnostics::Reset(); }
    void TearDown() override
    {
        diagnostics::Reset();
        EXPECT_EQ(diagnostics::LiveObjects(), 0) << "Direct3D 9 objects left alive";
    }

    // CreateDevice with changed arguments on a fresh Direct3D 9 object; the
    // device pointer starts non-null to see that a refusal clears it.
    static HRESULT CreateWith(Change change, IDirect3DDevice9** device)
    {
        Arguments a;
        change(a);
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d)
            return ADD_FAILURE() << "no Direct3D 9 object", E_FAIL;
        if (device)
            *device = reinterpret_cast<IDirect3DDevice9*>(&window);
        const HRESULT hr =
            d3d->CreateDevice(a.adapter, a.type, a.focus, a.flags, a.nullParameters ? nullptr : &a.pp, device);
        d3d->Release();
        return hr;
    }
};

TEST_F(D3D9Test, CreationAcceptsTheDocumentedVariantsAndRefusesTheRestSayingWhy)
{
    struct Variant {
        const char* reason; // part of the reason the journal gives; null: accepted
        Change change;
    };
    // clang-format off
    const Variant variants[] = {
        {nullptr, [](Arguments&) {}},
        {nullptr, [](Arguments& a) { a.focus = nullptr, a.pp.hDeviceWindow = &window; }},
        {nullptr, [](Arguments& a) { a.pp.BackBufferCount = 0; }},
        {nullptr, [](Arguments& a) { a.pp.BackBufferCount = 3; }}, // D3DPRESENT_BACK_BUFFERS_MAX
        {nullptr, [](Arguments& a) { a.flags = D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE; }},
        {nullptr, [](Arguments& a) { a.pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES; }},
        {nullptr, [](Arguments& a) { FullScreen(a), a.pp.PresentationInterval = D3DPRESENT_INTERVAL_TWO; }},
        {"parameters are null", [](Arguments& a) { a.nullParameters = true; }},
        {"no such adapter", [](Arguments& a) { a.adapter = 1; }},
        {"hardware device type", [](Arguments& a) { a.type = D3DDEVTYPE_REF; }},
        {"vertex processing flag", [](Arguments& a) { a.flags = D3DCREATE_FPU_PRESERVE; }},
        {"vertex processing flag", [](Arguments& a) { a.flags |= D3DCREATE_SOFTWARE_VERTEXPROCESSING; }},
        {"pure device", [](Arguments& a) { a.flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE; }},
        {"neither a focus window", [](Arguments& a) { a.focus = nullptr; }},
        {"needs a focus window", [](Arguments& a) { a.focus = nullptr, a.pp.hDeviceWindow = &window, FullScreen(a); }},
        {"more than three", [](Arguments& a) { a.pp.BackBufferCount = 4; }},
        {"unknown swap effect", [](Arguments& a) { a.pp.SwapEffect = static_cast<D3DSWAPEFFECT>(9); }},
        {"copy swap effect", [](Arguments& a) { a.pp.SwapEffect = D3DSWAPEFFECT_COPY, a.pp.BackBufferCount = 2; }},
        {"needs the discard", [](Arguments& a) {
            a.pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES, a.pp.SwapEffect = D3DSWAPEFFECT_FLIP; }},
        {"unknown multisample", [](Arguments& a) { a.pp.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(17); }},
        {"quality", [](Arguments& a) { a.pp.MultiSampleQuality = 1; }},
        {"not usable in a window", [](Arguments& a) { a.pp.BackBufferFormat = D3DFMT_D16; }},
        {"not a display format", [](Arguments& a) { FullScreen(a), a.pp.BackBufferFormat = D3DFMT_UNKNOWN; }},
        {"needs a size", [](Arguments& a) { FullScreen(a), a.pp.BackBufferHeight = 0; }},
        {"no refresh rate", [](Arguments& a) { a.pp.FullScreen_RefreshRateInHz = 60; }},
        {"presentation interval", [](Arguments& a) { a.pp.PresentationInterval = D3DPRESENT_INTERVAL_TWO; }},
        {"not a depth format", [](Arguments& a) { a.pp.AutoDepthStencilFormat = D3DFMT_X8R8G8B8; }},
    };
    // clang-format on
    diagnostics::EnableJournal(true);
    for (const Variant& variant : variants) {
        const std::string name = variant.reason ? variant.reason : "accepted " + std::to_string(&variant - variants);
        IDirect3DDevice9* device = nullptr;
        EXPECT_EQ(CreateWith(variant.change, &device), variant.reason ? D3DERR_INVALIDCALL : S_OK) << name;
        const auto journal = diagnostics::TakeJournal();
        if (!variant.reason) {
            ASSERT_NE(device, nullptr) << name;
            EXPECT_EQ(diagnostics::LiveObjects("IDirect3D9"), 1) << "the device holds its Direct3D 9 object";
            device->Release();
            continue;
        }
        EXPECT_EQ(device, nullptr) << name;
        ASSERT_FALSE(journal.empty());
        EXPECT_NE(journal.back().arguments.find(variant.reason), std::string::npos) << journal.back().arguments;
    }
    EXPECT_EQ(CreateWith([](Arguments&) {}, nullptr), D3DERR_INVALIDCALL) << "no out-pointer";
    // Direct3DCreate9 takes 32, also with the D3D_DEBUG_INFO bit the debug
    // headers add.
    for (UINT version : {0u, 31u, 33u, 32u, 32u | 0x80000000u}) {
        IDirect3D9* d3d = Direct3DCreate9(version);
        EXPECT_EQ(d3d != nullptr, (version & 0xFFFF) == 32) << version;
        EXPECT_EQ(d3d ? d3d->Release() : 0u, 0u);
    }

    // An injected fault fails one call with the chosen result, then is used up.
    diagnostics::InjectFault("Direct3DCreate9", 1, E_FAIL);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    diagnostics::InjectFault("CreateDevice", 1, D3DERR_NOTAVAILABLE);
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(CreateWith([](Arguments&) {}, &device), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(CreateWith([](Arguments&) {}, &device), S_OK);
    ASSERT_NE(device, nullptr);
    device->Release();
}

// The layout the program reads: position, then normal.
struct Vertex {
    float position[3];
    float normal[3];
};

struct Vec {
    double x, y, z;
};
Vec P(const Vertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
Vec N(const Vertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(Vec a) { return std::sqrt(Dot(a, a)); }

class Teapot : public D3D9Test {
protected:
    void SetUp() override
    {
        D3D9Test::SetUp();
        ASSERT_EQ(CreateWith([](Arguments&) {}, &device_), S_OK);
        ASSERT_EQ(D3DXCreateTeapot(device_, &mesh_, nullptr), S_OK);
        ASSERT_NE(mesh_, nullptr);
        void* vertices = nullptr;
        void* indices = nullptr;
        ASSERT_EQ(mesh_->LockVertexBuffer(D3DLOCK_READONLY, &vertices), S_OK);
        ASSERT_EQ(mesh_->LockIndexBuffer(D3DLOCK_READONLY, &indices), S_OK);
        vertices_.resize(mesh_->GetNumVertices());
        indices_.resize(3 * std::size_t{mesh_->GetNumFaces()});
        std::memcpy(vertices_.data(), vertices, vertices_.size() * sizeof(Vertex));
        std::memcpy(indices_.data(), indices, indices_.size() * sizeof(std::uint16_t));
        EXPECT_EQ(mesh_->UnlockVertexBuffer(), S_OK);
        EXPECT_EQ(mesh_->UnlockIndexBuffer(), S_OK);
    }
    void TearDown() override
    {
        mesh_ ? mesh_->Release() : 0u, device_ ? device_->Release() : 0u;
        D3D9Test::TearDown();
    }

    const Vertex& Corner(std::size_t face, int k) const { return vertices_[indices_[3 * face + k]]; }
    // Direct3D's front face is clockwise in its left-handed frame, which
    // makes (b - a) x (c - a) point toward the viewer, out of the surface.
    Vec FaceNormal(std::size_t face) const
    {
        return Cross(P(Corner(face, 1)) - P(Corner(face, 0)), P(Corner(face, 2)) - P(Corner(face, 0)));
    }

    IDirect3DDevice9* device_ = nullptr;
    ID3DXMesh* mesh_ = nullptr;
    std::vector<Vertex> vertices_;
    std::vector<std::uint16_t> indices_;
};

TEST_F(Teapot, IsNewellsTeapotCentredWithYUpAndTheSpoutTowardPlusX)
{
    // 32 patches x 6 x 6 quads x 2, less the 6 triangles collapsing at each of
    // the 8 pole patches' poles; 24 bytes a vertex, position and normal.
    EXPECT_EQ(mesh_->GetNumFaces(), 2256u);
    EXPECT_EQ(mesh_->GetNumVertices(), 1177u);
    EXPECT_EQ(mesh_->GetNumBytesPerVertex(), 24u);

    std::vector<int> uses(vertices_.size(), 0);
    for (std::size_t f = 0; f < indices_.size() / 3; ++f) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_LT(indices_[3 * f + k], vertices_.size());
            ++uses[indices_[3 * f + k]];
        }
        EXPECT_GT(Length(FaceNormal(f)), 1e-9) << "degenerate face " << f;
    }
    EXPECT_EQ(std::count(uses.begin(), uses.end(), 0), 0) << "unreferenced vertices";
    std::set<std::tuple<float, float, float>> positions;
    for (const Vertex& v : vertices_)
        positions.insert({v.position[0], v.position[1], v.position[2]});
    EXPECT_EQ(positions.size(), vertices_.size()) << "equal positions left unwelded";

    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    for (const Vertex& v : vertices_) {
        for (int i = 0; i < 3; ++i)
            low[i] = std::min(low[i], v.position[i]), high[i] = std::max(high[i], v.position[i]);
        // Spout and handle lie in the x-y plane: it is its own mirror image.
        EXPECT_TRUE(positions.count({v.position[0], v.position[1], -v.position[2]})) << v.position[2];
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(low[i] + high[i], 0.0, 1e-6) << "axis " << i;
    // Half of Newell's units: 3.15 from the base to the knob's top, the
    // body's widest circle of radius 2.
    EXPECT_NEAR(high[1] - low[1], 1.575, 1e-5);
    EXPECT_NEAR(high[2] - low[2], 2.0, 1e-5);

    // The base's centre and the knob's top are the lowest and highest points,
    // on the body's axis, with normals straight down and up. The spout
    // reaches further from that axis than the handle, so centring the box
    // puts the axis on the -x side.
    const auto byY = [](const Vertex& a, const Vertex& b) { return a.position[1] < b.position[1]; };
    const Vertex& bottom = *std::min_element(vertices_.begin(), vertices_.end(), byY);
    const Vertex& top = *std::max_element(vertices_.begin(), vertices_.end(), byY);
    EXPECT_FLOAT_EQ(bottom.position[0], top.position[0]);
    EXPECT_LT(bottom.position[0], -0.05f);
    EXPECT_EQ(bottom.position[2], 0.0f);
    EXPECT_EQ(top.position[2], 0.0f);
    EXPECT_LT(Length(N(bottom) - Vec{0, -1, 0}), 1e-6);
    EXPECT_LT(Length(N(top) - Vec{0, 1, 0}), 1e-6);
}

TEST_F(Teapot, NormalsAndClockwiseFrontFacesPointOutward)
{
    for (const Vertex& v : vertices_)
        EXPECT_NEAR(Length(N(v)), 1.0, 1e-5);
    // The winding's face normal agrees with the surface normals at the corners.
    const std::size_t faces = indices_.size() / 3;
    for (std::size_t f = 0; f < faces; ++f) {
        const Vec n = FaceNormal(f);
        EXPECT_GT(Dot(n, N(Corner(f, 0))) + Dot(n, N(Corner(f, 1))) + Dot(n, N(Corner(f, 2))), 0.0) << "face " << f;
    }
    // Neighbours wind the same way: no edge is walked twice in one direction.
    std::map<std::pair<int, int>, int> edges;
    for (std::size_t f = 0; f < faces; ++f)
        for (int k = 0; k < 3; ++k)
            ++edges[{indices_[3 * f + k], indices_[3 * f + (k + 1) % 3]}];
    for (const auto& [edge, count] : edges)
        EXPECT_EQ(count, 1) << edge.first << " -> " << edge.second;
    // And that way is outward: the enclosed volume comes out positive (turned
    // inside out it would be negative).
    double volume = 0;
    for (std::size_t f = 0; f < faces; ++f)
        volume += Dot(P(Corner(f, 0)), FaceNormal(f)) / 6.0;
    EXPECT_GT(volume, 2.0);
}

TEST_F(Teapot, LocksRefusalsFaultsAndLifetime)
{
    // A lock gives the mesh's own data, the same each time; a reload builds
    // the same teapot again.
    ID3DXMesh* again = nullptr;
    ASSERT_EQ(D3DXCreateTeapot(device_, &again, nullptr), S_OK);
    for (const auto& [mesh, stored] : {std::pair{mesh_, true}, std::pair{again, false}}) {
        void *vertices = nullptr, *indices = nullptr, *second = nullptr;
        ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices), S_OK);
        ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &second), S_OK);
        ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices), S_OK);
        EXPECT_EQ(second, vertices);
        EXPECT_EQ(std::memcmp(vertices, vertices_.data(), vertices_.size() * sizeof(Vertex)), 0) << stored;
        EXPECT_EQ(std::memcmp(indices, indices_.data(), indices_.size() * 2), 0) << stored;
        mesh->UnlockVertexBuffer(), mesh->UnlockVertexBuffer(), mesh->UnlockIndexBuffer();
    }
    again->Release();
    EXPECT_EQ(mesh_->LockIndexBuffer(D3DLOCK_READONLY, nullptr), D3DERR_INVALIDCALL);

    int sentinel = 0;
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(&sentinel);
    EXPECT_EQ(D3DXCreateTeapot(nullptr, &mesh, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(D3DXCreateTeapot(device_, nullptr, nullptr), D3DERR_INVALIDCALL);
    ID3DXBuffer* adjacency = reinterpret_cast<ID3DXBuffer*>(&sentinel);
    EXPECT_EQ(D3DXCreateTeapot(device_, &mesh, &adjacency), E_NOTIMPL) << "no adjacency is built";
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(adjacency, nullptr);
    diagnostics::InjectFault("D3DXCreateTeapot", 1, E_OUTOFMEMORY);
    EXPECT_EQ(D3DXCreateTeapot(device_, &mesh, nullptr), E_OUTOFMEMORY);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(diagnostics::LiveObjects("ID3DXMesh"), 1);

    diagnostics::InjectFault("LockVertexBuffer", 1, D3DERR_INVALIDCALL);
    diagnostics::InjectFault("LockIndexBuffer", 2, E_FAIL);
    void* data = &sentinel;
    EXPECT_EQ(mesh_->LockVertexBuffer(D3DLOCK_READONLY, &data), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(mesh_->LockIndexBuffer(D3DLOCK_READONLY, &data), S_OK);
    mesh_->UnlockIndexBuffer();
    EXPECT_EQ(mesh_->LockIndexBuffer(D3DLOCK_READONLY, &data), E_FAIL);
    EXPECT_EQ(data, nullptr);

    // The mesh holds its device, and the device its Direct3D 9 object.
    device_->Release();
    device_ = nullptr;
    EXPECT_EQ(diagnostics::LiveObjects("IDirect3DDevice9"), 1);
    EXPECT_EQ(diagnostics::LiveObjects("IDirect3D9"), 1);
    EXPECT_EQ(mesh_->Release(), 0u);
    mesh_ = nullptr;
    EXPECT_EQ(diagnostics::LiveObjects(), 0);
}

} // namespace
