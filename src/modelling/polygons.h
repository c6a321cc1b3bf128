#pragma once
// Polygons: filling a closed outline with triangles, and the polygon commands built on it.
//
// An outline is a list of points in order (the points of a path or of any mesh; a mesh's
// triangles are ignored), lying in the XY plane; z is carried along but never looked at. The
// outline is closed: the last point joins the first. Either winding is accepted.
//
// Triangulation: the outline is split recursively along diagonals. In each sub-polygon the
// walk starts at the topmost vertex (greatest y, the first of equal ones) and goes in the
// polygon's winding; at the first vertex whose interior angle exceeds 90 degrees it looks for
// the nearest other vertex (ties: the later one in the sub-polygon) that it sees through the
// inside of the polygon, and cuts along that diagonal into the part behind the vertex and the
// part ahead of it, in that order; when that vertex sees none, the walk goes on to the next
// such vertex. A quadrilateral whose diagonals have equal lengths (within 1e-6) is cut along
// P0-P2 at once (along P1-P3 when only that one lies inside). Inside-ness is decided with
// exact-sign plane predicates. A simple outline of n points, collinear runs included, gives
// n - 2 triangles that cover it exactly. Their windings vary (the part behind a vertex is
// listed backwards); Triangulate turns them all one way afterwards.
//
// Degenerate outlines: when, after one full round, no vertex of a sub-polygon has a diagonal,
// vertices where the outline does not turn (repeated points, straight runs, spikes) are cut off
// as triangles of zero area and the search starts again; when there is no such vertex either,
// that sub-polygon is given up and its triangles stay (0, 0, 0). Self-crossing outlines give
// triangles that may overlap (and a console warning, see Triangulate). The work is bounded:
// the searches of one triangulation examine at most kTriangulationWorkLimit vertex pairs and
// edges in all; beyond that the remaining triangles stay (0, 0, 0). A simple outline of
// kMaxOutlinePoints points stays far below that bound.
//
// Cost: O(n^2) time for typical outlines (each cut is found with O(n) work), O(n) memory.
//
// Results: operations answer as each comment says and never throw; memory failures print an
// "ERROR: ..." line to ErrorOutput().

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "foundation/ov_string.h"
#include "foundation/vec3.h"
#include "modelling/command_result.h"
#include "scene/triangle.h"

namespace orvane {

class ConstructionObject;
class MeshObject;
class Scene;
class SceneObject;

// The largest outline Triangulate accepts (as many corners as an n-angle may have).
inline constexpr uint32_t kMaxOutlinePoints = 10000;
// Bound on the search work of one triangulation (vertex pairs and edges examined). A simple
// outline of kMaxOutlinePoints points needs at most about 1e8; reaching the bound takes a
// second or two.
inline constexpr uint64_t kTriangulationWorkLimit = uint64_t{1} << 29;

// The console line of Triangulate for an outline whose edges cross.
inline constexpr const char* kSelfIntersectionWarning =
    "warning: some points intersect other points.\n";

// Fills `result` with the triangles of the closed outline `outline` (its points in order):
// result gets n points, copies of the outline's points, and n - 2 triangles; when the outline
// crosses itself (SelfIntersects) kSelfIntersectionWarning is written to `console` first. The
// triangle data is computed and the triangles are turned away from (0, 0, 1000)
// (OrientTriangles), so a flat outline in the XY plane faces -Z.
// When `result` is null a new MeshObject is created for it (owned by the caller from then on).
// Answers 0; with no outline or fewer than three points it does nothing (result untouched)
// and still answers 0. Answers -1, leaving `result` as it was, when the outline has more than
// kMaxOutlinePoints points or memory cannot be had.
int Triangulate(const MeshObject* outline, MeshObject*& result, std::ostream& console);
// The same, writing the warning to the standard output.
int Triangulate(const MeshObject* outline, MeshObject*& result);
// Construction 5 of a ConstructionObject: Triangulate(c.outline, c.result).
int Triangulate(ConstructionObject& c);

// The triangles of a polygon given as `n` indices into `points`: writes them into `triangles`
// from position `next` on, never at or beyond `capacity` (n - 2 positions suffice), and
// answers `next` plus the number of triangles found (those beyond the capacity are counted,
// not written); -1 when n < 3. Positions that no triangle reaches (a degenerate polygon, see
// above) are left as they were. Every written index is one of `indices`; the windings of the
// triangles vary. Any n is safe: the work bound ends long searches.
int SplitPolygon(const Vec3* points, const uint32_t* indices, uint32_t n, Triangle* triangles,
                 uint32_t capacity, uint32_t next);

// 1 when two edges of the outline cross, else 0. The tested pairs: every edge i from 0 to
// n/2 - 1 (the segment P[i]-P[i+1]) against every edge j from 0 to n - 2 with |i - j| > 1; the
// closing edge P[n-1]-P[0] is not tested. Only proper crossings in the XY plane count (each
// segment has its end points strictly on both sides of the other's line); segments that only
// touch or overlap along a line do not. Runs in O(n log n) for most outlines.
int SelfIntersects(const Vec3* points, uint32_t n);

// The angle of (v.x, v.y) from +X towards +Y, in radians in [0, 2 pi): the arc cosine
// (acos_clamped) of the normalized (v.x, v.y, 0) with +X, or 2 pi minus it when v.y < 0.
// A zero vector answers pi / 2 (that of (0, 0, 0) against +X).
double DirectionAngle(const Vec3& v);

// Exchanges b and c of every triangle whose normal faces `p` (normal . unit(a - p) < 0),
// recomputes the triangle data when any was flipped, and answers the number flipped. With p
// inside a closed mesh this turns every normal outward. Uses the normals as they are: compute
// the triangle data first.
int OrientTriangles(MeshObject& mesh, const Vec3& p);

// A new mesh with a's points followed by b's, and a's triangles followed by b's with their
// indices raised by a's point count; its triangle data is computed. The sources stay as they
// are. Null when either is missing, when the sum exceeds the mesh limits, or when memory
// cannot be had. The new mesh has no name and no material.
MeshObject* UnitePolygons(const MeshObject* a, const MeshObject* b);

// One entry of an edge table: two point indices.
struct EdgePair {
  uint32_t first = 0;
  uint32_t second = 0;
  bool operator==(const EdgePair&) const = default;
};

// The outline of a mesh as a list of edges, into `edges` (replaced).
// A mesh (not a path): the edges used by exactly one triangle. Each triangle's edges (a, b),
// (a, c), (c, b), in that order, are toggled in a table: an edge already held (in either
// order) is cleared from its slot, any other is stored in the first free slot. The result is
// the remaining edges in slot order, each as it was stored.
// A path of m points: the m pairs (i, i + 1), the last wrapping to (m - 1, 0), followed by one
// more (m - 1, 0): m + 1 edges. Triangles whose indices are out of range are skipped.
// False, with `edges` empty, when memory cannot be had.
bool BoundaryEdges(const MeshObject& mesh, std::vector<EdgePair>& edges);

// "Polygon > from two Polgons": unites the reference object (first) with the current object.
// Refusals ("Attention"): the same object twice, "The second polygon may not be the first
// polygon!"; either not a mesh (or a path) or missing, "Both polygons must be
// 3D-Mesh-Objects!"; uniting fails, "The polygons can't united.". The new mesh is named
// reference name + "+" + current name made unique, gets the default material and is appended;
// the sources stay.
CommandResult PolygonFromTwoPolygons(Scene& scene, SceneObject* current, SceneObject* reference);

// "Polygon > from Path": triangulates the current object, which must be a path ("You must
// first select the path.", "Attention"), into a new mesh called `name`. A taken name is
// refused with kNameTakenText ("Error"; the editor asks again), an outline of more than
// kMaxOutlinePoints points with kOutlineTooLongText ("Error"). The self-crossing warning goes
// to `console`. A path of fewer than three points gives an empty mesh, which is added all the
// same.
CommandResult PolygonFromPath(Scene& scene, SceneObject* current, const String& name,
                              std::ostream& console);
// The same, writing the warning to the standard output.
CommandResult PolygonFromPath(Scene& scene, SceneObject* current, const String& name);

// The name the "from Path" dialog proposes: "Polygon" made unique among the objects.
String ProposedPolygonName(const Scene& scene);

inline constexpr const char* kOutlineTooLongText =
    "The path has too many points for a polygon (at most 10000).";

}  // namespace orvane
