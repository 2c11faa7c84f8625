#include "Glyphs.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace torven::e2e {

namespace {

// Dark text and the blue readout alike lie far below the face's luminance; edge pixels blended
// half-way with the face lie about the threshold.
constexpr int kInkLuminance = 128;

bool IsInk(const Image& shot, Point p) {
    return shot.At(p).Luminance() < kInkLuminance;
}

// The ink of one glyph in its bounding box, row by row.
struct Glyph {
    int w = 0;
    int h = 0;
    std::vector<char> ink;
    bool At(int x, int y) const { return ink[static_cast<std::size_t>(y * w + x)] != 0; }
};

// The glyphs in `box`, left to right: runs of columns that hold ink.
std::vector<Glyph> GlyphsIn(const Image& shot, Rect box) {
    std::vector<Glyph> glyphs;
    const auto columnHasInk = [&](int x) {
        for (int y = box.y; y < box.y + box.h; ++y) {
            if (IsInk(shot, {x, y}))
                return true;
        }
        return false;
    };
    for (int x = box.x; x < box.x + box.w;) {
        if (!columnHasInk(x)) {
            ++x;
            continue;
        }
        const int left = x;
        while (x < box.x + box.w && columnHasInk(x))
            ++x;
        int top = box.y + box.h, bottom = box.y - 1;
        for (int y = box.y; y < box.y + box.h; ++y) {
            for (int cx = left; cx < x; ++cx) {
                if (IsInk(shot, {cx, y})) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        Glyph g;
        g.w = x - left;
        g.h = bottom - top + 1;
        for (int y = top; y <= bottom; ++y) {
            for (int cx = left; cx < x; ++cx)
                g.ink.push_back(IsInk(shot, {cx, y}) ? 1 : 0);
        }
        glyphs.push_back(std::move(g));
    }
    return glyphs;
}

// Whether the blank around the glyph's middle is closed in by ink.
bool HasHoleInTheMiddle(const Glyph& g) {
    if (g.w < 3 || g.h < 3 || g.At(g.w / 2, g.h / 2))
        return false;
    std::vector<char> seen(g.ink.size(), 0);
    std::vector<Point> todo{{g.w / 2, g.h / 2}};
    while (!todo.empty()) {
        const Point p = todo.back();
        todo.pop_back();
        if (p.x < 0 || p.y < 0 || p.x >= g.w || p.y >= g.h)
            return false; // the blank reaches the outside
        const auto i = static_cast<std::size_t>(p.y * g.w + p.x);
        if (seen[i] || g.ink[i])
            continue;
        seen[i] = 1;
        todo.insert(todo.end(), {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}});
    }
    return true;
}

// The same glyph, allowing for edge pixels drawn at another sub-pixel offset: the best of the
// alignments a pixel apart differs in few pixels.
bool Alike(const Glyph& a, const Glyph& b) {
    if (std::abs(a.w - b.w) > 1 || a.h != b.h)
        return false;
    const auto inkAt = [](const Glyph& g, int x, int y) {
        return x >= 0 && x < g.w && g.At(x, y);
    };
    const int w = std::max(a.w, b.w) + 1;
    int fewest = w * a.h;
    for (int shift = -1; shift <= 1; ++shift) {
        int differ = 0;
        for (int y = 0; y < a.h; ++y) {
            for (int x = -1; x < w; ++x)
                differ += inkAt(a, x, y) != inkAt(b, x + shift, y);
        }
        fewest = std::min(fewest, differ);
    }
    return fewest * 12 <= a.w * a.h;
}

} // namespace

int InkIn(const Image& shot, Rect box) {
    int ink = 0;
    for (int y = box.y; y < box.y + box.h; ++y) {
        for (int x = box.x; x < box.x + box.w; ++x)
            ink += IsInk(shot, {x, y});
    }
    return ink;
}

bool ShowsZeroes(const Image& shot, Rect box) {
    const auto glyphs = GlyphsIn(shot, box);
    return glyphs.size() == 3 && HasHoleInTheMiddle(glyphs[0]) && Alike(glyphs[0], glyphs[1]) &&
           Alike(glyphs[0], glyphs[2]);
}

} // namespace torven::e2e
