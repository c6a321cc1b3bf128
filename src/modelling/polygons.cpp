#include "modelling/polygons.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <new>
#include <queue>
#include <unordered_map>
#include <utility>

#include "foundation/error_output.h"
#include "modelling/construction_object.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"
#include "scene/scene.h"

namespace orvane {

namespace {

constexpr const char* kSamePolygonText = "The second polygon may not be the first polygon!";
constexpr const char* kNotMeshesText = "Both polygons must be 3D-Mesh-Objects!";
constexpr const char* kCannotUniteText = "The polygons can't united.";
constexpr const char* kNoPathText = "You must first select the path.";
constexpr const char* kPolygonBaseName = "Polygon";

// 2 pi as the direction angle forms it (from the float pi).
constexpr double kTwoPi = 2.0 * double{kPi};
// Quadrilaterals whose diagonals differ by less than this are cut along the first one.
constexpr double kEqualDiagonals = 1e-6;

// --- Exact-sign plane predicates ---
//
// The points are floats; their differences and the products of two differences are exact in
// double, so the sign of every cross product below is exact.

struct P2 {
  double x;
  double y;
};

P2 At(const Vec3* points, uint32_t i) {
  return P2{points[i].x, points[i].y};
}

P2 Sub(const P2& a, const P2& b) {
  return P2{a.x - b.x, a.y - b.y};
}

double CrossOf(const P2& u, const P2& v) {
  return u.x * v.y - u.y * v.x;
}

double DotOf(const P2& u, const P2& v) {
  return u.x * v.x + u.y * v.y;
}

// > 0 when a, b, c turn left (counterclockwise), < 0 right, 0 collinear.
double Orient(const P2& a, const P2& b, const P2& c) {
  return CrossOf(Sub(b, a), Sub(c, a));
}

int Sign(double v) {
  return (v > 0.0) - (v < 0.0);
}

bool Same(const P2& a, const P2& b) {
  return a.x == b.x && a.y == b.y;
}

// Whether the closed boxes of segments pq and ab overlap.
bool BoxesOverlap(const P2& p, const P2& q, const P2& a, const P2& b) {
  return std::max(a.x, b.x) >= std::min(p.x, q.x) && std::min(a.x, b.x) <= std::max(p.x, q.x) &&
         std::max(a.y, b.y) >= std::min(p.y, q.y) && std::min(a.y, b.y) <= std::max(p.y, q.y);
}

// Segments pq and ab cross properly: each has its end points strictly on both sides of the
// other's line.
bool CrossProperly(const P2& p, const P2& q, const P2& a, const P2& b) {
  if (!BoxesOverlap(p, q, a, b)) return false;
  if (Sign(Orient(p, q, a)) * Sign(Orient(p, q, b)) >= 0) return false;
  return Sign(Orient(a, b, p)) * Sign(Orient(a, b, q)) < 0;
}

// Whether the edge ab keeps the diagonal pq from being a diagonal: the open segment pq meets
// the edge anywhere (a proper crossing, a corner of the edge on it, an overlap along a line),
// or an end of pq lies inside the edge. Meeting only in a shared end point does not count.
bool Blocks(const P2& p, const P2& q, const P2& a, const P2& b) {
  if (!BoxesOverlap(p, q, a, b)) return false;
  const int o1 = Sign(Orient(p, q, a));
  const int o2 = Sign(Orient(p, q, b));
  if (o1 * o2 > 0) return false;
  const int o3 = Sign(Orient(a, b, p));
  const int o4 = Sign(Orient(a, b, q));
  if (o3 * o4 > 0) return false;
  if (o1 != 0 && o2 != 0 && o3 != 0 && o4 != 0) return true;
  if (o1 == 0 && o2 == 0) {
    // Collinear: compare the parameters along pq of the edge's ends.
    const P2 d = Sub(q, p);
    const double len2 = DotOf(d, d);
    if (len2 == 0.0) return false;
    const double ta = DotOf(Sub(a, p), d) / len2;
    const double tb = DotOf(Sub(b, p), d) / len2;
    const double lo = std::max(0.0, std::min(ta, tb));
    const double hi = std::min(1.0, std::max(ta, tb));
    if (hi > lo) return true;                 // overlap of positive length
    return hi == lo && lo > 0.0 && lo < 1.0;  // an edge end inside pq
  }
  // The segments touch in one point: an end of one lying on the other.
  if (o1 == 0 && !Same(a, p) && !Same(a, q)) return true;
  if (o2 == 0 && !Same(b, p) && !Same(b, q)) return true;
  if (o3 == 0 && !Same(p, a) && !Same(p, b)) return true;
  if (o4 == 0 && !Same(q, a) && !Same(q, b)) return true;
  return false;
}

// --- The splitting ---

// The interior wedge at a vertex: the directions strictly between `lo` and `hi`, turning
// counterclockwise from lo.
struct Wedge {
  P2 lo;
  P2 hi;
  bool empty = true;  // a zero-length edge at the vertex, or a spike
  bool above_right_angle = false;

  bool Inside(const P2& d) const {
    if (empty) return false;
    const double c = CrossOf(lo, hi);
    if (c > 0.0) return CrossOf(lo, d) > 0.0 && CrossOf(d, hi) > 0.0;
    if (c < 0.0) return !(CrossOf(hi, d) >= 0.0 && CrossOf(d, lo) >= 0.0);
    return CrossOf(lo, d) > 0.0;  // a straight angle
  }
};

// The triangulation of one polygon: sub-polygons wait on an explicit stack, so the depth of the
// splitting never touches the call stack.
class Splitter {
 public:
  Splitter(const Vec3* points, Triangle* triangles, uint32_t capacity, uint32_t next,
           uint64_t work_limit)
      : points_(points),
        triangles_(triangles),
        capacity_(capacity),
        next_(next),
        work_limit_(work_limit) {}

  // Splits the polygon; answers the position after the last triangle written.
  uint32_t Run(const uint32_t* indices, uint32_t n) {
    stack_.emplace_back(indices, indices + n);
    while (!stack_.empty()) {
      std::vector<uint32_t> chain = std::move(stack_.back());
      stack_.pop_back();
      Split(chain);
    }
    return next_;
  }

 private:
  using Chain = std::vector<uint32_t>;

  P2 Point(const Chain& chain, uint32_t k) const { return At(points_, chain[k]); }

  // The position one step from k (+1 or -1) around a chain of m.
  static uint32_t Neighbour(uint32_t k, int step, uint32_t m) {
    if (step > 0) return k + 1 < m ? k + 1 : 0;
    return k > 0 ? k - 1 : m - 1;
  }

  void Emit(uint32_t a, uint32_t b, uint32_t c) {
    if (next_ < capacity_) {
      Triangle& t = triangles_[next_];
      t.a = a;
      t.b = b;
      t.c = c;
    }
    ++next_;
  }

  bool OutOfWork() const { return work_ > work_limit_; }

  void Split(const Chain& chain) {
    const auto m = static_cast<uint32_t>(chain.size());
    if (m < 3) return;
    if (m == 3) {
      Emit(chain[0], chain[1], chain[2]);
      return;
    }
    if (m == 4 && SplitEqualDiagonals(chain)) return;
    if (OutOfWork()) return;

    const uint32_t top = TopVertex(chain);
    const int walk = Winding(chain, top);
    uint32_t v = top;
    for (uint32_t step = 0; step < m && !OutOfWork(); ++step, v = Neighbour(v, walk, m)) {
      const Wedge wedge = WedgeAt(chain, v, walk);
      if (!wedge.above_right_angle) continue;
      const int w = FindDiagonal(chain, v, wedge);
      if (w >= 0) {
        Cut(chain, v, static_cast<uint32_t>(w));
        return;
      }
    }
    if (!OutOfWork()) CutFlatVertices(chain);
  }

  // A quadrilateral with diagonals of equal length is cut along P0-P2, or along P1-P3 when
  // that one lies inside and P0-P2 does not.
  bool SplitEqualDiagonals(const Chain& c) {
    const P2 p0 = Point(c, 0), p1 = Point(c, 1), p2 = Point(c, 2), p3 = Point(c, 3);
    const double d02 = std::hypot(p2.x - p0.x, p2.y - p0.y);
    const double d13 = std::hypot(p3.x - p1.x, p3.y - p1.y);
    if (!(std::fabs(d02 - d13) < kEqualDiagonals)) return false;
    const bool first_inside = Sign(Orient(p0, p2, p1)) * Sign(Orient(p0, p2, p3)) < 0;
    const bool second_inside = Sign(Orient(p1, p3, p0)) * Sign(Orient(p1, p3, p2)) < 0;
    if (!first_inside && second_inside) {
      Emit(c[1], c[2], c[3]);
      Emit(c[1], c[3], c[0]);
    } else {
      Emit(c[0], c[1], c[2]);
      Emit(c[0], c[2], c[3]);
    }
    return true;
  }

  // +1 when the chain runs counterclockwise, judged by the turn at the topmost vertex (by the
  // signed area when that vertex does not turn); -1 when it runs clockwise.
  int Winding(const Chain& chain, uint32_t top) const {
    const auto m = static_cast<uint32_t>(chain.size());
    const int turn = Sign(Orient(Point(chain, Neighbour(top, -1, m)), Point(chain, top),
                                 Point(chain, Neighbour(top, 1, m))));
    if (turn != 0) return turn;
    double area = 0.0;
    for (uint32_t k = 0; k < m; ++k)
      area += CrossOf(Point(chain, k), Point(chain, Neighbour(k, 1, m)));
    return area < 0.0 ? -1 : 1;
  }

  uint32_t TopVertex(const Chain& chain) const {
    uint32_t top = 0;
    for (uint32_t k = 1; k < chain.size(); ++k) {
      if (points_[chain[k]].y > points_[chain[top]].y) top = k;
    }
    return top;
  }

  Wedge WedgeAt(const Chain& chain, uint32_t v, int walk) const {
    const auto m = static_cast<uint32_t>(chain.size());
    const P2 pv = Point(chain, v);
    const P2 to_next = Sub(Point(chain, Neighbour(v, 1, m)), pv);
    const P2 to_prev = Sub(Point(chain, Neighbour(v, -1, m)), pv);
    Wedge w;
    w.lo = walk > 0 ? to_next : to_prev;
    w.hi = walk > 0 ? to_prev : to_next;
    const P2 zero{0.0, 0.0};
    if (Same(to_next, zero) || Same(to_prev, zero)) return w;
    const double c = CrossOf(w.lo, w.hi);
    const double d = DotOf(w.lo, w.hi);
    if (c == 0.0 && d > 0.0) return w;  // a spike: no opening to speak of
    w.empty = false;
    w.above_right_angle = c < 0.0 || d < 0.0;
    return w;
  }

  // The nearest vertex that v sees through the inside of the chain (ties: the later position),
  // or -1.
  int FindDiagonal(const Chain& chain, uint32_t v, const Wedge& wedge) {
    const auto m = static_cast<uint32_t>(chain.size());
    const P2 pv = Point(chain, v);
    const uint32_t prev = Neighbour(v, -1, m);
    const uint32_t next = Neighbour(v, 1, m);
    // The nearer candidate first; of two as near, the later position.
    const auto before = [](const Candidate& a, const Candidate& b) {
      return a.distance2 != b.distance2 ? a.distance2 < b.distance2 : a.position > b.position;
    };
    // Mostly the nearest vertex of all is the one: try it before sorting anything out.
    uint32_t nearest = m;
    double nearest_distance2 = 0.0;
    for (uint32_t k = 0; k < m; ++k) {
      if (k == v || k == prev || k == next) continue;
      const P2 d = Sub(Point(chain, k), pv);
      const double distance2 = DotOf(d, d);
      if (nearest == m || distance2 <= nearest_distance2) {
        nearest = k;
        nearest_distance2 = distance2;
      }
    }
    work_ += m;
    if (nearest == m) return -1;
    const P2 pn = Point(chain, nearest);
    if (wedge.Inside(Sub(pn, pv)) && FirstBlockingEdge(chain, pv, pn) == m)
      return static_cast<int>(nearest);

    candidates_.clear();
    size_t best = 0;
    for (uint32_t k = 0; k < m; ++k) {
      if (k == v || k == prev || k == next) continue;
      const P2 d = Sub(Point(chain, k), pv);
      if (!wedge.Inside(d)) continue;
      candidates_.push_back(Candidate{DotOf(d, d), k});
      if (before(candidates_.back(), candidates_[best])) best = candidates_.size() - 1;
    }
    work_ += m;
    if (candidates_.empty()) return -1;
    // The nearest candidate inside the wedge; the others are ordered only when it is blocked.
    const uint32_t first = candidates_[best].position;
    uint32_t blocker = FirstBlockingEdge(chain, pv, Point(chain, first));
    if (blocker == m) return static_cast<int>(first);
    candidates_[best] = candidates_.back();
    candidates_.pop_back();
    const auto after = [&](const Candidate& a, const Candidate& b) { return before(b, a); };
    std::make_heap(candidates_.begin(), candidates_.end(), after);
    work_ += candidates_.size();
    while (!candidates_.empty() && !OutOfWork()) {
      std::pop_heap(candidates_.begin(), candidates_.end(), after);
      const uint32_t w = candidates_.back().position;
      candidates_.pop_back();
      const P2 pw = Point(chain, w);
      // The edge that blocked the previous candidate often blocks this one too.
      if (EdgeBlocks(chain, blocker, pv, pw)) continue;
      const uint32_t found = FirstBlockingEdge(chain, pv, pw);
      if (found == m) return static_cast<int>(w);
      blocker = found;
    }
    return -1;
  }

  bool EdgeBlocks(const Chain& chain, uint32_t e, const P2& p, const P2& q) {
    ++work_;
    const auto m = static_cast<uint32_t>(chain.size());
    return Blocks(p, q, Point(chain, e), Point(chain, Neighbour(e, 1, m)));
  }

  // The first edge k (from position k to k + 1) that blocks pq, or m when none does.
  uint32_t FirstBlockingEdge(const Chain& chain, const P2& p, const P2& q) {
    const auto m = static_cast<uint32_t>(chain.size());
    const double min_x = std::min(p.x, q.x), max_x = std::max(p.x, q.x);
    const double min_y = std::min(p.y, q.y), max_y = std::max(p.y, q.y);
    const Vec3* a = &points_[chain[m - 1]];
    for (uint32_t k = 0; k < m; ++k) {
      const Vec3* b = &points_[chain[k]];
      // Edges wholly beside the box of pq cannot meet it (the test Blocks makes first).
      const bool beside = (a->x < min_x && b->x < min_x) || (a->x > max_x && b->x > max_x) ||
                          (a->y < min_y && b->y < min_y) || (a->y > max_y && b->y > max_y);
      if (!beside && Blocks(p, q, P2{a->x, a->y}, P2{b->x, b->y})) {
        work_ += k + 1;
        return k > 0 ? k - 1 : m - 1;
      }
      a = b;
    }
    work_ += m;
    return m;
  }

  // Cuts along v-w: first v, v - 1, ..., w, then v, v + 1, ..., w.
  void Cut(const Chain& chain, uint32_t v, uint32_t w) {
    const auto m = static_cast<uint32_t>(chain.size());
    Chain backward;
    Chain forward;
    backward.reserve((v + m - w) % m + 1);
    forward.reserve((w + m - v) % m + 1);
    for (uint32_t k = v;; k = Neighbour(k, -1, m)) {
      backward.push_back(chain[k]);
      if (k == w) break;
    }
    for (uint32_t k = v;; k = Neighbour(k, 1, m)) {
      forward.push_back(chain[k]);
      if (k == w) break;
    }
    stack_.push_back(std::move(forward));
    stack_.push_back(std::move(backward));
  }

  // No vertex has a diagonal: cuts off, as triangles of zero area, the vertices at which the
  // outline does not turn, and queues what is left. Gives the chain up when there are none.
  void CutFlatVertices(const Chain& chain) {
    const auto m = static_cast<uint32_t>(chain.size());
    Chain rest;
    rest.reserve(m);
    rest.push_back(chain[0]);
    for (uint32_t k = 1; k < m; ++k) {
      const uint32_t next = k + 1 < m ? chain[k + 1] : rest.front();
      const uint32_t size = static_cast<uint32_t>(rest.size()) + (m - k);  // the polygon now
      if (size > 3 && Orient(At(points_, rest.back()), Point(chain, k), At(points_, next)) == 0.0) {
        Emit(rest.back(), chain[k], next);
        continue;
      }
      rest.push_back(chain[k]);
    }
    if (rest.size() < m) stack_.push_back(std::move(rest));
  }

  struct Candidate {
    double distance2;
    uint32_t position;
  };

  const Vec3* points_;
  Triangle* triangles_;
  uint32_t capacity_;
  uint32_t next_;
  uint64_t work_limit_;
  uint64_t work_ = 0;
  std::vector<Chain> stack_;
  std::vector<Candidate> candidates_;
};

// The split of all n points in order, with the given work limit; -1 when n < 3.
int SplitOutline(const Vec3* points, const uint32_t* indices, uint32_t n, Triangle* triangles,
                 uint32_t capacity, uint32_t next, uint64_t work_limit) {
  if (n < 3) return -1;
  try {
    Splitter splitter(points, triangles, capacity, next, work_limit);
    return static_cast<int>(splitter.Run(indices, n));
  } catch (const std::bad_alloc&) {
    ErrorOutput() << "ERROR: Could not allocate memory for the triangulation.\n";
    return static_cast<int>(next);
  }
}

// --- Self-intersection ---

struct SweepEdge {
  double min_x;
  double max_x;
  uint32_t index;
};

bool TestedPair(uint32_t e, uint32_t f, uint32_t half) {
  const uint32_t gap = e > f ? e - f : f - e;
  return gap > 1 && (e < half || f < half);
}

// --- Commands ---

bool IsTriangleMesh(const SceneObject* object) {
  const auto* mesh = dynamic_cast<const MeshObject*>(object);
  return mesh && !mesh->IsPath();
}

}  // namespace

int SplitPolygon(const Vec3* points, const uint32_t* indices, uint32_t n, Triangle* triangles,
                 uint32_t capacity, uint32_t next) {
  return SplitOutline(points, indices, n, triangles, capacity, next, kTriangulationWorkLimit);
}

int SelfIntersects(const Vec3* points, uint32_t n) {
  if (!points || n < 4) return 0;
  // Sweep along x over the edges 0 .. n - 2; only edges whose x ranges overlap can cross.
  std::vector<SweepEdge> edges;
  std::vector<uint32_t> active;
  try {
    edges.reserve(n - 1);
    for (uint32_t e = 0; e + 1 < n; ++e) {
      if (points[e].x == points[e + 1].x && points[e].y == points[e + 1].y)
        continue;  // crosses nothing
      const double x0 = points[e].x;
      const double x1 = points[e + 1].x;
      edges.push_back(SweepEdge{std::min(x0, x1), std::max(x0, x1), e});
    }
  } catch (const std::bad_alloc&) {
    ErrorOutput() << "ERROR: Could not allocate memory for the intersection test.\n";
    return 0;
  }
  std::sort(edges.begin(), edges.end(), [](const SweepEdge& a, const SweepEdge& b) {
    return a.min_x != b.min_x ? a.min_x < b.min_x : a.index < b.index;
  });
  const uint32_t half = n / 2;
  std::vector<SweepEdge> open;
  for (const SweepEdge& edge : edges) {
    std::erase_if(open, [&](const SweepEdge& o) { return o.max_x < edge.min_x; });
    const P2 a = At(points, edge.index);
    const P2 b = At(points, edge.index + 1);
    for (const SweepEdge& o : open) {
      if (!TestedPair(edge.index, o.index, half)) continue;
      if (CrossProperly(a, b, At(points, o.index), At(points, o.index + 1))) return 1;
    }
    open.push_back(edge);
  }
  return 0;
}

double DirectionAngle(const Vec3& v) {
  Vec3 flat{v.x, v.y, 0.0f};
  flat.Normalize();
  const double a = acos_clamped(Dot(flat, Vec3{1.0f, 0.0f, 0.0f}));
  if (flat.y < 0.0f) {
    const double angle = kPi - a + kPi;
    return angle >= kTwoPi ? angle - kTwoPi : angle;
  }
  return a;
}

int Triangulate(const MeshObject* outline, MeshObject*& result, std::ostream& console) {
  if (!outline || outline->point_count <= 2 || !outline->points) return 0;
  const uint32_t n = outline->point_count;
  if (n > kMaxOutlinePoints) return -1;

  std::unique_ptr<MeshObject> created;
  MeshObject* target = result;
  if (!target) {
    created.reset(TryNew<MeshObject>());
    if (!created) {
      ErrorOutput() << "ERROR: Could not allocate the polygon mesh.\n";
      return -1;
    }
    target = created.get();
  }

  // The new arrays are filled first, so that a failure leaves `result` as it was.
  std::unique_ptr<Vec3[]> points(TryNewArray<Vec3>(n));
  std::unique_ptr<Triangle[]> triangles(TryNewArray<Triangle>(n - 2));
  std::vector<uint32_t> indices;
  try {
    indices.resize(n);
  } catch (const std::bad_alloc&) {
    points.reset();
  }
  if (!points || !triangles) {
    ErrorOutput() << "ERROR: Could not allocate memory for the triangulation.\n";
    return -1;
  }
  std::copy(outline->points, outline->points + n, points.get());
  for (uint32_t i = 0; i < n; ++i) indices[i] = i;

  if (SelfIntersects(points.get(), n)) console << kSelfIntersectionWarning;
  SplitOutline(points.get(), indices.data(), n, triangles.get(), n - 2, 0, kTriangulationWorkLimit);
  if (target->AdoptPoints(points.get(), n, true) != 0) return -1;
  points.release();
  if (target->AdoptTriangles(triangles.get(), n - 2, true) != 0) return -1;
  triangles.release();
  target->ComputeTriangleData();
  OrientTriangles(*target, Vec3{0.0f, 0.0f, 1000.0f});
  if (created) result = created.release();
  return 0;
}

int Triangulate(const MeshObject* outline, MeshObject*& result) {
  return Triangulate(outline, result, std::cout);
}

int Triangulate(ConstructionObject& c) {
  return Triangulate(c.outline, c.result);
}

int OrientTriangles(MeshObject& mesh, const Vec3& p) {
  int flipped = 0;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    Triangle& t = mesh.triangles[i];
    if (!mesh.TriangleInRange(t)) continue;
    Vec3 d = mesh.points[t.a] - p;
    d.Normalize();
    if (Dot(t.normal, d) < 0.0) {
      std::swap(t.b, t.c);
      ++flipped;
    }
  }
  if (flipped > 0) mesh.ComputeTriangleData();
  return flipped;
}

MeshObject* UnitePolygons(const MeshObject* a, const MeshObject* b) {
  if (!a || !b) return nullptr;
  const uint64_t points = uint64_t{a->point_count} + b->point_count;
  const uint64_t triangles = uint64_t{a->triangle_count} + b->triangle_count;
  if (points > kMaxMeshPoints || triangles > kMaxMeshTriangles) return nullptr;
  std::unique_ptr<MeshObject> united(TryNew<MeshObject>());
  if (!united) return nullptr;
  if (united->SetPointCount(static_cast<uint32_t>(points)) != 0 ||
      united->SetTriangleCount(static_cast<uint32_t>(triangles)) != 0) {
    return nullptr;
  }
  std::copy(a->points, a->points + a->point_count, united->points);
  std::copy(b->points, b->points + b->point_count, united->points + a->point_count);
  uint32_t at = 0;
  for (const MeshObject* source : {a, b}) {
    const uint32_t offset = source == a ? 0 : a->point_count;
    for (uint32_t i = 0; i < source->triangle_count; ++i, ++at) {
      const Triangle& t = source->triangles[i];
      if (!source->TriangleInRange(t)) continue;  // stays (0, 0, 0)
      united->SetTriangle(at, t.a + offset, t.b + offset, t.c + offset);
    }
  }
  united->ComputeTriangleData();
  return united.release();
}

bool BoundaryEdges(const MeshObject& mesh, std::vector<EdgePair>& edges) {
  edges.clear();
  try {
    if (mesh.IsPath()) {
      const uint32_t m = mesh.point_count;
      if (m == 0) return true;
      edges.reserve(m + 1);
      for (uint32_t i = 0; i < m; ++i) edges.push_back(EdgePair{i, i + 1 < m ? i + 1 : 0});
      edges.push_back(EdgePair{m - 1, 0});
      return true;
    }
    // The table, the slot of each held edge (by its unordered key) and the cleared slots.
    std::vector<EdgePair> table;
    std::vector<bool> used;
    std::unordered_map<uint64_t, size_t> slot_of;
    std::priority_queue<size_t, std::vector<size_t>, std::greater<>> free_slots;
    const auto toggle = [&](uint32_t p, uint32_t q) {
      const uint64_t key = (uint64_t{std::min(p, q)} << 32) | std::max(p, q);
      const auto found = slot_of.find(key);
      if (found != slot_of.end()) {
        used[found->second] = false;
        free_slots.push(found->second);
        slot_of.erase(found);
        return;
      }
      size_t slot = table.size();
      if (!free_slots.empty()) {
        slot = free_slots.top();
        free_slots.pop();
        table[slot] = EdgePair{p, q};
        used[slot] = true;
      } else {
        table.push_back(EdgePair{p, q});
        used.push_back(true);
      }
      slot_of.emplace(key, slot);
    };
    for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
      const Triangle& t = mesh.triangles[i];
      if (!mesh.TriangleInRange(t)) continue;
      toggle(t.a, t.b);
      toggle(t.a, t.c);
      toggle(t.c, t.b);
    }
    for (size_t s = 0; s < table.size(); ++s) {
      if (used[s]) edges.push_back(table[s]);
    }
    return true;
  } catch (const std::bad_alloc&) {
    edges.clear();
    ErrorOutput() << "ERROR: Could not allocate memory for the edge table.\n";
    return false;
  }
}

CommandResult PolygonFromTwoPolygons(Scene& scene, SceneObject* current, SceneObject* reference) {
  if (current && current == reference)
    return CommandResult::Refused(kAttentionTitle, kSamePolygonText);
  if (!IsTriangleMesh(current) || !IsTriangleMesh(reference))
    return CommandResult::Refused(kAttentionTitle, kNotMeshesText);
  MeshObject* united = UnitePolygons(static_cast<const MeshObject*>(reference),
                                     static_cast<const MeshObject*>(current));
  if (!united) return CommandResult::Refused(kAttentionTitle, kCannotUniteText);
  String name = reference->name;
  name += "+";
  name += current->name;
  return AddToScene(scene, united, MakeUniqueName(scene, name, NameKind::kObject));
}

CommandResult PolygonFromPath(Scene& scene, SceneObject* current, const String& name,
                              std::ostream& console) {
  const auto* path = dynamic_cast<const MeshObject*>(current);
  if (!path || !path->IsPath()) return CommandResult::Refused(kAttentionTitle, kNoPathText);
  if (IsNameTaken(scene, name, NameKind::kObject))
    return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  if (path->point_count > kMaxOutlinePoints)
    return CommandResult::Refused(kErrorTitle, kOutlineTooLongText);
  MeshObject* polygon = TryNew<MeshObject>();
  if (!polygon) return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  if (Triangulate(path, polygon, console) != 0) {
    delete polygon;
    return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  }
  return AddToScene(scene, polygon, name);
}

CommandResult PolygonFromPath(Scene& scene, SceneObject* current, const String& name) {
  return PolygonFromPath(scene, current, name, std::cout);
}

String ProposedPolygonName(const Scene& scene) {
  return MakeUniqueName(scene, kPolygonBaseName, NameKind::kObject);
}

}  // namespace orvane
