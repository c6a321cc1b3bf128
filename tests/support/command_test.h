#pragma once
// A fixture for the modelling commands: a scene with its lists, the mesh a command built, and
// the check that a refused command leaves the scene's objects alone.

#include <gtest/gtest.h>

#include <iostream>
#include <stdexcept>

#include "modelling/command_result.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"

namespace orvane::test {

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scene_.EnsureLists(std::cerr)); }

  // The built mesh; fails the test (and leaves it) when the command refused.
  MeshObject& Built(const CommandResult& r) {
    EXPECT_TRUE(r.ok()) << r.title.c_str() << ": " << r.text.c_str();
    if (!r.ok()) throw std::runtime_error("refused");
    EXPECT_EQ(r.item->GetType(), kItemMesh);
    return *static_cast<MeshObject*>(r.item);
  }

  // Call before the command that ExpectRefused checks.
  void Remember() { objects_before_ = scene_.objects->count; }

  void ExpectRefused(const CommandResult& r, const char* title, const char* text) {
    EXPECT_FALSE(r.ok());
    EXPECT_STREQ(r.title.c_str(), title);
    EXPECT_STREQ(r.text.c_str(), text);
    EXPECT_EQ(scene_.objects->count, objects_before_);
  }

  Scene scene_;
  int objects_before_ = 0;
};

}  // namespace orvane::test
