#include "scene/group_object.h"

#include <cstring>
#include <new>

#include "foundation/error_output.h"

namespace orvane {

namespace {

constexpr char kMappingSuffix[] = "_mat_object";
constexpr int kMappingSuffixLength = sizeof(kMappingSuffix) - 1;

SceneObject* MemberAt(const ListNode* node) {
  return dynamic_cast<SceneObject*>(node->item);
}

GroupObject* AsGroup(SceneObject* item) {
  return item && item->GetType() == kItemGroup ? dynamic_cast<GroupObject*>(item) : nullptr;
}

bool IsMappingLeftover(const String& name) {
  const int length = name.Length();
  return length >= kMappingSuffixLength &&
         std::strcmp(name.c_str() + (length - kMappingSuffixLength), kMappingSuffix) == 0;
}

// Points every scale centre in `group`'s tree that refers to `from` at `to` instead.
void RetargetScaleCenters(GroupObject& group, const Vec3* from, Vec3* to) {
  if (group.scale_center == from) group.scale_center = to;
  for (ListNode* n = group.members.head; n; n = n->next) {
    SceneObject* member = MemberAt(n);
    if (!member) continue;
    if (GroupObject* inner = AsGroup(member)) {
      RetargetScaleCenters(*inner, from, to);
    } else if (member->scale_center == from) {
      member->scale_center = to;
    }
  }
}

}  // namespace

GroupObject::GroupObject(const GroupObject& other)
    : SceneObject(other),
      near_distance(other.near_distance),
      far_distance(other.far_distance),
      texture_u(other.texture_u),
      texture_v(other.texture_v) {}

GroupObject::~GroupObject() {
  current_member = nullptr;
  members.RemoveAll();
}

template <class Visit>
void GroupObject::ForEachMember(Visit visit) {
  for (ListNode* n = members.head; n; n = n->next) {
    SceneObject* member = MemberAt(n);
    if (!member) continue;
    current_member = member;
    visit(*member);
  }
}

bool GroupObject::AddMember(SceneObject* item) {
  if (!item) return false;
  if (!members.Append(item, 1)) return false;
  item->parent = this;
  return true;
}

void GroupObject::BuildPreview(PreviewSink&, int) {
  ForEachMember([](SceneObject& m) { m.preview_dirty = 1; });
  preview_dirty = 0;
}

void GroupObject::DeleteMemberDisplayLists(PreviewSink& sink) {
  for (ListNode* n = members.head; n; n = n->next) {
    SceneObject* member = MemberAt(n);
    if (!member) continue;
    uint32_t* lists = member->display_lists;
    for (int k = 0; k < 4; ++k) {
      bool seen = false;
      for (int j = 0; j < k; ++j) seen = seen || lists[j] == lists[k];
      if (lists[k] && !seen) sink.DeleteList(lists[k]);
    }
    for (int k = 0; k < 4; ++k) lists[k] = 0;
    if (GroupObject* inner = AsGroup(member)) inner->DeleteMemberDisplayLists(sink);
  }
}

bool GroupObject::UsesMaterial(const Material* m) const {
  for (const ListNode* n = members.head; n; n = n->next) {
    SceneObject* member = MemberAt(n);
    if (!member) continue;
    if (GroupObject* inner = AsGroup(member)) {
      if (inner->UsesMaterial(m)) return true;
    } else if (member->material == m) {
      return true;
    }
  }
  return false;
}

void GroupObject::AssignMaterial(Material* m) {
  for (ListNode* n = members.head; n; n = n->next) {
    SceneObject* member = MemberAt(n);
    if (!member) continue;
    if (GroupObject* inner = AsGroup(member)) {
      inner->AssignMaterial(m);
    } else {
      member->material = m;
    }
  }
}

void GroupObject::AssignParents() {
  for (ListNode* n = members.head; n; n = n->next) {
    SceneObject* member = MemberAt(n);
    if (!member) continue;
    member->parent = this;
    if (GroupObject* inner = AsGroup(member)) inner->AssignParents();
  }
}

void GroupObject::RemoveMappingLeftovers() {
  // Removing a node ends the walk; it starts again from the head until a walk removes nothing.
  bool removed = true;
  while (removed) {
    removed = false;
    for (ListNode* n = members.head; n; n = n->next) {
      SceneObject* member = MemberAt(n);
      if (!member) continue;
      if (IsMappingLeftover(member->name)) {
        if (current_member == member) current_member = nullptr;
        members.current = n;
        members.Remove();
        removed = true;
        break;
      }
      if (GroupObject* inner = AsGroup(member)) inner->RemoveMappingLeftovers();
    }
  }
}

void GroupObject::SetScaleCenter(Vec3* center) {
  SceneObject::SetScaleCenter(center);
  ForEachMember([center](SceneObject& m) { m.SetScaleCenter(center); });
}

void GroupObject::SetScale(float sx, float sy, float sz) {
  SceneObject::SetScale(sx, sy, sz);
  ForEachMember([=](SceneObject& m) { m.SetScale(sx, sy, sz); });
}

void GroupObject::ApplyScale() {
  if (scale_center) placement.position.ScaleAbout(*scale_center, scale.x, scale.y, scale.z);
  ForEachMember([](SceneObject& m) { m.ApplyScale(); });
}

void GroupObject::Move(const Ray& step) {
  const Ray s = step;
  SceneObject::Move(s);
  ForEachMember([&s](SceneObject& m) { m.Move(s); });
}

// The arguments are copied first: a caller may pass a vector that the walk changes (a member's
// position or axis, or the group's own).
void GroupObject::RotateAboutAxis(float degrees, const Vec3& axis, const Vec3& point) {
  const Vec3 a = axis;
  const Vec3 p = point;
  placement.position.RotateAxisDeg(degrees, a, p);
  ForEachMember([&](SceneObject& m) { m.TurnAboutAxis(degrees, a, p); });
}

void GroupObject::RotateEuler(const Vec3& degrees, const Vec3& center, int order) {
  const Vec3 d = degrees;
  const Vec3 c = center;
  placement.position.RotateEuler(d, c, order);
  ForEachMember([&](SceneObject& m) { m.TurnEuler(d, c, order); });
}

void GroupObject::RotateAxesAboutAxis(float degrees, const Vec3& axis) {
  const Vec3 a = axis;
  placement.RotateAxesAboutAxis(degrees, a);
  const Vec3 centre = placement.position;
  ForEachMember([&](SceneObject& m) { m.TurnAboutAxis(degrees, a, centre); });
}

void GroupObject::RotateAxesEuler(const Vec3& degrees, int order) {
  const Vec3 d = degrees;
  placement.RotateAxesEuler(d, order);
  const Vec3 centre = placement.position;
  ForEachMember([&](SceneObject& m) { m.TurnEuler(d, centre, order); });
}

// The group's own frame turns too; RotateAboutAxis and RotateEuler turn the members.
void GroupObject::TurnAboutAxis(float degrees, const Vec3& axis, const Vec3& point) {
  const Vec3 a = axis;
  const Vec3 p = point;
  placement.RotateAxesAboutAxis(degrees, a);
  RotateAboutAxis(degrees, a, p);
}

void GroupObject::TurnEuler(const Vec3& degrees, const Vec3& center, int order) {
  const Vec3 d = degrees;
  const Vec3 c = center;
  placement.RotateAxesEuler(d, order);
  RotateEuler(d, c, order);
}

void GroupObject::PointAlong(const Vec3& direction) {
  const Vec3 d = direction;
  placement.PointAlong(d);
  ForEachMember([&d](SceneObject& m) { m.PointAlong(d); });
}

void GroupObject::TurnTowards(const Vec3& point, Vec3* anglesOut) {
  const Vec3 p = point;
  Vec3 angles;
  SceneObject::TurnTowards(p, &angles);
  ForEachMember([&p](SceneObject& m) { m.TurnTowards(p, nullptr); });
  if (anglesOut) *anglesOut = angles;
}

void GroupObject::LookAt(const Vec3& point) {
  const Vec3 p = point;
  placement.LookAt(p);
  ForEachMember([&p](SceneObject& m) { m.LookAt(p); });
}

void GroupObject::PrepareRender() {
  ForEachMember([](SceneObject& m) { m.PrepareRender(); });
}

void GroupObject::ResetRayState() {
  hit_done_ = 0;
  ForEachMember([](SceneObject& m) { m.ResetRayState(); });
}

bool GroupObject::Intersect(const Ray& ray, float maxDistance) {
  if (hit_done_) return false;
  hit_done_ = 1;
  SceneObject* best = nullptr;
  float best_distance = -1.0f;
  for (ListNode* n = members.head; n; n = n->next) {
    SceneObject* member = MemberAt(n);
    if (!member || !member->HasFlag(kIsVisible)) continue;
    // Later members need not look beyond the nearest hit found so far.
    float limit = maxDistance;
    if (best && (limit < 0.0f || best_distance < limit)) limit = best_distance;
    while (member->Intersect(ray, limit)) {
      const float d = member->NearDistance();
      if (!best || d < best_distance) {
        best = member;
        best_distance = d;
        far_distance = member->FarDistance();
      }
    }
  }
  current_member = best;
  if (!best) return false;
  near_distance = best_distance;
  return true;
}

// As Intersect, without state: the nearest visible member's hit (the first in list order
// among equal distances).
bool GroupObject::TraceNearest(const Ray& ray, float maxDistance, RayHit* hit) const {
  bool found = false;
  for (const ListNode* n = members.head; n; n = n->next) {
    const SceneObject* member = dynamic_cast<const SceneObject*>(n->item);
    if (!member || !member->HasFlag(kIsVisible)) continue;
    float limit = maxDistance;
    if (found && (limit < 0.0f || hit->distance < limit)) limit = hit->distance;
    RayHit candidate;
    if (!member->TraceNearest(ray, limit, &candidate)) continue;
    if (!found || candidate.distance < hit->distance) {
      *hit = candidate;
      found = true;
    }
  }
  return found;
}

void GroupObject::SetDistance(float distance) {
  near_distance = distance;
  if (current_member) current_member->SetDistance(distance);
}

void GroupObject::ComputeTextureUV() {
  if (current_member) current_member->ComputeTextureUV();
}

float GroupObject::TextureU() const {
  return current_member ? current_member->TextureU() : texture_u;
}

float GroupObject::TextureV() const {
  return current_member ? current_member->TextureV() : texture_v;
}

void GroupObject::SetTextureUV(float u, float v) {
  texture_u = u;
  texture_v = v;
  if (current_member) current_member->SetTextureUV(u, v);
}

Material* GroupObject::GetMaterial() const {
  return current_member ? current_member->GetMaterial() : material;
}

SceneObject* GroupObject::HitObject() {
  return current_member ? current_member->HitObject() : this;
}

void GroupObject::NormalAt(Vec3* out, const Vec3& point) {
  if (!out) return;
  if (current_member) {
    current_member->NormalAt(out, point);
  } else {
    *out = Vec3{0.0f, 0.0f, 0.0f};
  }
}

void GroupObject::BumpAt(Vec3* out) {
  if (!out) return;
  if (current_member) {
    current_member->BumpAt(out);
  } else {
    *out = Vec3{0.0f, 0.0f, 0.0f};
  }
}

SceneObject* GroupObject::Clone() const {
  GroupObject* copy = InjectedAllocationFailure() ? nullptr : new (std::nothrow) GroupObject(*this);
  if (!copy) {
    ErrorOutput() << "ERROR: Could not allocate Group-Object.\n";
    return nullptr;
  }
  for (const ListNode* n = members.head; n; n = n->next) {
    const SceneObject* member = MemberAt(n);
    if (!member) continue;
    SceneObject* member_copy = member->Clone();
    if (!member_copy || !copy->AddMember(member_copy)) {
      delete member_copy;
      delete copy;
      ErrorOutput() << "ERROR: Could not allocate Group-Object member.\n";
      return nullptr;
    }
  }
  RetargetScaleCenters(*copy, &placement.position, &copy->placement.position);
  return copy;
}

}  // namespace orvane
