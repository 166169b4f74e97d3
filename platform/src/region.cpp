// Regions: sets of pixels kept as y-x banded rectangles.
//
// Every region is held in one canonical form: bands of equal top and bottom,
// bands ordered top to bottom and disjoint, the rectangles of a band ordered
// left to right, neither overlapping nor touching, and touching bands with
// the same spans merged. Equal pixel sets therefore have equal rectangle lists,
// and point tests can search by band.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "internal.h"

namespace platform {
namespace {

using Spans = std::vector<std::pair<LONG, LONG>>;

// Appends the band [top, bottom) with the given spans (sorted, disjoint, not
// touching), merging it into the previous band when that one ends at top and
// covers the same spans.
void AppendBand(std::vector<RECT>& out, LONG top, LONG bottom, const Spans& spans) {
  if (spans.empty() || top >= bottom) return;
  size_t end = out.size();
  if (end > 0 && out[end - 1].bottom == top) {
    size_t start = end;
    while (start > 0 && out[start - 1].top == out[end - 1].top) --start;
    if (end - start == spans.size()) {
      bool same = true;
      for (size_t k = 0; k < spans.size() && same; ++k)
        same = out[start + k].left == spans[k].first && out[start + k].right == spans[k].second;
      if (same) {
        for (size_t k = start; k < end; ++k) out[k].bottom = bottom;
        return;
      }
    }
  }
  for (const auto& span : spans) out.push_back(RECT{span.first, top, span.second, bottom});
}

// Sorts intervals and joins those that overlap or touch.
void MergeIntervals(Spans& spans) {
  std::sort(spans.begin(), spans.end());
  size_t kept = 0;
  for (size_t i = 0; i < spans.size(); ++i) {
    if (kept > 0 && spans[i].first <= spans[kept - 1].second) {
      spans[kept - 1].second = std::max(spans[kept - 1].second, spans[i].second);
    } else {
      spans[kept++] = spans[i];
    }
  }
  spans.resize(kept);
}

bool Keep(int mode, bool in_a, bool in_b) {
  switch (mode) {
    case RGN_AND: return in_a && in_b;
    case RGN_OR: return in_a || in_b;
    case RGN_XOR: return in_a != in_b;
    case RGN_DIFF: return in_a && !in_b;
    default: return in_a;
  }
}

// Combines two canonical span lists of one band.
Spans CombineSpans(const Spans& a, const Spans& b, int mode) {
  std::vector<LONG> xs;
  xs.reserve(2 * (a.size() + b.size()));
  for (const auto& s : a) xs.insert(xs.end(), {s.first, s.second});
  for (const auto& s : b) xs.insert(xs.end(), {s.first, s.second});
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  Spans out;
  size_t ia = 0, ib = 0;
  for (size_t k = 0; k + 1 < xs.size(); ++k) {
    LONG x0 = xs[k], x1 = xs[k + 1];
    while (ia < a.size() && a[ia].second <= x0) ++ia;
    while (ib < b.size() && b[ib].second <= x0) ++ib;
    bool in_a = ia < a.size() && a[ia].first <= x0;
    bool in_b = ib < b.size() && b[ib].first <= x0;
    if (!Keep(mode, in_a, in_b)) continue;
    if (!out.empty() && out.back().second == x0)
      out.back().second = x1;
    else
      out.emplace_back(x0, x1);
  }
  return out;
}

// Spans of the band of a canonical region that covers y, starting the search
// at index `from` (advanced past bands that end at or above y).
Spans BandAt(const std::vector<RECT>& r, size_t& from, LONG y) {
  while (from < r.size() && r[from].bottom <= y) ++from;
  Spans spans;
  for (size_t i = from; i < r.size() && r[i].top <= y && r[i].top == r[from].top; ++i)
    spans.emplace_back(r[i].left, r[i].right);
  return spans;
}

std::vector<RECT> Combine(const std::vector<RECT>& a, const std::vector<RECT>& b, int mode) {
  std::vector<LONG> ys;
  ys.reserve(2 * (a.size() + b.size()));
  for (const RECT& r : a) ys.insert(ys.end(), {r.top, r.bottom});
  for (const RECT& r : b) ys.insert(ys.end(), {r.top, r.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<RECT> out;
  size_t ia = 0, ib = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    Spans sa = BandAt(a, ia, ys[k]);
    Spans sb = BandAt(b, ib, ys[k]);
    AppendBand(out, ys[k], ys[k + 1], CombineSpans(sa, sb, mode));
  }
  return out;
}

// Appends canonical region b, which lies wholly at or below a's last band.
void AppendBelow(std::vector<RECT>& a, const std::vector<RECT>& b) {
  Spans spans;
  for (size_t i = 0; i < b.size();) {
    size_t j = i;
    spans.clear();
    for (; j < b.size() && b[j].top == b[i].top; ++j) spans.emplace_back(b[j].left, b[j].right);
    AppendBand(a, b[i].top, b[i].bottom, spans);
    i = j;
  }
}

// The canonical form of any list of rectangles; empty ones are dropped.
std::vector<RECT> Normalize(std::vector<RECT> in) {
  in.erase(std::remove_if(in.begin(), in.end(),
                          [](const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }),
           in.end());
  std::sort(in.begin(), in.end(), [](const RECT& p, const RECT& q) { return p.top < q.top; });
  std::vector<LONG> ys;
  ys.reserve(2 * in.size());
  for (const RECT& r : in) ys.insert(ys.end(), {r.top, r.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<RECT> out;
  std::vector<const RECT*> active;
  Spans spans;
  size_t next = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    LONG y0 = ys[k];
    active.erase(std::remove_if(active.begin(), active.end(),
                                [y0](const RECT* r) { return r->bottom <= y0; }),
                 active.end());
    while (next < in.size() && in[next].top <= y0) active.push_back(&in[next++]);
    if (active.empty()) continue;
    spans.clear();
    for (const RECT* r : active) spans.emplace_back(r->left, r->right);
    MergeIntervals(spans);
    AppendBand(out, y0, ys[k + 1], spans);
  }
  return out;
}

int Complexity(const std::vector<RECT>& rects) {
  if (rects.empty()) return NULLREGION;
  return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

GdiRegion* RegionOf(HRGN h) {
  GdiObject* object = GdiObjects().Get(h);
  return object && object->kind == GdiKind::Region ? &object->region : nullptr;
}

}  // namespace
}  // namespace platform

using namespace platform;

BOOL SetRect(RECT* lprc, int xLeft, int yTop, int xRight, int yBottom) {
  if (!lprc) return FALSE;
  *lprc = RECT{xLeft, yTop, xRight, yBottom};
  return TRUE;
}

HRGN ExtCreateRegion(const XFORM* lpx, DWORD nCount, const RGNDATA* lpData) {
  // Transforms are not offered: nothing here rotates or scales regions.
  if (lpx || !lpData || nCount < sizeof(RGNDATAHEADER)) return 0;
  RGNDATAHEADER header;
  std::memcpy(&header, lpData, sizeof header);
  if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES) return 0;
  if (header.nCount > (nCount - sizeof(RGNDATAHEADER)) / sizeof(RECT)) return 0;
  try {
    std::vector<RECT> rects(header.nCount);
    if (header.nCount > 0)
      std::memcpy(rects.data(), reinterpret_cast<const char*>(lpData) + sizeof(RGNDATAHEADER),
                  sizeof(RECT) * header.nCount);
    GdiObject object;
    object.kind = GdiKind::Region;
    object.region.rects = Normalize(std::move(rects));
    return GdiObjects().Add(std::move(object));
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
  if (iMode < RGN_AND || iMode > RGN_COPY) return ERROR;
  GdiRegion* dst = RegionOf(hrgnDst);
  GdiRegion* a = RegionOf(hrgnSrc1);
  GdiRegion* b = iMode == RGN_COPY ? a : RegionOf(hrgnSrc2);
  if (!dst || !a || !b) return ERROR;
  try {
    if (iMode == RGN_COPY) {
      if (dst != a) dst->rects = a->rects;
    } else if (iMode == RGN_OR && (b->rects.empty() || a->rects.empty() ||
                                   b->rects.front().top >= a->rects.back().bottom)) {
      // Rows added below what is there (how regions are built scan by scan)
      // need no sweep over the rectangles already held.
      if (a->rects.empty()) std::swap(a, b);
      if (dst != a) {
        std::vector<RECT> out = a->rects;
        AppendBelow(out, b->rects);
        dst->rects = std::move(out);
      } else if (b != a) {
        AppendBelow(dst->rects, b->rects);
      }
    } else {
      dst->rects = Combine(a->rects, b->rects, iMode);
    }
  } catch (const std::bad_alloc&) {
    return ERROR;
  }
  return Complexity(dst->rects);
}

BOOL PtInRegion(HRGN hrgn, int x, int y) {
  const GdiRegion* region = RegionOf(hrgn);
  if (!region) return FALSE;
  const std::vector<RECT>& r = region->rects;
  auto it = std::partition_point(r.begin(), r.end(), [y](const RECT& q) { return q.bottom <= y; });
  for (; it != r.end() && it->top <= y; ++it) {
    if (x < it->left) return FALSE;
    if (x < it->right) return TRUE;
  }
  return FALSE;
}
