// Direct3D's top-left rule for triangles, whatever rule the GL driver applies
// to a pixel centre that lies exactly on an edge (see shader_container.h).
//
// The geometry stage sees each triangle whole: it snaps the vertices as
// Direct3D does and tests, exactly, whether a pixel centre lies on an edge's
// line. Most triangles have none, and go to the rasterizer unchanged and
// unmarked. A triangle with one goes out twice: as it is, where the pixel
// stage keeps only the centres strictly inside, and grown by a pixel, where
// the pixel stage keeps only the centres on its edges that the rule gives
// it. Either way each centre is decided by the same integer arithmetic
// Direct3D's rasterizer does, and the pixels strictly inside still come
// from the driver's own rasterization of the triangle as it was written.

#include "platform/hlsl/glsl.h"

#include <algorithm>
#include <string_view>

namespace hlsl {

namespace {

// The geometry stage's half, after VertexFunctions' GLSL; POSITION stands
// for the fxsc_Vertex member that holds gl_Position, MAX_SEEN for the
// stage's maxvertexcount and MAX_EMITTED for the vertices it may emit now.
constexpr std::string_view kTriangleFunctions = R"(// The window position in 1/256 of a pixel, as Direct3D snaps it (to
// nearest, ties to even). False behind the eye and far outside the target,
// where the rule is left to the driver.
bool fxsc_snap(vec4 position, out ivec2 snapped, out vec2 window)
{
    snapped = ivec2(0);
    window = vec2(0.0);
    if (!(position.w > 0.0))
        return false;
    vec4 viewport = fxsc_gs_viewport;
    vec2 ndc = position.xy / position.w;
    window = viewport.xy + vec2(ndc.x + 1.0, 1.0 - ndc.y) * 0.5 * viewport.zw;
    if (!all(lessThan(abs(window), vec2(16384.0))))
        return false;
    snapped = ivec2(roundEven(window * 256.0));
    return true;
}

// Whether the line through a and b meets a pixel centre, whose coordinates
// are 128 more than a multiple of 256. With d = b - a and g = gcd(d.x, d.y),
// a centre c on it solves d.x (c.y - a.y) = d.y (c.x - a.x), which integers
// do exactly when K = d.x (a.y - 128) - d.y (a.x - 128) is a multiple of
// 256 g. K is a multiple of g, so that is when it is a multiple of 256 times
// the largest power of two in g, which the low bits tell. Integer products
// wrap but keep their low bits.
bool fxsc_line_meets_centre(ivec2 a, ivec2 b)
{
    ivec2 d = b - a;
    int twos = findLSB(d.x | d.y);
    if (twos < 0 || twos > 23)
        return false;
    uint k = uint(d.x * (a.y - 128) - d.y * (a.x - 128));
    return (k & ((256u << uint(twos)) - 1u)) == 0u;
}

// Whether Direct3D's rule gives a triangle the centres on its edge from a
// to b: a top edge (horizontal, the triangle below it) or a left one.
bool fxsc_top_left(ivec2 a, ivec2 b, float turn)
{
    // The edge's normal into the triangle is turn (-d.y, d.x).
    vec2 inward = turn * vec2(a.y - b.y, b.x - a.x);
    return inward.x > 0.0 || (inward.x == 0.0 && inward.y > 0.0);
}

// The vertex of the triangle grown by a pixel on every side at corner b,
// between the edges a-b and b-c (window pixels); false where the corner is
// so sharp that the grown one would reach far away.
bool fxsc_grown_corner(vec2 a, vec2 b, vec2 c, float turn, out vec2 corner)
{
    vec2 before = normalize(b - a);
    vec2 after = normalize(c - b);
    // Outward normals: the triangle turns the way `turn`'s sign says.
    vec2 outBefore = turn * vec2(before.y, -before.x);
    vec2 outAfter = turn * vec2(after.y, -after.x);
    float meet = 1.0 + dot(outBefore, outAfter);
    corner = b;
    if (!(meet > 1.0 / 4096.0))
        return false;
    corner = b + (outBefore + outAfter) / meet;
    return true;
}

// The weights that put a vertex on the triangle's plane at window position
// q: with perspective, as the rasterizer interpolates, and in the window.
bool fxsc_plane_weights(vec2 q, vec2 wa, vec2 wb, vec2 wc, vec3 w, out vec3 weight, out vec3 linear)
{
    float area = (wb.x - wa.x) * (wc.y - wa.y) - (wb.y - wa.y) * (wc.x - wa.x);
    float lb = ((q.x - wa.x) * (wc.y - wa.y) - (q.y - wa.y) * (wc.x - wa.x)) / area;
    float lc = ((wb.x - wa.x) * (q.y - wa.y) - (wb.y - wa.y) * (q.x - wa.x)) / area;
    linear = vec3(1.0 - lb - lc, lb, lc);
    vec3 perspective = linear / w;
    float sum = perspective.x + perspective.y + perspective.z;
    weight = perspective / sum;
    return sum > 0.0 && all(lessThan(abs(weight), vec3(1e6)));
}

// The vertices the stage has emitted, at most MAX_SEEN, and those that went
// out for them, at most MAX_EMITTED.
int fxsc_seen = 0;
int fxsc_emitted = 0;

void fxsc_emit_triangle(fxsc_Vertex a, fxsc_Vertex b, fxsc_Vertex c)
{
    ivec2 sa, sb, sc;
    vec2 wa, wb, wc;
    int mode = 0;
    int given = 0;
    fxsc_Vertex grown[3];
    if (fxsc_snap(a.POSITION, sa, wa) && fxsc_snap(b.POSITION, sb, wb) && fxsc_snap(c.POSITION, sc, wc)) {
        bool meets = fxsc_line_meets_centre(sa, sb) || fxsc_line_meets_centre(sb, sc) || fxsc_line_meets_centre(sc, sa);
        // Exact in a double: the products stay below 2^47.
        double area = meets ? double(sb.x - sa.x) * double(sc.y - sa.y) - double(sb.y - sa.y) * double(sc.x - sa.x) : 0.0;
        // Room for the grown copy, with three vertices kept for each triangle
        // the vertices still to come may make.
        bool room = fxsc_emitted + 6 + 3 * (MAX_SEEN - fxsc_seen) <= MAX_EMITTED;
        if (area != 0.0 && room) {
            vec2 pa = vec2(sa) / 256.0, pb = vec2(sb) / 256.0, pc = vec2(sc) / 256.0;
            float turn = area > 0.0 ? 1.0 : -1.0;
            vec3 w = vec3(a.POSITION.w, b.POSITION.w, c.POSITION.w);
            vec2 qa, qb, qc;
            vec3 ma, mb, mc, la, lb, lc;
            if (fxsc_grown_corner(pc, pa, pb, turn, qa) && fxsc_grown_corner(pa, pb, pc, turn, qb)
                && fxsc_grown_corner(pb, pc, pa, turn, qc) && fxsc_plane_weights(qa, wa, wb, wc, w, ma, la)
                && fxsc_plane_weights(qb, wa, wb, wc, w, mb, lb) && fxsc_plane_weights(qc, wa, wb, wc, w, mc, lc)) {
                mode = 1;
                // Bits 0 to 2: the edges a-b, b-c, c-a that are top or left;
                // bits 3 to 5: the vertices a, b, c between two such edges.
                int edges = (fxsc_top_left(sa, sb, turn) ? 1 : 0) | (fxsc_top_left(sb, sc, turn) ? 2 : 0)
                            | (fxsc_top_left(sc, sa, turn) ? 4 : 0);
                int vertices = (edges & (edges >> 2) & 1) | (edges & (edges << 1) & 6);
                given = edges | (vertices << 3);
                grown[0] = fxsc_mix_vertices(a, b, c, ma, la);
                grown[1] = fxsc_mix_vertices(a, b, c, mb, lb);
                grown[2] = fxsc_mix_vertices(a, b, c, mc, lc);
            }
        }
    }
    ivec4 first = ivec4(sa, sb);
    ivec4 second = ivec4(sc, mode, given);
    fxsc_Vertex triangle[3] = fxsc_Vertex[](a, b, c);
    for (int i = 0; i < 3; ++i) {
        fxsc_write_vertex(triangle[i]);
        fxsc_fill_rule = ivec4[](first, second);
        EmitVertex();
    }
    EndPrimitive();
    fxsc_emitted += 3;
    if (mode == 0)
        return;
    fxsc_emitted += 3;
    second.z = 2;
    for (int i = 0; i < 3; ++i) {
        fxsc_write_vertex(grown[i]);
        fxsc_fill_rule = ivec4[](first, second);
        EmitVertex();
    }
    EndPrimitive();
}

// A strip's triangle i is (i, i + 1, i + 2), or (i, i + 2, i + 1) for odd i,
// which keeps the strip's winding and its leading vertex first.
fxsc_Vertex fxsc_strip[2];
int fxsc_strip_length = 0;

void fxsc_emit_vertex()
{
    ++fxsc_seen;
    fxsc_Vertex v = fxsc_read_vertex();
    int n = fxsc_strip_length;
    if (n >= 2) {
        if ((n & 1) == 0)
            fxsc_emit_triangle(fxsc_strip[n & 1], fxsc_strip[(n + 1) & 1], v);
        else
            fxsc_emit_triangle(fxsc_strip[n & 1], v, fxsc_strip[(n + 1) & 1]);
    }
    fxsc_strip[n & 1] = v;
    fxsc_strip_length = n + 1;
}

void fxsc_end_primitive()
{
    fxsc_strip_length = 0;
}
)";

// The pixel stage's half: the snapped vertices and the mode, and the test.
constexpr std::string_view kPixelFunctions = R"(#ifdef FXSC_FILL_RULE
layout(location = FXSC_FILL_RULE) flat in ivec4 fxsc_fill_rule[2];

// Whether Direct3D's top-left rule leaves this pixel to the other drawing of
// its triangle, or out. The marks hold the snapped vertices in 1/256 of a
// pixel, the mode, and in `given` a bit per edge (0 to 1, 1 to 2, 2 to 0)
// that is a top or left edge, then at bit 3 + k one per vertex k whose two
// edges both are. Mode 1 is the triangle as it was written: centres on its
// edges are left out. Mode 2 is its grown copy: only the centres on its
// edges that the rule gives the triangle are kept.
bool fxsc_outside_fill_rule()
{
    ivec4 rule = fxsc_fill_rule[1];
    if (rule.z == 0)
        return false;
    ivec2 v[3] = ivec2[](fxsc_fill_rule[0].xy, fxsc_fill_rule[0].zw, rule.xy);
    vec2 w[3] = vec2[](vec2(v[0]), vec2(v[1]), vec2(v[2]));
    ivec2 p = ivec2(gl_FragCoord.xy) * 256 + 128;
    vec2 q = vec2(p);
    int onEdges = 0;
    for (int k = 0; k < 3; ++k) {
        int next = k == 2 ? 0 : k + 1;
        ivec2 d = v[next] - v[k];
        ivec2 r = p - v[k];
        vec2 e = w[next] - w[k];
        vec2 s = q - w[k];
        // The cross product of d and r, 0 on the edge's line, is below 2^47:
        // it is 0 when its low 32 bits are (integer products wrap) and its
        // value in single precision, off by less than 2^25, is below 2^30.
        bool onLine = d.x * r.y == d.y * r.x && abs(e.x * s.y - e.y * s.x) < 1073741824.0;
        bool between = all(greaterThanEqual(p, min(v[k], v[next]))) && all(lessThanEqual(p, max(v[k], v[next])));
        onEdges |= onLine && between ? 1 << k : 0;
    }
    if (rule.z == 1)
        return onEdges != 0;
    int vertex = p == v[0] ? 1 : (p == v[1] ? 2 : (p == v[2] ? 4 : 0));
    int given = vertex != 0 ? (rule.w >> 3) & vertex : rule.w & onEdges;
    return given == 0;
}
#endif
)";

constexpr std::string_view kMain = "\nvoid main()\n{\n";

void Replace(std::string& glsl, std::string_view from, std::string_view to)
{
    for (std::size_t at = glsl.find(from); at != std::string::npos; at = glsl.find(from, at + to.size()))
        glsl.replace(at, from.size(), to);
}

// Where a function may be defined after every global declaration: before
// the first function.
std::size_t FirstFunction(const std::string& glsl)
{
    for (std::size_t start = 0; start < glsl.size();) {
        const std::size_t end = glsl.find('\n', start);
        if (end == std::string::npos)
            break;
        const std::string_view line(glsl.data() + start, end - start);
        if (glsl.compare(end + 1, 2, "{\n") == 0 && line.find('(') != std::string_view::npos
            && !line.starts_with("layout") && !line.starts_with(" ") && !line.starts_with("#"))
            return start;
        start = end + 1;
    }
    return std::string::npos;
}

} // namespace

void LowerFillRule(std::string& glsl)
{
    // SPIRV-Cross writes the output primitive as "layout(max_vertices = N, triangle_strip) out;".
    constexpr std::string_view kLayout = "layout(max_vertices = ";
    constexpr std::string_view kStrip = ", triangle_strip) out;\n";
    const std::size_t layout = glsl.find(kLayout);
    const std::size_t strip = layout == std::string::npos ? layout : glsl.find(kStrip, layout);
    if (strip == std::string::npos || glsl.find("EmitStreamVertex(") != std::string::npos)
        return;
    const std::string count = glsl.substr(layout + kLayout.size(), strip - layout - kLayout.size());
    if (count.empty() || count.size() > 4 || count.find_first_not_of("0123456789") != std::string::npos)
        return;
    const std::optional<std::vector<VertexValue>> values = ReadVertexValues(glsl);
    const std::size_t functions = FirstFunction(glsl);
    if (!values || functions == std::string::npos || glsl.find(kMain) == std::string::npos)
        return;

    // Each triangle of a strip goes out on its own, with the marks' 8
    // components more on each vertex, and may be followed by its grown
    // copy: up to six vertices for each of the N - 2 triangles N vertices
    // make, within what every GL 4.5 driver takes (256 vertices, 1024
    // components in all), so that an effect behaves alike on every driver.
    // A triangle is grown only while room is left for three vertices of
    // every triangle still to come; a stage without room for those is left
    // to the driver's rule.
    const int vertices = std::stoi(count);
    int components = 8;
    for (const VertexValue& value : *values) {
        if (VertexValueComponents(value) == 0)
            return;
        components += VertexValueComponents(value);
    }
    const int emitted = std::min({6 * (vertices - 2), 256, 1024 / components});
    if (vertices < 3 || emitted < 3 * (vertices - 2))
        return;
    const std::string line = glsl.substr(layout, strip + kStrip.size() - layout);
    const std::string fillRuleLine = std::string(kLayout) + std::to_string(emitted) + std::string(kStrip);
    Replace(glsl, "EmitVertex();", "fxsc_emit_vertex();");
    Replace(glsl, "EndPrimitive();", "fxsc_end_primitive();");

    std::string triangle(kTriangleFunctions);
    const auto position = std::find_if(values->begin(), values->end(),
                                       [](const VertexValue& value) { return value.name == "gl_Position"; });
    Replace(triangle, "POSITION", "v" + std::to_string(position - values->begin()));
    Replace(triangle, "MAX_SEEN", std::to_string(vertices));
    Replace(triangle, "MAX_EMITTED", std::to_string(emitted));
    const std::string machinery = std::string("#ifdef ") + kFillRuleMacro + "\n"
                                  "layout(location = " + kFillRuleMacro + ") flat out ivec4 fxsc_fill_rule[2];\n"
                                  "layout(location = " + std::to_string(kViewportLocation) + ") uniform vec4 "
                                  + kViewportUniform + ";\n\n" + VertexFunctions(*values) + triangle
                                  + "#else\n"
                                    "void fxsc_emit_vertex()\n{\n    EmitVertex();\n}\n\n"
                                    "void fxsc_end_primitive()\n{\n    EndPrimitive();\n}\n"
                                    "#endif\n\n";
    glsl.insert(functions, machinery);
    glsl.replace(layout, line.size(),
                 std::string("#ifdef ") + kFillRuleMacro + "\n" + fillRuleLine + "#else\n" + line + "#endif\n");
}

void LowerFillRuleTest(std::string& glsl)
{
    const std::size_t main = glsl.find(kMain);
    if (main == std::string::npos || glsl.find("early_fragment_tests") != std::string::npos)
        return;
    // main() is the last function: its body runs to the file's last "}".
    const std::size_t close = glsl.rfind("\n}");
    if (close == std::string::npos || close < main || glsl.find_first_not_of(" \n", close + 2) != std::string::npos)
        return;
    // The decision is taken first; the discard waits for every way out of
    // main(), so that a pixel left out still helps its neighbours'
    // derivatives to the end, as a pixel Direct3D does not draw is not there
    // to drop. A discard in non-uniform control flow would leave them
    // undefined.
    const std::string drop = std::string("#ifdef ") + kFillRuleMacro + "\n    if (fxsc_dropped)\n        discard;\n#endif\n";
    glsl.insert(close + 1, drop);
    for (std::size_t at = glsl.find("return;", main); at != std::string::npos && at < close;
         at = glsl.find("return;", at + drop.size() + 7)) {
        const std::size_t line = glsl.rfind('\n', at) + 1;
        glsl.insert(line, drop);
    }
    glsl.insert(main + kMain.size(), std::string("#ifdef ") + kFillRuleMacro
                                         + "\n    bool fxsc_dropped = fxsc_outside_fill_rule();\n#endif\n");
    glsl.insert(main + 1, std::string(kPixelFunctions) + "\n");
}

std::string FillRuleInputDefines(const std::string& pixelGlsl)
{
    std::string defines;
    for (const auto& [qualifier, macro] : {std::pair{" flat in ", "FXSC_FLAT_"}, std::pair{" noperspective in ", "FXSC_LINEAR_"}})
        for (std::size_t at = pixelGlsl.find(qualifier); at != std::string::npos;
             at = pixelGlsl.find(qualifier, at + 1)) {
            const std::size_t name = pixelGlsl.find(" fxsc_in_", at + std::string_view(qualifier).size() - 1);
            const std::size_t end = pixelGlsl.find_first_of("[;", name);
            const std::size_t line = pixelGlsl.find('\n', at);
            if (name < line && end < line)
                defines += "#define " + std::string(macro) + pixelGlsl.substr(name + 9, end - name - 9) + "\n";
        }
    return defines;
}

bool HasFillRule(const std::string& glsl)
{
    return glsl.find("fxsc_fill_rule[2];") != std::string::npos;
}

} // namespace hlsl
