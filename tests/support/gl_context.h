// A real OpenGL compatibility context for tests, on SDL's offscreen driver,
// without the library's window (tests of the rendering toolkit set
// lumicore::Width and lumicore::Height themselves).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "lumicore/lumicore.h"

namespace testgl {

// Creates the context once per test program, sized width x height, makes it
// current and sets lumicore::Width and lumicore::Height to match.
bool MakeContext(int width, int height);

// Every GL state a test may have touched is put back to GL's defaults
// between tests by making a fresh context.
void ResetContext();

// Feedback-mode capture of whatever draw() issues: vertices in window
// coordinates (x, y, z) with colour and texture coordinates.
struct FeedbackVertex {
  float x, y, z, w;
  float r, g, b, a;
  float s, t, p, q;
};
struct FeedbackPolygon {
  std::vector<FeedbackVertex> vertices;
};
std::vector<FeedbackPolygon> CapturePolygons(void (*draw)(), int buffer_floats = 1 << 22);

// A full-window viewport with an orthographic projection and an identity
// modelview matrix, so that window positions follow from object positions.
void OrthoView(double left, double right, double bottom, double top, double near_z, double far_z);

// glReadPixels of the whole drawing area as RGBA bytes, bottom row first.
std::vector<uint8_t> ReadPixels(int width, int height);

class GLTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;
  void SetUp() override;
};

}  // namespace testgl
