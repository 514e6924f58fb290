// The fill rule tests' cases, as fill_rule_expected.py beside this file
// prints them (see fill_rule_test.cpp): each case's vertices in pixels from
// the target's top-left corner and the picture of a window one pixel larger
// than its triangles on every side, '.' the clear colour, 'a' + i triangle i.
#pragma once

#include <string>
#include <vector>

namespace d3d11_test::fill_rule {

struct Point {
    float x, y;
};

struct Case {
    const char* name;
    std::vector<Point> vertices;
    int left, top;                   // the window's top-left pixel
    std::vector<std::string> image;  // the window, row by row
};

// One triangle each, clockwise.
const Case kSingle[] = {
    {"top edge on row 1's centres", // centres on edges: 6 top
     {{1.25f, 1.5f}, {6.75f, 1.5f}, {4.0f, 5.25f}}, 0, 0,
     {"........",
      ".aaaaaa.",
      "..aaaa..",
      "...aa...",
      "...aa...",
      "........"}},
    {"bottom edge on row 4's centres", // centres on edges: 6 bottom
     {{4.0f, 0.75f}, {6.75f, 4.5f}, {1.25f, 4.5f}}, 0, 0,
     {"........",
      "...aa...",
      "...aa...",
      "..aaaa..",
      "........",
      "........"}},
    {"left edge on column 1's centres", // centres on edges: 6 left
     {{1.5f, 1.25f}, {5.25f, 4.0f}, {1.5f, 6.75f}}, 0, 0,
     {"......",
      ".a....",
      ".aa...",
      ".aaaa.",
      ".aaaa.",
      ".aa...",
      ".a....",
      "......"}},
    {"right edge on column 5's centres", // centres on edges: 6 right
     {{5.5f, 1.25f}, {5.5f, 6.75f}, {1.75f, 4.0f}}, 1, 0,
     {"......",
      "......",
      "...a..",
      ".aaa..",
      ".aaa..",
      "...a..",
      "......",
      "......"}},
    {"left edge down and right through centres", // centres on edges: 3 left
     {{2.25f, 1.0f}, {6.75f, 1.0f}, {4.75f, 6.0f}}, 1, 0,
     {".......",
      ".aaaaa.",
      "..aaa..",
      "..aaa..",
      "...a...",
      "...a...",
      "......."}},
    {"left edge down and left through centres", // centres on edges: 3 left
     {{4.75f, 1.0f}, {6.75f, 6.0f}, {2.25f, 6.0f}}, 1, 0,
     {".......",
      "...a...",
      "...a...",
      "..aaa..",
      "..aaa..",
      ".aaaaa.",
      "......."}},
    {"right edge down and left through centres", // centres on edges: 3 right
     {{1.25f, 1.0f}, {5.75f, 1.0f}, {3.25f, 6.0f}}, 0, 0,
     {".......",
      ".aaaa..",
      "..aaa..",
      "..aa...",
      "...a...",
      ".......",
      "......."}},
    {"right edge down and right through centres", // centres on edges: 3 right
     {{3.25f, 1.0f}, {5.75f, 6.0f}, {1.25f, 6.0f}}, 0, 0,
     {".......",
      ".......",
      "...a...",
      "..aa...",
      "..aaa..",
      ".aaaa..",
      "......."}},
    {"top and left edges meet on a centre", // centres on edges: 5 top, 5 left
     {{1.5f, 1.5f}, {5.75f, 1.5f}, {1.5f, 5.75f}}, 0, 0,
     {".......",
      ".aaaaa.",
      ".aaaa..",
      ".aaa...",
      ".aa....",
      ".a.....",
      "......."}},
    {"bottom and right edges meet on a centre", // centres on edges: 5 bottom, 5 right
     {{5.5f, 1.25f}, {5.5f, 5.5f}, {1.25f, 5.5f}}, 0, 0,
     {".......",
      ".......",
      "....a..",
      "...aa..",
      "..aaa..",
      ".......",
      "......."}},
    {"top and right edges meet on a centre", // centres on edges: 5 top, 5 right
     {{1.25f, 1.5f}, {5.5f, 1.5f}, {5.5f, 5.75f}}, 0, 0,
     {".......",
      ".aaaa..",
      "..aaa..",
      "...aa..",
      "....a..",
      ".......",
      "......."}},
    {"left and bottom edges meet on a centre", // centres on edges: 5 bottom, 5 left
     {{1.5f, 1.25f}, {5.75f, 5.5f}, {1.5f, 5.5f}}, 0, 0,
     {".......",
      ".a.....",
      ".aa....",
      ".aaa...",
      ".aaaa..",
      ".......",
      "......."}},
    {"apex on a centre", // centres on edges: 1 left, 1 right
     {{3.5f, 1.5f}, {6.25f, 5.75f}, {0.75f, 5.75f}}, 0, 0,
     {".......",
      ".......",
      "...a...",
      "..aaa..",
      "..aaa..",
      ".aaaaa.",
      "......."}},
    {"lowest vertex on a centre", // centres on edges: 1 left, 1 right
     {{0.75f, 1.25f}, {6.25f, 1.25f}, {3.5f, 5.5f}}, 0, 0,
     {".......",
      ".aaaaa.",
      "..aaa..",
      "..aaa..",
      "...a...",
      ".......",
      "......."}},
    {"leftmost vertex on a centre", // centres on edges: 2 left
     {{1.5f, 3.5f}, {5.75f, 0.75f}, {5.75f, 6.25f}}, 0, 0,
     {".......",
      ".....a.",
      "...aaa.",
      ".aaaaa.",
      "...aaa.",
      ".....a.",
      "......."}},
    {"rightmost vertex on a centre", // centres on edges: 2 right
     {{5.5f, 3.5f}, {1.25f, 6.25f}, {1.25f, 0.75f}}, 0, 0,
     {".......",
      ".a.....",
      ".aaa...",
      ".aaaa..",
      ".aaa...",
      ".a.....",
      "......."}},
    {"top and left edges 1/1024 past the centres snap onto them", // centres on edges: 5 top, 5 left
     {{1.5009765625f, 1.5009765625f}, {5.75f, 1.5009765625f}, {1.5009765625f, 5.75f}}, 0, 0,
     {".......",
      ".aaaaa.",
      ".aaaa..",
      ".aaa...",
      ".aa....",
      ".a.....",
      "......."}},
    {"bottom and right edges 1/1024 past the centres snap onto them", // centres on edges: 5 bottom, 5 right
     {{5.5009765625f, 1.25f}, {5.5009765625f, 5.5009765625f}, {1.25f, 5.5009765625f}}, 0, 0,
     {".......",
      ".......",
      "....a..",
      "...aa..",
      "..aaa..",
      ".......",
      "......."}},
    {"top and left edges 1/1024 short of the centres snap onto them", // centres on edges: 5 top, 5 left
     {{1.4990234375f, 1.4990234375f}, {5.75f, 1.4990234375f}, {1.4990234375f, 5.75f}}, 0, 0,
     {".......",
      ".aaaaa.",
      ".aaaa..",
      ".aaa...",
      ".aa....",
      ".a.....",
      "......."}},
};

// Triangles sharing edges and vertices, clockwise, one colour each.
const Case kShared[] = {
    {"horizontal edge on row 3's centres", // centres on edges: 6 top, 6 bottom
     {{3.75f, 0.75f}, {6.75f, 3.5f}, {0.75f, 3.5f},
      {0.75f, 3.5f}, {6.75f, 3.5f}, {3.75f, 6.25f}}, 0, 0,
     {"........",
      "...aa...",
      "..aaaa..",
      ".bbbbbb.",
      "..bbbb..",
      "...bb...",
      "........"}},
    {"vertical edge on column 3's centres", // centres on edges: 6 left, 6 right
     {{3.5f, 0.75f}, {3.5f, 6.75f}, {0.75f, 3.75f},
      {3.5f, 0.75f}, {6.25f, 3.75f}, {3.5f, 6.75f}}, 0, 0,
     {".......",
      "...b...",
      "..abb..",
      ".aabbb.",
      ".aabbb.",
      "..abb..",
      "...b...",
      "......."}},
    {"square split from top-left to bottom-right", // centres on edges: 6 left, 6 right
     {{1.0f, 1.0f}, {7.0f, 1.0f}, {7.0f, 7.0f},
      {1.0f, 1.0f}, {7.0f, 7.0f}, {1.0f, 7.0f}}, 0, 0,
     {"........",
      ".aaaaaa.",
      ".baaaaa.",
      ".bbaaaa.",
      ".bbbaaa.",
      ".bbbbaa.",
      ".bbbbba.",
      "........"}},
    {"square split from top-right to bottom-left", // centres on edges: 6 left, 6 right
     {{1.0f, 1.0f}, {7.0f, 1.0f}, {1.0f, 7.0f},
      {7.0f, 1.0f}, {7.0f, 7.0f}, {1.0f, 7.0f}}, 0, 0,
     {"........",
      ".aaaaab.",
      ".aaaabb.",
      ".aaabbb.",
      ".aabbbb.",
      ".abbbbb.",
      ".bbbbbb.",
      "........"}},
    {"square with every edge and corner on centres", // centres on edges: 6 top, 6 bottom, 12 left, 12 right
     {{1.5f, 1.5f}, {6.5f, 1.5f}, {6.5f, 6.5f},
      {1.5f, 1.5f}, {6.5f, 6.5f}, {1.5f, 6.5f}}, 0, 0,
     {"........",
      ".aaaaa..",
      ".baaaa..",
      ".bbaaa..",
      ".bbbaa..",
      ".bbbba..",
      "........",
      "........"}},
    {"four triangles meeting on a centre", // centres on edges: 12 left, 12 right
     {{1.0f, 1.0f}, {6.0f, 1.0f}, {3.5f, 3.5f},
      {6.0f, 1.0f}, {6.0f, 6.0f}, {3.5f, 3.5f},
      {6.0f, 6.0f}, {1.0f, 6.0f}, {3.5f, 3.5f},
      {1.0f, 6.0f}, {1.0f, 1.0f}, {3.5f, 3.5f}}, 0, 0,
     {".......",
      ".aaaab.",
      ".daabb.",
      ".ddbbb.",
      ".dccbb.",
      ".ccccb.",
      "......."}},
};

// Triangle i of a strip takes vertices i, i + 1, i + 2, clockwise for even i;
// odd ones wind the other way and Direct3D turns them, so all face front.
const Case kStrip[] = {
    {"strip of four", // centres on edges: 10 top, 10 bottom, 12 left, 12 right
     {{1.5f, 7.5f}, {3.5f, 1.5f}, {5.5f, 7.5f}, {7.5f, 1.5f}, {9.5f, 7.5f}, {11.5f, 1.5f}}, 0, 0,
     {".............",
      "...bbbbdddd..",
      "...abbbcddd..",
      "...abbbcddd..",
      "..aabbccdd...",
      "..aaabcccd...",
      "..aaabcccd...",
      ".............",
      "............."}},
};

} // namespace d3d11_test::fill_rule
