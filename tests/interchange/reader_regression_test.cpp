// Faults found by fuzzing and review of the text object readers, and the reading rules their
// fixes had to keep.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "interchange/dxf_import.h"
#include "interchange_test.h"

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_TEST_SANITIZED 1
#endif
#endif

namespace orvane {
namespace {

using namespace test;

#ifndef ORVANE_TEST_SANITIZED
// The bytes of address space in use now, from /proc/self/statm; 0 when unknown.
unsigned long long AddressSpaceInUse() {
  unsigned long long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  return pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
}

// Reads 32 MB of newlines behind the section start with the address space limited to
// `extra` bytes more than now; exits with 0 when that gave an empty mesh.
[[noreturn]] void ReadManyLinesWithin(unsigned long long extra) {
  const unsigned long long limit = AddressSpaceInUse() + extra;
  const rlimit space = {limit, limit};  // soft and hard
  if (setrlimit(RLIMIT_AS, &space) != 0) std::exit(2);
  std::string text = kHeader;
  text.append(std::size_t{32} << 20, '\n');
  MeshObject mesh;
  const int result = ReadDxfText(text, mesh);
  std::exit(result == kDxfOk && mesh.point_count == 0 && mesh.triangle_count == 0 ? 0 : 1);
}
#endif

// Keeping every line of a file as a string of its own costs about 32 bytes per line, so a file
// of the accepted size made of newlines needs gigabytes and dies of an allocation failure.
// Read in place, 32 MB of newlines fit in 256 MB of extra address space.
TEST(DxfRegressionDeathTest, ManyLinesNeedNoMemoryPerLine) {
#ifdef ORVANE_TEST_SANITIZED
  GTEST_SKIP() << "address space limits do not work with the sanitizers' shadow memory";
#else
  if (AddressSpaceInUse() == 0) GTEST_SKIP() << "no /proc/self/statm";
  EXPECT_EXIT(ReadManyLinesWithin(256ull << 20), ::testing::ExitedWithCode(0), "");
#endif
}

// The same file, face by face, with the line layouts a reader may meet.
TEST(DxfRegression, LineLayoutsReadAlike) {
  std::string plain = kHeader + kFace + kFace + "0\nENDSEC\n0\nEOF";
  std::string crlf_tabs;
  for (char c : plain) crlf_tabs += c == '\n' ? std::string(" \t\r\n\t") : std::string(1, c);
  for (const std::string& text : {plain, plain + "\n", crlf_tabs}) {
    MeshObject mesh;
    ASSERT_EQ(ReadDxfText(text, mesh), kDxfOk) << text;
    ASSERT_EQ(mesh.point_count, 8u);
    ASSERT_EQ(mesh.triangle_count, 4u);
    ExpectPoint(mesh, 7, 50.0f, 55.0f, 60.0f);
    ExpectTriangle(mesh, 3, 5, 6, 7);
  }
}

// A pair is its two lines joined: "03" and "DFACE" start a face as "0" and "3DFACE" do, and
// the section start may be split anywhere. Any other pair still has its corners read, and an
// empty value line reads 0.
TEST(DxfRegression, PairsAreJoinedLinesAndEveryEntityIsReadAsAFace) {
  MeshObject mesh;
  std::string split = std::string("0SEC\nTION\n2ENTITIES\n\n03\nDFACE\n") + (kFace + 9);
  ASSERT_EQ(ReadDxfText(split, mesh), kDxfOk);
  EXPECT_EQ(mesh.point_count, 4u);
  std::string line_entity = kHeader + kFace + "0\nLINE\n" + (kFace + 9);
  line_entity.replace(line_entity.find("10\n1\n"), 5, "10\n\n");
  ASSERT_EQ(ReadDxfText(line_entity, mesh), kDxfOk);
  ASSERT_EQ(mesh.point_count, 8u);
  EXPECT_EQ(mesh.triangle_count, 4u);
  ExpectPoint(mesh, 0, 0.0f, 10.0f, 15.0f);
  // A header line too long to be part of the section start.
  EXPECT_EQ(ReadDxfText("0SECTION2ENTITIES\n\n\n\n" + std::string(kFace), mesh), kDxfOk);
  EXPECT_EQ(ReadDxfText("0SECTION2ENTITIESX\n\n\n\n" + std::string(kFace), mesh), kDxfNotEntities);
  EXPECT_EQ(ReadDxfText("0\nSECTION\n2\n", mesh), kDxfNotEntities);
}

// A code line damaged by a control byte ("31\x1d") is no code, so the face has one value less
// and the points behind it shift; whatever is read, the triangles index existing points.
TEST(DxfRegression, DamagedCodeLinesNeverGiveIndicesPastThePoints) {
  std::string text = kHeader + kFace + kFace;
  for (const std::string damage : {"31\x1d", "3\0013", "1O", ""}) {
    for (const char* code : {"\n31\n", "\n33\n", "\n10\n"}) {
      std::string damaged = text;
      damaged.replace(damaged.rfind(code), 4, "\n" + damage + "\n");
      MeshObject mesh;
      const int result = ReadDxfText(damaged, mesh);
      EXPECT_TRUE(result == kDxfOk || result == kDxfUnreadable) << result;
      for (uint32_t j = 0; result == kDxfOk && j < mesh.triangle_count; ++j)
        EXPECT_TRUE(mesh.TriangleInRange(mesh.triangles[j])) << "triangle " << j;
    }
  }
}

}  // namespace
}  // namespace orvane
