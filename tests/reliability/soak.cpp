// umbrafield-soak: the demo's complete start-up and frame, headless, for many
// frames. After every frame glGetError must report nothing; after the last
// frame the texture-matrix stack depth, the bound texture, the enable flags
// and the resident memory must be what they were after the first frames.
//
//   umbrafield-soak [--frames N] [--warmup W] [--rss-slack KB] [--sample K] [--slots]
//
// N defaults to UMBRAFIELD_SOAK_FRAMES or 3000; W, the frames before the
// reference state is taken, to 150 (the renderer's own caches grow during
// the first hundred frames or so); the resident memory is printed every K
// frames (250) and may end at most KB (4096) above its reference. --slots
// prints, after the frames, one line "slot I name T width W" per scene
// texture slot. The scene textures are read from the working directory, as
// the demo reads them. Exit status 0 when every check held, 1 otherwise.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "umbrafield.h"

namespace {

const GLenum kFlags[] = {
    GL_TEXTURE_2D,   GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,          GL_TEXTURE_GEN_Q,
    GL_LIGHTING,     GL_LIGHT0,        GL_DEPTH_TEST,    GL_CULL_FACE,              GL_BLEND,
    GL_NORMALIZE,    GL_ALPHA_TEST,    GL_COLOR_MATERIAL, GL_POLYGON_OFFSET_FILL,   GL_FOG,
    GL_SCISSOR_TEST, GL_STENCIL_TEST,
};
const char* const kFlagNames[] = {
    "GL_TEXTURE_2D", "GL_TEXTURE_GEN_S", "GL_TEXTURE_GEN_T", "GL_TEXTURE_GEN_R",        "GL_TEXTURE_GEN_Q",
    "GL_LIGHTING",   "GL_LIGHT0",        "GL_DEPTH_TEST",    "GL_CULL_FACE",            "GL_BLEND",
    "GL_NORMALIZE",  "GL_ALPHA_TEST",    "GL_COLOR_MATERIAL", "GL_POLYGON_OFFSET_FILL", "GL_FOG",
    "GL_SCISSOR_TEST", "GL_STENCIL_TEST",
};
constexpr size_t kFlagCount = sizeof kFlags / sizeof kFlags[0];
static_assert(kFlagCount == sizeof kFlagNames / sizeof kFlagNames[0], "one name per flag");

struct State {
  GLint texture_stack = 0;
  GLint modelview_stack = 0;
  GLint projection_stack = 0;
  GLint bound_texture = 0;
  GLint matrix_mode = 0;
  bool flags[kFlagCount] = {};
};

State Capture() {
  State s;
  glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &s.texture_stack);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.modelview_stack);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.projection_stack);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.bound_texture);
  glGetIntegerv(GL_MATRIX_MODE, &s.matrix_mode);
  for (size_t i = 0; i < kFlagCount; ++i) s.flags[i] = glIsEnabled(kFlags[i]) == GL_TRUE;
  return s;
}

long RssKb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
  std::fclose(f);
  return kb;
}

int AnswerWindowed(LPCSTR, LPCSTR, UINT) { return IDNO; }

bool ParseCount(const char* s, long lo, long* out) {
  if (!s || !*s) return false;
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (*end || v < lo) return false;
  *out = v;
  return true;
}

int Compare(const char* what, long early, long late) {
  if (early == late) return 0;
  std::fprintf(stderr, "umbrafield-soak: %s was %ld after the first frames, %ld at the end\n", what, early, late);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  long frames = 3000, warmup = 150, rss_slack_kb = 4096, sample = 250;
  bool slots = false;
  if (const char* env = std::getenv("UMBRAFIELD_SOAK_FRAMES"); env && !ParseCount(env, 1, &frames)) {
    std::fprintf(stderr, "umbrafield-soak: bad UMBRAFIELD_SOAK_FRAMES '%s'\n", env);
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok;
    if (a == "--frames") ok = ParseCount(v, 1, &frames), ++i;
    else if (a == "--warmup") ok = ParseCount(v, 1, &warmup), ++i;
    else if (a == "--sample") ok = ParseCount(v, 1, &sample), ++i;
    else if (a == "--rss-slack") ok = ParseCount(v, 0, &rss_slack_kb), ++i;
    else if (a == "--slots") ok = slots = true;
    else ok = false;
    if (!ok) {
      std::fprintf(stderr, "umbrafield-soak: bad argument '%s'\n", a.c_str());
      return 2;
    }
  }
  if (warmup > frames) warmup = frames;

  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  PlatformSetMessageBoxHook(AnswerWindowed);
  PlatformSetSwapInterval(0);
  umbrafield::Start(umbrafield::AskFullScreen());
  int failures = 0;
  if (GLenum e = glGetError(); e != GL_NO_ERROR) {
    std::fprintf(stderr, "umbrafield-soak: GL error 0x%04x after start-up\n", e);
    ++failures;
  }

  State early{};
  long early_rss = 0, peak_rss = 0;
  const auto t0 = std::chrono::steady_clock::now();
  auto t_early = t0;
  for (long n = 1; n <= frames && lumicore::Active; ++n) {
    umbrafield::LoopPass();
    for (GLenum e; (e = glGetError()) != GL_NO_ERROR;) {
      // Only the first few are worth reading.
      if (failures < 10) std::fprintf(stderr, "umbrafield-soak: GL error 0x%04x after frame %ld\n", e, n);
      ++failures;
    }
    const long rss = RssKb();
    if (rss > peak_rss) peak_rss = rss;
    if (n % sample == 0) std::printf("rss_kb_at %ld %ld\n", n, rss);
    if (n == warmup) {
      early = Capture();
      early_rss = rss;
      t_early = std::chrono::steady_clock::now();
    }
  }
  const auto t1 = std::chrono::steady_clock::now();
  if (!lumicore::Active) {
    std::fprintf(stderr, "umbrafield-soak: the window closed during the run\n");
    ++failures;
  }
  const State late = Capture();
  const long late_rss = RssKb();
  failures += Compare("texture matrix stack depth", early.texture_stack, late.texture_stack);
  failures += Compare("modelview matrix stack depth", early.modelview_stack, late.modelview_stack);
  failures += Compare("projection matrix stack depth", early.projection_stack, late.projection_stack);
  failures += Compare("bound 2D texture", early.bound_texture, late.bound_texture);
  failures += Compare("matrix mode", early.matrix_mode, late.matrix_mode);
  for (size_t i = 0; i < kFlagCount; ++i) failures += Compare(kFlagNames[i], early.flags[i], late.flags[i]);
  if (late_rss - early_rss > rss_slack_kb) {
    std::fprintf(stderr, "umbrafield-soak: resident memory grew from %ld kB to %ld kB (slack %ld kB)\n", early_rss,
                 late_rss, rss_slack_kb);
    ++failures;
  }

  const double total_s = std::chrono::duration<double>(t1 - t0).count();
  const double late_s = std::chrono::duration<double>(t1 - t_early).count();
  std::printf("frames %ld\nseconds %.1f\nms_per_frame %.1f\nrss_kb_early %ld\nrss_kb_late %ld\nrss_kb_peak %ld\n",
              frames, total_s,
              frames > warmup ? 1000.0 * late_s / double(frames - warmup) : 1000.0 * total_s / double(frames),
              early_rss, late_rss, peak_rss);
  if (slots) {
    for (int slot = 0; slot < 4; ++slot) {
      GLint width = 0;
      glBindTexture(GL_TEXTURE_2D, lumicore::TextureID2[slot]);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
      std::printf("slot %d name %u width %d\n", slot, lumicore::TextureID2[slot], width);
    }
    if (GLenum e = glGetError(); e != GL_NO_ERROR) {
      std::fprintf(stderr, "umbrafield-soak: GL error 0x%04x reading the slots\n", e);
      ++failures;
    }
  }
  lumicore::DeleteOGLWindow();
  std::printf("%s\n", failures ? "FAIL" : "OK");
  return failures ? 1 : 0;
}
