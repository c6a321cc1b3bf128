#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include "material/material.h"
#include "material/texture.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/recording_sink.h"
#include "scene/scene.h"

namespace orvane {
namespace {
using namespace testing_support;

// The smallest concrete item: the base's defaults, and a text writer that counts its calls.
struct PlainItem : SceneObject {
  SceneObject* Clone() const override { return new PlainItem(*this); }
  const char* TypeName() const override { return "Plain"; }
  int builds = 0;
  void BuildNativeText(LIST& lines) override {
    ++builds;
    AppendLine(lines, "plain {");
  }
};

TEST(SceneObjectDefaults, NoSurfaceAPositionNormalAndTextBuiltOnce) {
  PlainItem item;
  EXPECT_FALSE(item.Intersect(Ray{}, 1e10f));
  EXPECT_EQ(BumpOf(item), (Vec3{0, 0, 0}));
  item.placement.position = Vec3{1, 2, 3};
  EXPECT_EQ(NormalOf(item, {2, 2, 5}), (Vec3{1, 0, 2}));
  EXPECT_EQ(item.WriteNative(), item.WriteNative());
  EXPECT_EQ(item.builds, 1);
}

TEST(LightDialog, ValuesAreConvertedInTheDialogsTerms) {
  LightSource light;
  // Decrease, red, green, blue, brightness in percent, spot, shadow, parallel, angles in degrees.
  ApplyLightDialog(light, LightDialogValues{-300, 200, 100, 50, 150, true, false, true, 20, 10});
  EXPECT_EQ(light.Decrease(), 300.0f);  // never negative
  EXPECT_EQ(light.decrease_on, 1);
  EXPECT_EQ(light.Color(), (Rgb{255, 150, 75}));  // base times brightness, clamped
  EXPECT_FLOAT_EQ(light.spot_angle, 0.34906584f);
  EXPECT_FLOAT_EQ(light.fall_off, 0.17453292f);
  // Editing shows the chosen colour and the stored values back in degrees and percent.
  const LightDialogValues shown = LightDialogValuesOf(light);
  EXPECT_EQ(shown.red, 200);
  EXPECT_TRUE(shown.spot && shown.parallel && !shown.shadow);
}

// A camera that counts its destruction, to tell destroyed cameras from unlinked ones.
struct CountedCamera : Camera {
  explicit CountedCamera(int* count) : destroyed(count) {}
  ~CountedCamera() override { ++*destroyed; }
  int* destroyed;
};

TEST(CameraGeometry, FocalViewAngleAndPanoramaFollowZoomScaleAndPictureWidth) {
  Camera camera;
  camera.setImageSize(640, 480);
  EXPECT_FLOAT_EQ(camera.Focal(), 400.0f);
  EXPECT_NEAR(camera.ViewAngle(), 33.40, 0.005);  // always for a 240-pixel height
  // A copy keeps the zoom and picture size; cameras draw nothing of their own.
  camera.SetZoom(300);
  camera.display_lists[0] = 3;
  std::unique_ptr<SceneObject> copy(camera.Clone());
  ASSERT_EQ(copy->GetType(), kItemCamera);
  EXPECT_EQ(static_cast<Camera&>(*copy).Focal(), 600.0f);
  RecordingSink sink;
  camera.BuildPreview(sink, 0);
  EXPECT_EQ(camera.display_lists[0], 0u);
  camera.SetEffectiveZoom(100);
  EXPECT_FLOAT_EQ(camera.Focal(), 200.0f);
  camera.setImageSize(0, 0);
  const Ray ray = camera.primaryRay(0, 0);  // degenerate, but no NaN
  EXPECT_FALSE(std::isnan(ray.direction.y) || std::isnan(ray.length));
  // Scaling the camera scales its zoom by the mean factor, applied only by ApplyScale.
  Camera scaled;
  scaled.SetScale(2, 2, 2);
  EXPECT_FLOAT_EQ(scaled.EffectiveZoom(), 400.0f);
  scaled.ApplyScale();
  EXPECT_FLOAT_EQ(scaled.Zoom(), 400.0f);
  scaled.SetPanoramaWidth(720);
  EXPECT_EQ(scaled.panoramaRay(360, 180).direction, scaled.placement.axis_Z);  // looks ahead
  ExpectNear(scaled.panoramaRay(0, 180).direction, {0, 0, -1}, 1e-6f);         // the first one back
  EXPECT_EQ(camera.panoramaRay(10, 10).direction, camera.placement.axis_Z);    // no width: ahead
}

TEST(CameraDeletion, TheStandardCameraIsRefusedAloneUnlinkedAmongOthersAndComesBackLast) {
  LIST cameras;
  Camera standard = MakeStandardCamera();
  int destroyed = 0;
  cameras.Append(&standard, 0);
  CameraDeletion result = DeleteCamera(cameras, standard, &standard);
  EXPECT_TRUE(result.refused);
  EXPECT_EQ(cameras.count, 1);
  auto *first = new CountedCamera(&destroyed), *second = new CountedCamera(&destroyed);
  for (Camera* c : {first, second}) cameras.Append(c, 1);
  result = DeleteCamera(cameras, standard, &standard);
  EXPECT_TRUE(result.removed);
  EXPECT_EQ(result.current, first);
  result = DeleteCamera(cameras, standard, second);
  EXPECT_FALSE(result.standard_restored);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(result.current, first);
  result = DeleteCamera(cameras, standard, first);
  EXPECT_EQ(destroyed, 2);
  EXPECT_TRUE(result.standard_restored);
  EXPECT_EQ(result.current, &standard);
  ASSERT_EQ(cameras.count, 1);
  EXPECT_EQ(cameras.head->owns, 0);  // the scene, not the list, owns the standard camera
  Camera stranger;                   // not in the list: nothing happens
  result = DeleteCamera(cameras, standard, &stranger);
  EXPECT_FALSE(result.removed || result.refused);
  EXPECT_EQ(cameras.count, 1);
  cameras.RemoveAll();
}

template <class T>
T* WithLists(T* item, std::initializer_list<uint32_t> names) {
  std::copy(names.begin(), names.end(), item->display_lists);
  return item;
}

TEST(SceneClear, FreesDisplayListsKeepsTheStandardCameraAndDestroysTheOthers) {
  Scene scene;
  ASSERT_TRUE(scene.New(nullptr));
  RecordingSink sink;
  auto* light = new LightSource;
  light->BuildPreview(sink, 0);  // one list, named in three slots: four diagonals of a cube
  EXPECT_EQ(sink.lists[0].primitives[0].vertices.size(), 8u);
  scene.lights->Append(light, 1);
  // A top-level item loses only its first list; a group member, each of its lists once.
  scene.objects->Append(WithLists(new Camera, {20, 21}), 1);
  auto* group = WithLists(new GroupObject, {30});
  ASSERT_TRUE(group->AddMember(WithLists(new LightSource, {31, 32, 31})));
  scene.objects->Append(group, 1);
  int destroyed = 0;
  scene.cameras->Append(new CountedCamera(&destroyed), 1);
  // A loaded camera that took the name.
  scene.cameras->Append(Named(new CountedCamera(&destroyed), "Standard_Kamera"), 1);
  scene.cameras->Append(new CountedCamera(&destroyed), 0);  // the list's even without ownership
  scene.StandardCamera().placement.position.x = 9;
  scene.Clear(&sink);
  EXPECT_EQ(sink.deleted, (std::vector<uint32_t>{20, 30, 31, 32, sink.lists[0].name}));
  EXPECT_EQ(destroyed, 3);
  ASSERT_TRUE(scene.New(nullptr));
  ASSERT_EQ(scene.cameras->count, 1);
  EXPECT_EQ(scene.cameras->First(), &scene.StandardCamera());
  EXPECT_EQ(scene.StandardCamera().placement.position.x, 9.0f);  // the same camera lives on
  // A node that claims the standard camera never destroys it (the sanitizer build would fail).
  scene.cameras->Append(&scene.StandardCamera(), 1);
  scene.DeleteLists();
  EXPECT_EQ(scene.StandardCamera().name, "Standard_Kamera");
}

TEST(MathSphereTexture, CoordinatesUseTheApproximateInversePiAndTheMaterialsFlag) {
  constexpr double kQ = 1.5707963267948966 * 0.3183193;  // acos(0) × the mapping's 1/3.1415
  const std::tuple<Vec3, Vec3, double, double> cases[] = {
      {{5, 0, 0}, {-1, 0, 0}, 0.0, kQ}, {{0, 0, -5}, {0, 0, 1}, (2 - kQ) / 2, kQ}};
  MathSphere sphere(1.0f);
  EXPECT_FALSE(sphere.SetRadius(NAN));  // refused: nothing changes
  EXPECT_EQ(sphere.radius_squared(), 1.0f);
  for (const auto& [from, direction, u, v] : cases) {
    ASSERT_GT(Shoot(sphere, from, direction), 0.0f);
    EXPECT_NEAR(sphere.TextureU(), u, 1e-6) << from;
    EXPECT_NEAR(sphere.TextureV(), v, 1e-6) << from;
  }
  sphere.SetTextureUV(0.125f, 0.625f);
  sphere.set_uses_texture(0);  // without textures nothing is computed
  Shoot(sphere, {0, 0, 5}, {0, 0, -1});
  EXPECT_EQ(sphere.TextureU(), 0.125f);
  // PrepareRender takes the flag from the material; without one the flag stays.
  sphere.PrepareRender();
  EXPECT_EQ(sphere.uses_texture(), 0u);
  Material material;
  sphere.material = &material;
  material.setHasTexture(kGlow, 1);
  sphere.PrepareRender();
  EXPECT_EQ(sphere.uses_texture(), 1u);
}

MathPlane PlaneAtFive(int type, float rx, float ry) {
  MathPlane plane;
  plane.placement.position = Vec3{0, 0, 5};
  plane.SetPlaneType(type);
  plane.SetRadiusX(rx);
  plane.SetRadiusY(ry);
  return plane;
}

TEST(MathPlaneHit, InfiniteSingleSidedOutlinesAndValidSettings) {
  MathPlane plane = PlaneAtFive(kPlaneInfinite, 0, 0);
  EXPECT_FLOAT_EQ(Shoot(plane, {100, -50, 0}, {0, 0, 1}), 5.0f);
  EXPECT_EQ(Shoot(plane, {0, 0, 0}, {1, 0, 0}), -1.0f);  // parallel
  EXPECT_EQ(Shoot(plane, {0, 0, 6}, {0, 0, 1}), -1.0f);  // behind the origin
  plane.set_single_sided(5);
  EXPECT_EQ(plane.single_sided(), 1u);
  EXPECT_EQ(Shoot(plane, {0, 0, 0}, {0, 0, 1}), -1.0f);  // travelling along the normal
  EXPECT_FLOAT_EQ(Shoot(plane, {0, 0, 9}, {0, 0, -1}), 4.0f);
  EXPECT_EQ(NormalOf(plane, {3, 3, 5}), (Vec3{0, 0, 1}));
  MathPlane settings;  // types and radii stay valid
  EXPECT_FALSE(settings.SetPlaneType(4));
  EXPECT_EQ(settings.plane_type(), kPlaneInfinite);
  settings.SetRadiusX(-3);
  settings.SetRadiusY(-1);
  settings.SetScale(-2, 0.5f, 7);
  settings.ApplyScale();
  EXPECT_EQ(settings.radius_X(), 6.0f);
  EXPECT_EQ(settings.radius_Y(), 0.5f);
  const std::tuple<int, float, float, float, float, bool> cases[] = {
      {kPlaneCircle, 2, 0, 0, -2, true},         {kPlaneCircle, 2, 0, 1.5f, 1.5f, false},
      {kPlaneCircle, 0, 0, 1000, 1000, true},  // no radius: unlimited
      {kPlaneRectangle, 2, 1, -2, 1, true},    // on the edge
      {kPlaneRectangle, 2, 1, 0, -1.01f, false}, {kPlaneEllipse, 2, 1, 2, 0, true},
      {kPlaneEllipse, 2, 1, 1.9f, 0.9f, false},  // inside the box, outside the ellipse
      {kPlaneEllipse, 0, 1, 0.1f, 0, false},
  };
  for (const auto& [type, rx, ry, x, y, hit] : cases) {
    MathPlane outline = PlaneAtFive(type, rx, ry);
    EXPECT_EQ(Shoot(outline, {x, y, 0}, {0, 0, 1}) >= 0, hit) << type << " at " << x << "," << y;
  }
  MathPlane rectangle = PlaneAtFive(kPlaneRectangle, 2, 0.5f);
  rectangle.RotateAxesAboutAxis(90, Vec3{0, 0, 1});  // axis_X now along world +Y
  EXPECT_GT(Shoot(rectangle, {0.4f, 1.9f, 0}, {0, 0, 1}), 0);
}

TEST(MathPlaneSurface, BumpFollowsTheHitsTextureCoordinates) {
  // A 2 × 1 bump picture: white at column 0, black at column 1.
  Texture texture(kTextureImage);
  ASSERT_TRUE(texture.CreatePicture(2, 1, 8));
  texture.picture()->palette[1] = Rgb{255, 255, 255};
  texture.picture()->paletteCount = 2;
  texture.picture()->SetPixel(0, 0, 1);
  Material material;
  material.setValue(kBump, 0, 1.0);
  material.setTexture(kBump, &texture);
  material.setHasTexture(kBump, 1);
  MathPlane plane = PlaneAtFive(kPlaneRectangle, 1, 1);
  plane.material = &material;
  ASSERT_GT(Shoot(plane, {-0.5f, 0, 0}, {0, 0, 1}), 0);  // u = 0.25: white, black to its right
  ExpectNear(BumpOf(plane), {1, 0, 0});                  // toward growing u
  ASSERT_GT(Shoot(plane, {0.5f, 0, 0}, {0, 0, 1}), 0);   // u = 0.75: black, white beyond it
  ExpectNear(BumpOf(plane), {-1, 0, 0});
  plane.material = nullptr;
  EXPECT_EQ(BumpOf(plane), (Vec3{0, 0, 0}));
}

TEST(MathItemPreview, SphereCirclesAtTheScaledRadiusAndPlaneCellsOverTheOutline) {
  MathSphere sphere(-2.0f);  // kept as |r|
  sphere.placement.position = Vec3{1, 0, 5};
  sphere.SetScale(1, 2, 3);  // mean 2: drawn radius 4
  sphere.preview_dirty = 1;
  const auto circles = Drawn(sphere);
  ASSERT_EQ(circles.size(), 3u);
  for (const auto& circle : circles) {
    ASSERT_EQ(circle.vertices.size(), 20u);
    // Centred on (1, 0, -5): the view negates z.
    for (const Vec3& v : circle.vertices) EXPECT_NEAR(Distance(v, Vec3{1, 0, -5}), 4.0, 1e-5);
  }
  // A plane's grid cells cover its outline.
  const auto cells = Drawn(PlaneAtFive(kPlaneRectangle, 2, 1));
  ASSERT_EQ(cells.size(), 100u);
  for (const auto& cell : cells) {
    ASSERT_EQ(cell.vertices.size(), 4u);
    EXPECT_NEAR(Distance(cell.vertices[0], cell.vertices[1]), 0.4, 1e-5);  // 0.2 × radius_X
  }
  for (const auto& cell : Drawn(PlaneAtFive(kPlaneCircle, 1, 0)))
    EXPECT_LE(Distance((cell.vertices[0] + cell.vertices[2]) * 0.5, Vec3{0, 0, -5}), 1.0);
  float reach = 0;
  for (const auto& cell : Drawn(PlaneAtFive(kPlaneInfinite, 0, 0)))
    for (const Vec3& v : cell.vertices) reach = std::max(reach, std::fabs(v.x));
  EXPECT_FLOAT_EQ(reach, 100.0f);
}

// The frame lines of an item with the world's axes, at the origin or elsewhere.
const std::string kAxes = "axis_deg <0,0,0>\naxis_X <1,0,0>\naxis_Y <0,1,0>\naxis_Z <0,0,1>\n";
const std::string kFrame = "position <0,0,0>\n" + kAxes;
std::string NativeText(SceneObject& item) {
  std::string text;
  const LIST* lines = item.WriteNative();
  for (const ListNode* n = lines ? lines->head : nullptr; n; n = n->next) {
    const auto& line = dynamic_cast<const String&>(*n->item);  // throws (and fails) if not
    const std::string s(line.c_str(), line.Length());
    // One line per String; a block's closing brace carries the empty line after it.
    EXPECT_TRUE(s.find('\n') == s.size() - 1 || s == "}\n\n") << s;
    text += s;
  }
  item.FreeText();
  return text;
}
// The item writes `expected`, and so does its copy unless `copy_too` is false.
void ExpectText(SceneObject& item, const std::string& expected, bool copy_too = true) {
  EXPECT_EQ(NativeText(item), expected);
  if (!copy_too) return;
  std::unique_ptr<SceneObject> copy(item.Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy->TypeName(), item.TypeName());
  EXPECT_EQ(NativeText(*copy), expected);
}

TEST(NativeText, CameraLightSphereAndPlaneBlocks) {
  Camera camera;  // the only block closed by a single line feed
  Named(&camera, "cam")->SetZoom(300.0f);
  ExpectText(camera, "camera cam{\n" + kFrame + "zoom <300>\n}\n");
  // A light writes its effective colour, the whole decrease and its angles in degrees.
  LightSource light;
  Named(&light, "sun")->placement.position = Vec3{1, 2, 3};
  ApplyLightDialog(light, LightDialogValues{12.7, 200, 100, 50, 150, true, true, true, 20, 5});
  const std::string sun = "light sun{\nposition <1,2,3>\n" + kAxes + "color <255,150,75>\n";
  ExpectText(light, sun + "decrease <12>\nspot_angle <20>\nfall_off <5>\ntype spot\n" +
                        "has_shadow <1>\nparallel <1>\n}\n\n");
  // A fraction of the decrease is dropped, so 0.5 reads back as no fading.
  ApplyLightDialog(light, LightDialogValues{0.5, 200, 100, 50, 150, false, false, false, 20, 5});
  ExpectText(light, sun + "decrease <0>\nspot_angle <20>\nfall_off <5>\ntype point\n" +
                        "has_shadow <0>\nparallel <0>\n}\n\n");
  // Spheres and planes write flag lines only for flags that are off.
  Material gold, tiles;
  MathSphere sphere(2.5f);
  Named(&sphere, "ball")->material = Named(&gold, "gold");
  sphere.flags = 0;
  ExpectText(sphere, "sphere ball{\n" + kFrame + "radius <2.5>\nmaterial gold\nis_visible <0>\n" +
                         "has_shadow <0>\ngets_shadow <0>\n}\n\n");
  MathPlane plane;
  plane.name = "floor";
  const std::string floor = "plane floor{\n" + kFrame;
  ExpectText(plane, floor + "radius_X <0>\nradius_Y <0>\ntype infinite\n}\n\n");
  for (const auto& [type, word] :
       {std::pair{kPlaneCircle, "circle"}, {kPlaneRectangle, "rectangle"}})
    EXPECT_TRUE(plane.SetPlaneType(type) && NativeText(plane).find(word) != std::string::npos);
  ASSERT_TRUE(plane.SetPlaneType(kPlaneEllipse));
  plane.material = Named(&tiles, "tiles");
  plane.SetRadiusX(3.0f);
  plane.SetRadiusY(0.25f);
  plane.set_single_sided(5);
  plane.SetFlag(kGetsShadow, false);
  ExpectText(plane, floor + "radius_X <3>\nradius_Y <0.25>\ntype ellipse\nsingle_side\n" +
                        "material tiles\ngets_shadow <0>\n}\n\n");
}

TEST(NativeText, GroupNestsMemberBlocksInOrderAndReleasesTheirText) {
  GroupObject outer;
  outer.name = "outer";
  auto* cam = Named(new Camera, "eye");  // a member whose block ends differently
  ASSERT_TRUE(outer.AddMember(Named(new MathSphere(1.0f), "ball")));
  ASSERT_TRUE(outer.AddMember(cam));
  AppendLine(*cam->WriteVrml(), "stale");  // the text of another format must not leak in
  ExpectText(outer, "object outer{\n" + kFrame + "sphere ball{\n" + kFrame +
                        "radius <1>\n}\n\ncamera eye{\n" + kFrame + "zoom <200>\n}\n}\n\n");
  EXPECT_EQ(cam->text, nullptr);
}

TEST(NativeText, MeshWritesMappingObjectPointsAndTrimeshLeavingOutWhatIsGone) {
  const std::vector<Vec3> corners = {{0, 0, 0}, {1.5f, 0, 0}, {0, -2, 1e-3f}};
  Material clay;
  auto mesh = MakeMesh(corners, {{0, 1, 2}});
  mesh->name = "tri";
  mesh->material = Named(&clay, "clay");
  // The mapping object is written renamed, invisible and with the mesh's material.
  ExpectText(*mesh, "sphere tri_mat_object{\n" + kFrame +
                        "radius <1>\nmaterial clay\nis_visible <0>\n}\n\npoints tri{\n" +
                        "number <3>\n<0,0,0>\n<1.5,0,0>\n<0,-2,0.001>\n}\n\ntrimesh tri{\n" +
                        kFrame + "points tri\ntriangles <1>\n<0,1,2>\n" +
                        "material clay\nmaterial_object tri_mat_object\n}\n\n");
  // No mapping object, and fewer points: the triangles now name a point that is gone.
  auto bare = MakeMesh(corners, {{0, 1, 2}, {2, 1, 0}});
  bare->name = "m";
  bare->SetMappingObject(nullptr);
  ASSERT_EQ(bare->SetPointCount(2), 0);
  ExpectText(*bare,
             "points m{\nnumber <2>\n<0,0,0>\n<0,0,0>\n}\n\ntrimesh m{\n" + kFrame +
                 "points m\ntriangles <0>\n}\n\n",
             false);  // a copy gets a mapping sphere of its own
}
}  // namespace
}  // namespace orvane
