// Shading of a hit: lights with their shadows, mirror and transparency rays, glow, ambient
// light and fog. The order of the terms and of the factors inside each term is part of the
// result: every term is truncated on its own before it is added.

#include <algorithm>
#include <cmath>

#include "foundation/list.h"
#include "material/sampling.h"
#include "render/tracer.h"
#include "scene/light_source.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"

namespace orvane {

namespace {

// A shadow ray gives up after this many transparent blockers: far from the origin a step of
// kSurfaceOffset can vanish in float precision, and the ray would meet one blocker for ever.
constexpr int kMaxShadowBlockers = 256;
constexpr int64_t kMaxComponent = 255;
// Contributions are held to this size before they are made integers.
constexpr double kLargestTerm = 1e15;

// x truncated toward zero; NaN counts as 0.
int64_t Truncated(double x) {
  if (std::isnan(x)) return 0;
  return static_cast<int64_t>(std::clamp(x, -kLargestTerm, kLargestTerm));
}

int64_t Clamped(int64_t c) {
  return std::clamp<int64_t>(c, 0, kMaxComponent);
}

// Whether the channel's texture gives samples: missing textures act as untextured channels.
bool HasUsableTexture(const Material& m, int channel) {
  const Texture* t = m.texture(channel);
  if (m.hasTexture(channel) != 1 || !t) return false;
  if (t->kind == kTextureImage) return t->HasTexels();
  return t->kind == kTextureFractal || t->kind == kTextureChess || t->kind == kTextureFade;
}

// The direction of the transmitted ray and the refraction index of the medium it enters.
// Entering, the index grows by n - 1 and eta = index / n; leaving, it shrinks by n - 1 and
// eta = n. Equal indexes do not bend the ray; total internal reflection gives R.
Vec3 TransmittedDirection(const Vec3& d, const Vec3& normal, const Vec3& reflected, bool leaving,
                          float index, float n, float* new_index) {
  *new_index = index;
  if (!(index > 0.0f && n > 0.0f)) return d;
  double eta = 0.0;
  bool bends = false;
  if (leaving) {
    *new_index = static_cast<float>(static_cast<double>(index) - (n - 1.0));
    eta = n;
    bends = *new_index != n;
  } else {
    *new_index = static_cast<float>(static_cast<double>(index) + (n - 1.0));
    eta = static_cast<double>(index) / n;
    bends = n != index;
  }
  if (!bends) return d;
  const Vec3 facing = Dot(normal, d) < 0.0 ? normal : -normal;  // N', turned against the ray
  const double c = -Dot(facing, d);
  const double k = 1.0 - eta * eta * (1.0 - c * c);
  if (k < 0.0) return reflected;
  Vec3 t = d * eta + facing * (eta * c - std::sqrt(k));
  t.Normalize();
  return t;
}

}  // namespace

// Hit point, normal (smooth for meshes with use_phong), texture coordinates, bump and the
// reflected direction, and the material samples at (u, v).
void Tracer::DescribeHit(RayHit hit, const Ray& ray, Surface* s) {
  SceneObject* object = hit.object;
  object->CompleteHit(ray, &hit);
  s->object = object;
  const Material* material = object->GetMaterial();
  s->material = material ? material : &fallback_material_;
  s->direction = ray.direction;
  Ray to_hit = ray;
  to_hit.length = hit.distance;
  s->point = to_hit.origin + to_hit.direction * static_cast<double>(to_hit.length);
  // The texture coordinates and the bump of a mesh belong to this point.
  hit.point = s->point;

  Vec3 n = object->HitNormal(hit, s->point);
  if (object->GetType() == kItemMesh && object->HasFlag(kUsePhong)) {
    if (const auto* mesh = dynamic_cast<const MeshObject*>(object))
      mesh->HitSmoothNormal(hit, s->point, &n);
  }
  n.Normalize();
  object->HitTextureUV(&hit, s->point);
  s->u = hit.u;
  s->v = hit.v;

  s->cos_view = Dot(n, s->direction);
  if (s->material->value(kBump, 0) > 0.0f) {
    n += object->HitBump(hit);
    n.Normalize();
  }
  s->normal = n;
  s->reflected = s->direction - n * (2.0 * s->cos_view);

  const Material& m = *s->material;
  s->diffuse = SampleColour(m, kDiffuse, s->u, s->v);
  for (int c = kHighlight; c <= kAmbient; ++c)
    s->brightness[c] = SampleBrightness(m, c, s->u, s->v);
  s->diffuse_amount = m.value(kDiffuse, 0);
  if (HasUsableTexture(m, kTransparent))
    s->diffuse_amount *= 1.0 - m.value(kTransparent, 1) * s->brightness[kTransparent] * kByteScale;
}

void Tracer::Shade(const Surface& s, int16_t depth, float index, Sum* sum) {
  if (scene_.lights) {
    for (const ListNode* n = scene_.lights->head; n; n = n->next) {
      const auto* light = dynamic_cast<const LightSource*>(n->item);
      if (light && light->HasFlag(kIsVisible)) AddLight(*light, s, sum);
    }
  }
  if (depth > 1) {
    AddMirror(s, depth, index, sum);
    AddTransparency(s, depth, index, sum);
  }
  AddGlowAndAmbient(s, sum);
  sum->r = Clamped(sum->r);
  sum->g = Clamped(sum->g);
  sum->b = Clamped(sum->b);
}

double Tracer::LightFactor(const LightSource& light, const Surface& s, Vec3* L) const {
  Vec3 l = light.parallel ? -light.placement.axis_Z : light.placement.position - s.point;
  const double dist = l.Length();
  l.DivideAbs(dist);
  *L = l;
  double k = 1.0;
  if (light.decrease_on && light.Decrease() > 0.0f)
    k = std::max(0.0, 1.0 - dist / light.Decrease());
  if (light.light_type == kSpotLight) {
    // The angle between the light's axis and the direction from the light to the point.
    const double theta = kPi - AngleBetween(l, light.placement.axis_Z);
    const double spot = light.spot_angle;
    const double fall = light.fall_off;
    if (theta > spot)
      k = (fall > 0.0 && theta <= spot + fall) ? k * (1.0 - (theta - spot) / fall) : 0.0;
  }
  return k;
}

void Tracer::AddLight(const LightSource& light, const Surface& s, Sum* sum) {
  Vec3 L;
  const double k = LightFactor(light, s, &L);
  if (!(k > 0.0)) return;
  double cos_light = Dot(s.normal, L);
  const bool light_behind = cos_light < 0.0;
  if (light_behind) cos_light = -cos_light;
  if (light_behind != (s.cos_view > 0.0)) return;  // light and viewer on different sides

  const Rgb c = light.Color();
  int64_t colour[3] = {c.r, c.g, c.b};
  if (s.object->HasFlag(kGetsShadow) && light.HasFlag(kHasShadow))
    FilterShadow(light, s, L, colour);

  const double intensity = k * cos_light;
  const double d = s.diffuse_amount;
  sum->r += Truncated(s.diffuse.r * colour[0] * kByteScale * d * intensity);
  sum->g += Truncated(s.diffuse.g * colour[1] * kByteScale * d * intensity);
  sum->b += Truncated(s.diffuse.b * colour[2] * kByteScale * d * intensity);

  const double cos_r = Dot(s.reflected, L);
  if (!(cos_r >= 0.0)) return;
  const Material& m = *s.material;
  const double h = m.value(kHighlight, 2);
  const double exponent = std::pow(1.1, 0.01 * h * h);
  const double spec = std::pow(cos_r, exponent) * k * m.value(kHighlight, 1) *
                      s.brightness[kHighlight] * kByteScale;
  if (!(spec > 0.0)) return;
  const Rgb hc = m.colour(kHighlight);
  sum->r += Truncated(hc.r * kByteScale * colour[0] * spec);
  sum->g += Truncated(hc.g * kByteScale * colour[1] * spec);
  sum->b += Truncated(hc.b * kByteScale * colour[2] * spec);
}

// Walks the shadow ray from blocker to blocker: an opaque one removes the light, a
// transparent one lets through its transparency colour scaled by its filter amount. The lit
// object does not shadow itself unless it is a mesh; a parallel light lies beyond every
// blocker. Where no caster of the scene lets light through, the first blocker decides, and
// any blocker in front of the light (and of the lit object itself) is as good as the nearest.
void Tracer::FilterShadow(const LightSource& light, const Surface& s, const Vec3& L,
                          int64_t colour[3]) {
  Ray shadow;
  shadow.direction = L;
  shadow.length = 1.0f;
  shadow.normalized = 1;
  shadow.origin = s.point + L * kSurfaceOffset;
  const SceneIndex& index = Index();
  if (!index.HasTransparentCasters()) {
    const double reach =
        light.parallel ? HUGE_VAL : Distance(shadow.origin, light.placement.position);
    if (index.Blocked(shadow, reach, s.object)) colour[0] = colour[1] = colour[2] = 0;
    return;
  }
  const bool self_shadowing = s.object->GetType() == kItemMesh;
  for (int blockers = 0; blockers < kMaxShadowBlockers; ++blockers) {
    // A blocker not nearer than the light lets it through, so the search ends at the light.
    const double light_distance =
        light.parallel ? HUGE_VAL : Distance(shadow.origin, light.placement.position);
    RayHit hit;
    if (!index.Nearest(shadow, nullptr, true, &hit, light_distance)) return;
    SceneObject* blocker = hit.object;
    const double reach = hit.distance;
    if (blocker == s.object && !self_shadowing) return;

    const Material* m = blocker->GetMaterial();
    if (!m) m = &fallback_material_;
    double brightness = 255.0;
    if (HasUsableTexture(*m, kTransparent)) {
      blocker->CompleteHit(shadow, &hit);
      blocker->HitTextureUV(&hit, hit.point);
      brightness = SampleBrightness(*m, kTransparent, hit.u, hit.v);
    }
    const double t = m->value(kTransparent, 1) * brightness * kByteScale;
    if (!(t > 0.0)) {
      colour[0] = colour[1] = colour[2] = 0;
      return;
    }
    const Rgb tc = m->colour(kTransparent);
    colour[0] = Truncated(colour[0] * t * tc.r * kByteScale);
    colour[1] = Truncated(colour[1] * t * tc.g * kByteScale);
    colour[2] = Truncated(colour[2] * t * tc.b * kByteScale);
    if (colour[0] + colour[1] + colour[2] == 0) return;
    shadow.origin = shadow.origin + L * reach;
    shadow.origin = shadow.origin + L * kSurfaceOffset;
  }
}

void Tracer::AddMirror(const Surface& s, int16_t depth, float index, Sum* sum) {
  const double amount = s.material->value(kMirror, 0);
  const double brightness = s.brightness[kMirror];
  if (!(amount > 0.0 && brightness > 0.0)) return;
  AddSecondary(s, s.reflected, kMirror, amount, brightness, depth, index, sum);
}

void Tracer::AddTransparency(const Surface& s, int16_t depth, float index, Sum* sum) {
  const Material& m = *s.material;
  const double amount = m.value(kTransparent, 0);
  if (!(amount > 0.0)) return;
  float new_index = index;
  const Vec3 direction = TransmittedDirection(s.direction, s.normal, s.reflected, s.cos_view > 0.0,
                                              index, m.value(kTransparent, 2), &new_index);
  const double brightness = s.brightness[kTransparent];
  if (!(brightness > 0.0)) return;
  AddSecondary(s, direction, kTransparent, amount, brightness, depth, new_index, sum);
}

void Tracer::AddSecondary(const Surface& s, const Vec3& direction, int channel, double amount,
                          double brightness, int16_t depth, float index, Sum* sum) {
  Ray ray;
  ray.direction = direction;
  ray.length = 1.0f;
  ray.normalized = 1;
  ray.origin = s.point + direction * kSurfaceOffset;
  int r = 0;
  int g = 0;
  int b = 0;
  if (!Trace(ray, &r, &g, &b, static_cast<int16_t>(depth - 1), index, 0)) return;
  const Rgb c = s.material->colour(channel);
  sum->r += Truncated(c.r * kByteScale * r * amount * brightness * kByteScale);
  sum->g += Truncated(c.g * kByteScale * g * amount * brightness * kByteScale);
  sum->b += Truncated(c.b * kByteScale * b * amount * brightness * kByteScale);
}

void Tracer::AddGlowAndAmbient(const Surface& s, Sum* sum) const {
  const Material& m = *s.material;
  const double glow = m.value(kGlow, 0);
  if (glow > 0.0) {
    const double w = glow * s.brightness[kGlow] * kByteScale;
    const Rgb c = m.colour(kGlow);
    sum->r += Truncated(c.r * w);
    sum->g += Truncated(c.g * w);
    sum->b += Truncated(c.b * w);
  }
  const RenderSettings& settings = scene_.render;
  const double a = settings.ambientIntensity;
  if (!(a > 0.0)) return;
  const double w = m.value(kAmbient, 0) * s.brightness[kAmbient] * kByteScale;
  if (!(w > 0.0)) return;
  const Rgb c = m.colour(kAmbient);
  sum->r += Truncated(c.r * kByteScale * settings.ambient[0] * w * a);
  sum->g += Truncated(c.g * kByteScale * settings.ambient[1] * w * a);
  sum->b += Truncated(c.b * kByteScale * settings.ambient[2] * w * a);
}

// Linear fog over the distance from the ray origin to the hit, complete at the fog distance
// (truncated to whole units); a miss takes the fog colour.
bool Tracer::ApplyFog(bool hit, double length, Sum* sum) const {
  const RenderSettings& settings = scene_.render;
  const int64_t fog_distance = Truncated(settings.fogDistance);
  if (fog_distance <= 0) return false;
  const uint8_t* fog = settings.fog;
  if (!hit) {
    sum->r = fog[0];
    sum->g = fog[1];
    sum->b = fog[2];
    return true;
  }
  const double f = std::min(length / static_cast<double>(fog_distance), 1.0);
  sum->r = Clamped(Truncated(sum->r * (1.0 - f) + fog[0] * f));
  sum->g = Clamped(Truncated(sum->g * (1.0 - f) + fog[1] * f));
  sum->b = Clamped(Truncated(sum->b * (1.0 - f) + fog[2] * f));
  return true;
}

}  // namespace orvane
