#pragma once
// A PreviewSink that records every call, for tests of the preview geometry.

#include <cstdint>
#include <vector>
#include "scene/preview_sink.h"

namespace orvane::testing_support {
class RecordingSink : public PreviewSink {
 public:
  struct Primitive {
    int32_t mode = 0;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
  };
  struct List {
    uint32_t name = 0;
    std::vector<Primitive> primitives;
  };
  uint32_t BeginList(const SceneObject&, uint32_t name) override {
    List list;
    list.name = name ? name : next_name_++;
    lists.push_back(list);
    return list.name;
  }
  void EndList() override {}
  void Begin(int32_t mode) override {
    if (lists.empty()) lists.push_back(List{});
    lists.back().primitives.push_back(Primitive{mode, {}, {}});
  }
  void Normal(const Vec3& n) override {
    if (HasPrimitive()) lists.back().primitives.back().normals.push_back(n);
  }
  void Vertex(const Vec3& v) override {
    if (HasPrimitive()) lists.back().primitives.back().vertices.push_back(v);
  }
  void End() override {}
  void DeleteList(uint32_t name) override { deleted.push_back(name); }
  // Every vertex of every list, in order.
  std::vector<Vec3> AllVertices() const {
    std::vector<Vec3> all;
    for (const List& l : lists)
      for (const Primitive& p : l.primitives)
        all.insert(all.end(), p.vertices.begin(), p.vertices.end());
    return all;
  }
  std::vector<List> lists;
  std::vector<uint32_t> deleted;

 private:
  bool HasPrimitive() const { return !lists.empty() && !lists.back().primitives.empty(); }
  uint32_t next_name_ = 1;
};
}  // namespace orvane::testing_support
