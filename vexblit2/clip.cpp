#include "vexblit2/clip.h"

#include <algorithm>

namespace vexblit2 {
namespace {

struct Rect64 {
    int64_t Left, Top, Right, Bottom;
    bool Empty() const { return Right <= Left || Bottom <= Top; }
};

std::optional<Rect64> Intersect(const Rect64& a, const Rect64& b) {
    if (a.Empty() || b.Empty()) return std::nullopt;
    const Rect64 v{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                   std::min(a.Bottom, b.Bottom)};
    if (v.Empty()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<Visible> ClipToDest(const vx_Rect& r, int32_t destWidth, int32_t destHeight,
                                  int32_t destX, int32_t destY) {
    // The destination's bounds expressed in source coordinates.
    const int64_t left = int64_t(r.left) - destX, top = int64_t(r.top) - destY;
    const Rect64 bounds{left, top, left + destWidth, top + destHeight};
    const auto v = Intersect({r.left, r.top, r.right, r.bottom}, bounds);
    if (!v) return std::nullopt;
    return Visible{v->Left,
                   v->Top,
                   destX + v->Left - r.left,
                   destY + v->Top - r.top,
                   v->Right - v->Left,
                   v->Bottom - v->Top};
}

std::optional<Visible> ClipFill(int32_t destWidth, int32_t destHeight, int32_t x, int32_t y,
                                int32_t width, int32_t height) {
    const Rect64 bounds{-int64_t(x), -int64_t(y), int64_t(destWidth) - x, int64_t(destHeight) - y};
    const auto v = Intersect({0, 0, width, height}, bounds);
    if (!v) return std::nullopt;
    return Visible{v->Left,           v->Top, x + v->Left, y + v->Top, v->Right - v->Left,
                   v->Bottom - v->Top};
}

}  // namespace vexblit2
