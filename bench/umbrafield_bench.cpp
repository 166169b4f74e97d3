// umbrafield-bench: runs the demo's own start-up and frames headless and
// measures where a frame's time goes, how the teapot and the shadow texture
// scale, and how far the immediate-mode drawing stands from the same world
// submitted from display lists compiled once.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "umbrafield.h"

namespace {

using Clock = std::chrono::steady_clock;
using lumicore::Cubo2;

const char kUsage[] =
    "usage: umbrafield-bench [--quick] [--json PATH] [--size WxH] [--runs N] [--frames N]\n"
    "Runs the demo headless (SDL offscreen driver, vsync off) and prints a table of\n"
    "frame and pass times. The scene textures are read from the working directory.\n"
    "  --quick     a few frames only (smoke run)\n"
    "  --json PATH also write the figures as JSON\n"
    "  --size WxH  measure only the whole frame and the depth pass at this drawing\n"
    "              area (the full run starts itself with --size 1600x1200 for that)\n"
    "  --runs N, --frames N  runs and frames per run of the whole-frame timing\n";

// The demo's frame constants, as the frame passes them to the library.
constexpr int kShadowSize = 512;
constexpr int kShadowDepth = 100;
constexpr float kShadowZoom = 2.56f;
constexpr double kFarPlane = 100.0;
constexpr float kLightRadius = 55.0f;
constexpr float kLightHeight = 25.0f;
constexpr float kLightW = 0.1f;
constexpr float kLightStep = 0.025f;
constexpr float kTurn = 6.28318530717958647692f;
constexpr int kTeapotRes = 32;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}
double Min(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

long StatusKb(const char* key) {
  std::ifstream f("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(key);
  while (std::getline(f, line))
    if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n);
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}
long PeakRssKb() { return StatusKb("VmHWM:"); }

int AnswerWindowed(LPCSTR, LPCSTR, UINT) { return IDNO; }

// ----------------------------------------------------------- the world
// The demo's own groups of the world, so that passes can be timed without
// the teapot and the world compiled into display lists.
using umbrafield::Floor;
using umbrafield::PyramidPillarsWall;
using umbrafield::Tower;

int g_teapot_res = kTeapotRes;

void Teapot() {
  glPushMatrix();
  glTranslatef(0, 0, 7.5f);
  glRotatef(90, -1, 0, 0);
  lumicore::PutGLTeapot(0, 0, 0, 1.0f, g_teapot_res);
  glPopMatrix();
}

void CastersNoTeapot() {
  PyramidPillarsWall();
  Tower();
}
void BaseNoTeapot() {
  Floor();
  PyramidPillarsWall();
  Tower();
}
void TexturedNoTeapot() {
  lumicore::TextureSelectID(0);
  Floor();
  lumicore::TextureSelectID(1);
  PyramidPillarsWall();
  lumicore::TextureSelectID(2);
  Tower();
}

// The teapot's grids evaluated once into plain vertices, in the order and
// winding that glEvalMesh2(GL_FILL) emits them: one quad strip per grid row.
struct EvalVertex {
  float n[3], s, t, p[3];
};

void Bernstein(float t, float b[4], float d[4]) {
  const float s = 1 - t;
  b[0] = s * s * s;
  b[1] = 3 * t * s * s;
  b[2] = 3 * t * t * s;
  b[3] = t * t * t;
  d[0] = -3 * s * s;
  d[1] = 3 * s * s - 6 * t * s;
  d[2] = 6 * t * s - 3 * t * t;
  d[3] = 3 * t * t;
}

EvalVertex EvalPatch(const float (&g)[4][4][3], float u, float v) {
  float bu[4], du[4], bv[4], dv[4];
  Bernstein(u, bu, du);
  Bernstein(v, bv, dv);
  float p[3] = {}, pu[3] = {}, pv[3] = {};
  for (int J = 0; J < 4; ++J)
    for (int K = 0; K < 4; ++K)
      for (int c = 0; c < 3; ++c) {
        p[c] += bu[K] * bv[J] * g[J][K][c];
        pu[c] += du[K] * bv[J] * g[J][K][c];
        pv[c] += bu[K] * dv[J] * g[J][K][c];
      }
  EvalVertex e{};
  e.n[0] = pu[1] * pv[2] - pu[2] * pv[1];
  e.n[1] = pu[2] * pv[0] - pu[0] * pv[2];
  e.n[2] = pu[0] * pv[1] - pu[1] * pv[0];
  const float len = std::sqrt(e.n[0] * e.n[0] + e.n[1] * e.n[1] + e.n[2] * e.n[2]);
  if (len > 0)
    for (float& c : e.n) c /= len;
  e.s = u;
  e.t = v;
  for (int c = 0; c < 3; ++c) e.p[c] = p[c];
  return e;
}

void EmitGrid(const float (&g)[4][4][3], int grd) {
  for (int j = 0; j < grd; ++j) {
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= grd; ++i) {
      for (int dj = 0; dj <= 1; ++dj) {
        const EvalVertex e = EvalPatch(g, float(i) / grd, float(j + dj) / grd);
        glNormal3fv(e.n);
        glTexCoord2f(e.s, e.t);
        glVertex3fv(e.p);
      }
    }
    glEnd();
  }
}

// What PutGLTeapot draws at the demo's place and tessellation, without
// evaluators.
void PreEvaluatedTeapot() {
  using lumicore::CPData;
  using lumicore::PatchData;
  glPushMatrix();
  glTranslatef(0, 0, 7.5f);
  glRotatef(90, -1, 0, 0);
  glPushAttrib(GL_POLYGON_BIT | GL_ENABLE_BIT);
  glCullFace(GL_FRONT);
  for (int I = 0; I < 10; ++I) {
    float P[4][4][3], Q[4][4][3], R[4][4][3], S[4][4][3];
    for (int J = 0; J < 4; ++J)
      for (int K = 0; K < 4; ++K) {
        const float* p = CPData[PatchData[I][4 * J + K]];
        const float* m = CPData[PatchData[I][4 * J + 3 - K]];
        for (int c = 0; c < 3; ++c) {
          P[J][K][c] = p[c];
          Q[J][K][c] = m[c];
          R[J][K][c] = m[c];
          S[J][K][c] = p[c];
        }
        Q[J][K][1] = -m[1];
        R[J][K][0] = -m[0];
        S[J][K][0] = -p[0];
        S[J][K][1] = -p[1];
      }
    EmitGrid(P, kTeapotRes);
    EmitGrid(Q, kTeapotRes);
    if (I < 6) {
      EmitGrid(R, kTeapotRes);
      EmitGrid(S, kTeapotRes);
    }
  }
  glPopAttrib();
  glPopMatrix();
}

GLuint g_list_floor = 0, g_list_ppw = 0, g_list_tower = 0, g_list_teapot = 0;

GLuint Compile(void (*draw)()) {
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  draw();
  glEndList();
  return list;
}

void CompileReference() {
  g_list_floor = Compile(Floor);
  g_list_ppw = Compile(PyramidPillarsWall);
  g_list_tower = Compile(Tower);
  g_list_teapot = Compile(PreEvaluatedTeapot);
}

void RefCasters() {
  glCallList(g_list_ppw);
  glCallList(g_list_tower);
  glCallList(g_list_teapot);
}
void RefBase() {
  glCallList(g_list_floor);
  RefCasters();
}
void RefTextured() {
  lumicore::TextureSelectID(0);
  glCallList(g_list_floor);
  lumicore::TextureSelectID(1);
  glCallList(g_list_ppw);
  lumicore::TextureSelectID(2);
  glCallList(g_list_tower);
  lumicore::TextureSelectID(3);
  glCallList(g_list_teapot);
}

struct Scenes {
  lumicore::LumiProcedure casters, textured, base;
};
const Scenes kDemo = {umbrafield::BaseScena2, umbrafield::Scena, umbrafield::BaseScena};
const Scenes kNoTeapot = {CastersNoTeapot, TexturedNoTeapot, BaseNoTeapot};
const Scenes kReference = {RefCasters, RefTextured, RefBase};

// ------------------------------------------------------------ the frame
struct PassTimes {
  double clear_color = 0, pump = 0, clear_frame = 0, depth = 0, setups = 0, textured = 0, shadow = 0, swap = 0;
  double Other() const { return clear_color + pump + clear_frame + setups + swap; }
  double Total() const { return Other() + depth + textured + shadow; }
};

void Camera() {
  glTranslatef(0, 0, -30);
  glRotatef(45, 1, 0, 0);
  lumicore::SetGLMouseMove(lumicore::GL_M0, 2);
}

void MoveLight() {
  umbrafield::Anim = umbrafield::Anim - kLightStep;
  if (umbrafield::Anim <= 1.0f - kTurn) umbrafield::Anim += kTurn;
  lumicore::PutGLPointLight(GL_LIGHT0, 0, float(-double(kLightRadius) * std::cos(double(umbrafield::Anim))),
                            kLightHeight, float(double(kLightRadius) * std::sin(double(umbrafield::Anim))),
                            kLightW);
}

// One pass of the demo's loop with the given scenes: the same calls in the
// same order as LoopPass and OpenGL_Draw. With a PassTimes, every step is
// bracketed by glFinish and timed.
void Frame(const Scenes& sc, PassTimes* pt, bool swap = true) {
  auto t = Clock::now();
  auto lap = [&](double* slot) {
    if (!pt) return;
    glFinish();
    const auto now = Clock::now();
    *slot += Ms(t, now);
    t = now;
  };
  double scratch = 0;
  lap(&scratch);
  glClear(GL_COLOR_BUFFER_BIT);
  lap(pt ? &pt->clear_color : nullptr);
  lumicore::SetGLMsg();
  lap(pt ? &pt->pump : nullptr);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  lap(pt ? &pt->clear_frame : nullptr);
  lumicore::GenTexShadow(sc.casters, umbrafield::LightModelView, umbrafield::LightProjection, kShadowSize,
                         kShadowDepth, kShadowZoom);
  lap(pt ? &pt->depth : nullptr);
  umbrafield::OpenGL_Draw2D();
  umbrafield::OpenGL_Keyboard();
  Camera();
  MoveLight();
  lap(pt ? &pt->setups : nullptr);
  lumicore::BindTexShadow(sc.textured, umbrafield::LightModelView, umbrafield::LightProjection);
  lap(pt ? &pt->textured : nullptr);
  lumicore::DrawTexShadow(sc.base, umbrafield::SelectTypeShadow, umbrafield::M_ShadowMap);
  lap(pt ? &pt->shadow : nullptr);
  if (swap) SwapBuffers(lumicore::DCWindow);
  lap(pt ? &pt->swap : nullptr);
}

long g_frames = 0;
struct RssMark {
  long frames, peak_kb, now_kb;
};
std::vector<RssMark> g_rss_marks;
std::vector<long> g_rss_at;

void CountFrame() {
  ++g_frames;
  for (long at : g_rss_at)
    if (g_frames == at) g_rss_marks.push_back({at, PeakRssKb(), StatusKb("VmRSS:")});
}

void DemoFrame() {
  umbrafield::LoopPass();
  CountFrame();
}

// Milliseconds per frame over n frames, with the GL work drained at both ends.
double TimeFrames(int n, void (*frame)()) {
  glFinish();
  const auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) frame();
  glFinish();
  return Ms(t0, Clock::now()) / n;
}

void ReferenceFrame() { Frame(kReference, nullptr); }

// ------------------------------------------------------------- pictures
std::vector<unsigned char> ReadBack() {
  const int w = lumicore::Width, h = lumicore::Height;
  std::vector<unsigned char> px(size_t(w) * h * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
  return px;
}

struct PictureDiff {
  double fraction = 0;  // of the pixels that differ by more than 8 in a channel
  int max = 0;
};

// Draws the demo's frame and then the given scenes' frame from the same light
// and animation state, and compares the two pictures.
PictureDiff CompareWithDemo(const Scenes& sc) {
  const float anim = umbrafield::Anim;
  float light[4];
  std::memcpy(light, lumicore::LightPosition, sizeof light);
  glClear(GL_COLOR_BUFFER_BIT);
  umbrafield::OpenGL_Draw();
  const auto a = ReadBack();
  umbrafield::Anim = anim;
  std::memcpy(lumicore::LightPosition, light, sizeof light);
  Frame(sc, nullptr, false);
  const auto b = ReadBack();
  SwapBuffers(lumicore::DCWindow);
  PictureDiff d;
  size_t differ = 0;
  for (size_t i = 0; i < a.size(); i += 3) {
    int m = 0;
    for (int c = 0; c < 3; ++c) m = std::max(m, std::abs(int(a[i + c]) - int(b[i + c])));
    d.max = std::max(d.max, m);
    if (m > 8) ++differ;
  }
  d.fraction = double(differ) / double(a.size() / 3);
  return d;
}

// ------------------------------------------------------- teapot by Res
struct TeapotTimes {
  double depth = 0, textured = 0, shadow = 0;
};
TeapotTimes g_teapot_lap;
double* g_teapot_slot = nullptr;

void TimedTeapot() {
  glFinish();
  const auto t0 = Clock::now();
  Teapot();
  glFinish();
  *g_teapot_slot += Ms(t0, Clock::now());
}
void TimedTexturedTeapot() {
  lumicore::TextureSelectID(3);
  TimedTeapot();
}

// The teapot alone in each pass's state: the timing sits inside the scene
// callback, so the library's clears and copies are not counted.
TeapotTimes TeapotAt(int res, int reps) {
  g_teapot_res = res;
  std::vector<double> d, t, s;
  for (int i = 0; i < reps; ++i) {
    g_teapot_lap = {};
    glLoadIdentity();
    g_teapot_slot = &g_teapot_lap.depth;
    lumicore::GenTexShadow(TimedTeapot, umbrafield::LightModelView, umbrafield::LightProjection, kShadowSize,
                           kShadowDepth, kShadowZoom);
    umbrafield::OpenGL_Draw2D();
    Camera();
    g_teapot_slot = &g_teapot_lap.textured;
    lumicore::BindTexShadow(TimedTexturedTeapot, umbrafield::LightModelView, umbrafield::LightProjection);
    g_teapot_slot = &g_teapot_lap.shadow;
    lumicore::DrawTexShadow(TimedTeapot, umbrafield::SelectTypeShadow, umbrafield::M_ShadowMap);
    SwapBuffers(lumicore::DCWindow);
    d.push_back(g_teapot_lap.depth);
    t.push_back(g_teapot_lap.textured);
    s.push_back(g_teapot_lap.shadow);
  }
  g_teapot_res = kTeapotRes;
  return {Median(d), Median(t), Median(s)};
}

// ------------------------------------------------- depth pass by Size
double DepthPassAt(int size, int reps) {
  std::vector<double> v;
  for (int i = 0; i < reps; ++i) {
    glFinish();
    const auto t0 = Clock::now();
    lumicore::GenTexShadow(umbrafield::BaseScena2, umbrafield::LightModelView, umbrafield::LightProjection, size,
                           kShadowDepth, kShadowZoom);
    glFinish();
    v.push_back(Ms(t0, Clock::now()));
  }
  // Put the demo's own shadow texture back for the frames that follow.
  lumicore::GenTexShadow(umbrafield::BaseScena2, umbrafield::LightModelView, umbrafield::LightProjection,
                         kShadowSize, kShadowDepth, kShadowZoom);
  umbrafield::OpenGL_Draw2D();
  return Median(v);
}

// --------------------------------------------------- our own overheads
// Microseconds per call of a CPU-side step, the GL work it leaves drained.
double MicrosPerCall(void (*step)(), int n) {
  glFinish();
  const auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) step();
  glFinish();
  return 1000.0 * Ms(t0, Clock::now()) / n;
}
void StepPump() { lumicore::SetGLMsg(); }
void StepI2D() { lumicore::OpenGL_I2D(0, 0, 0, 0); }
void StepInit() { lumicore::OpenGL_Init(kFarPlane, 0, 0, 0, 0); }
void StepKeyboard() { umbrafield::OpenGL_Keyboard(); }
void StepCamera() {
  glLoadIdentity();
  Camera();
}
void StepLight() {
  lumicore::PutGLPointLight(GL_LIGHT0, 0, lumicore::LightPosition[0], lumicore::LightPosition[1],
                            lumicore::LightPosition[2], kLightW);
}
void StepEmptyDepthPass() {
  lumicore::GenTexShadow(nullptr, umbrafield::LightModelView, umbrafield::LightProjection, kShadowSize,
                         kShadowDepth, kShadowZoom);
}
void StepEmptyTexturedPass() {
  lumicore::BindTexShadow(nullptr, umbrafield::LightModelView, umbrafield::LightProjection);
}
void StepEmptyShadowPass() {
  lumicore::DrawTexShadow(nullptr, umbrafield::SelectTypeShadow, umbrafield::M_ShadowMap);
}

// The two GL steps of the depth pass that draw no scene.
void StepDepthClear() { glClear(GL_DEPTH_BUFFER_BIT); }
void StepDepthCopy() {
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, 0, 0, kShadowSize, kShadowSize, 0);
}
// The same copy into the image the last frame defined, without redefining it.
void StepDepthCopySub() { glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, kShadowSize, kShadowSize); }

// ------------------------------------------------------------ start-up
double g_window_ms = 0, g_textures_ms = 0;

// The demo's start-up at a drawing area other than its own 800 by 600: the
// same calls, with the window size changed.
void StartAt(int w, int h) {
  const auto t0 = Clock::now();
  lumicore::FullScreen = false;
  lumicore::OGLWindowSetting(lumicore::Arrow, "", lumicore::Generic, "");
  lumicore::CreateOGLWindow("Creazione di ombre tramite texture", w, h, 32, false);
  glFinish();
  const auto t1 = Clock::now();
  lumicore::OpenGL_Init(kFarPlane, 0, 0, 0, 0);
  lumicore::SetGLRefractive();
  lumicore::SetGLLight(GL_LIGHT0, 0, 0, 0, kLightW);
  umbrafield::OpenGL_CreateList();
  glFinish();
  g_window_ms = Ms(t0, t1);
  g_textures_ms = Ms(t1, Clock::now());
}

// ------------------------------------------------------------- options
struct Options {
  bool quick = false;
  bool child = false;
  std::string json;
  int width = 800, height = 600;
  int runs = 5, frames = 30, warmup = 10, pass_frames = 15, reps = 5;
  long rss_a = 100, rss_b = 1000;
};

bool ParseInt(const char* s, int lo, int hi, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < lo || v > hi) return false;
  *out = int(v);
  return true;
}

bool ParseSize(const char* s, int* w, int* h) {
  const char* x = std::strchr(s, 'x');
  if (!x) return false;
  const std::string a(s, x);
  return ParseInt(a.c_str(), 64, 8192, w) && ParseInt(x + 1, 64, 8192, h);
}

std::string Renderer() {
  const auto* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return r ? r : "";
}

std::string CpuModel() {
  std::ifstream f("/proc/cpuinfo");
  std::string line;
  while (std::getline(f, line))
    if (line.compare(0, 10, "model name") == 0) {
      const size_t c = line.find(':');
      return c == std::string::npos ? line : line.substr(c + 2);
    }
  return "unknown";
}

std::string JsonString(const std::string& s) {
  std::string o = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') o += '\\';
    if (static_cast<unsigned char>(c) < 0x20) continue;
    o += c;
  }
  return o + "\"";
}

// ------------------------------------------------ the other drawing area
struct AreaResult {
  int width = 0, height = 0;
  bool ok = false;
  std::map<std::string, double> v;
};

// The library holds one window per process: the second drawing area runs
// in a child process of this same program.
AreaResult RunChild(const Options& o, int w, int h) {
  AreaResult r;
  r.width = w;
  r.height = h;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return r;
  self[n] = 0;
  std::ostringstream cmd;
  cmd << '"' << self << "\" --child --size " << w << 'x' << h;
  if (o.quick) cmd << " --quick";
  std::fflush(stdout);
  FILE* p = popen(cmd.str().c_str(), "r");
  if (!p) return r;
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    char key[128];
    double value = 0;
    if (std::sscanf(line, "= %127s %lf", key, &value) == 2) r.v[key] = value;
  }
  r.ok = pclose(p) == 0 && r.v.count("frame_ms_median");
  return r;
}

// Whole frame, per pass and depth pass by Size at a drawing area other than
// the demo's: printed as "= key value" lines for the parent.
int RunArea(const Options& o) {
  StartAt(o.width, o.height);
  for (int i = 0; i < o.warmup; ++i) DemoFrame();
  std::vector<double> runs;
  for (int r = 0; r < o.runs; ++r) runs.push_back(TimeFrames(o.frames, DemoFrame));
  std::vector<double> depth, textured, shadow, other;
  for (int i = 0; i < o.pass_frames; ++i) {
    PassTimes pt;
    Frame(kDemo, &pt);
    depth.push_back(pt.depth);
    textured.push_back(pt.textured);
    shadow.push_back(pt.shadow);
    other.push_back(pt.Other());
  }
  std::printf("drawing area %dx%d (%s)\n", lumicore::Width, lumicore::Height, Renderer().c_str());
  std::printf("= startup_ms %.3f\n", g_window_ms + g_textures_ms);
  std::printf("= frame_ms_median %.3f\n= frame_ms_min %.3f\n= frame_ms_max %.3f\n", Median(runs), Min(runs),
              Max(runs));
  std::printf("= depth_pass_ms %.3f\n= textured_pass_ms %.3f\n= shadow_pass_ms %.3f\n= other_ms %.3f\n",
              Median(depth), Median(textured), Median(shadow), Median(other));
  for (int size : {256, 512, 1024})
    if (size <= std::min(lumicore::Width, lumicore::Height))
      std::printf("= depth_size_%d %.3f\n", size, DepthPassAt(size, o.reps));
  std::printf("= peak_rss_kb %ld\n", PeakRssKb());
  lumicore::DeleteOGLWindow();
  return 0;
}

// ---------------------------------------------------------------- main
int RunMain(const Options& o) {
  g_rss_at = {o.rss_a, o.rss_b};
  const long rss_before = PeakRssKb();
  const auto t0 = Clock::now();
  umbrafield::Start(umbrafield::AskFullScreen());
  glFinish();
  const double startup_ms = Ms(t0, Clock::now());
  const long rss_started = PeakRssKb();
  const std::string renderer = Renderer();
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);

  // The texture loads alone, repeated on the running demo (files cached).
  const auto t1 = Clock::now();
  umbrafield::OpenGL_Texture();
  glBindTexture(GL_TEXTURE_2D, umbrafield::M_ShadowMap);
  glFinish();
  const double reload_ms = Ms(t1, Clock::now());

  const double first_frame_ms = TimeFrames(1, DemoFrame);

  const auto t2 = Clock::now();
  CompileReference();
  glFinish();
  const double compile_ms = Ms(t2, Clock::now());
  const long rss_lists = PeakRssKb();

  for (int i = 1; i < o.warmup; ++i) DemoFrame();
  for (int i = 0; i < 3; ++i) ReferenceFrame();

  const PictureDiff same = CompareWithDemo(kDemo);
  const PictureDiff ref = CompareWithDemo(kReference);

  // Whole frames, demo and reference in alternating runs so that both see
  // the same machine.
  std::vector<double> demo_runs, ref_runs;
  for (int r = 0; r < o.runs; ++r) {
    demo_runs.push_back(TimeFrames(o.frames, DemoFrame));
    ref_runs.push_back(TimeFrames(o.frames, ReferenceFrame));
  }
  // Memory: between the two marks only the demo's own frames run, so that
  // what the later measurements allocate (the Res 64 teapot) does not count.
  while (g_frames < o.rss_b) DemoFrame();
  RssMark rss_a{}, rss_b{};
  for (const auto& mk : g_rss_marks) (mk.frames == o.rss_a ? rss_a : rss_b) = mk;

  // Per pass, frames with and without the teapot in alternation.
  std::vector<PassTimes> with, without;
  for (int i = 0; i < o.pass_frames; ++i) {
    PassTimes a, b;
    Frame(kDemo, &a);
    CountFrame();
    Frame(kNoTeapot, &b);
    with.push_back(a);
    without.push_back(b);
  }
  auto med = [](const std::vector<PassTimes>& v, double PassTimes::*m) {
    std::vector<double> x;
    for (const auto& p : v) x.push_back(p.*m);
    return Median(x);
  };
  auto med_fn = [](const std::vector<PassTimes>& v, double (PassTimes::*f)() const) {
    std::vector<double> x;
    for (const auto& p : v) x.push_back((p.*f)());
    return Median(x);
  };
  const double depth = med(with, &PassTimes::depth), textured = med(with, &PassTimes::textured),
               shadow = med(with, &PassTimes::shadow), other = med_fn(with, &PassTimes::Other),
               instrumented = med_fn(with, &PassTimes::Total);
  const double depth0 = med(without, &PassTimes::depth), textured0 = med(without, &PassTimes::textured),
               shadow0 = med(without, &PassTimes::shadow);
  auto share = [](double full, double rest) { return full > 0 ? std::max(0.0, (full - rest) / full) : 0.0; };

  const int res_list[] = {8, 16, 32, 64};
  std::vector<TeapotTimes> teapot;
  for (int res : res_list) teapot.push_back(TeapotAt(res, o.reps));

  std::vector<std::pair<int, double>> by_size;
  for (int size : {256, 512, 1024})
    if (size <= std::min(lumicore::Width, lumicore::Height)) by_size.push_back({size, DepthPassAt(size, o.reps)});

  const int n = o.quick ? 50 : 2000;
  const double us_pump = MicrosPerCall(StepPump, n * 5), us_i2d = MicrosPerCall(StepI2D, n),
               us_init = MicrosPerCall(StepInit, n), us_keys = MicrosPerCall(StepKeyboard, n * 5),
               us_camera = MicrosPerCall(StepCamera, n), us_light = MicrosPerCall(StepLight, n);
  const int m = o.quick ? 10 : 50;
  const double us_depth0 = MicrosPerCall(StepEmptyDepthPass, m), us_tex0 = MicrosPerCall(StepEmptyTexturedPass, m),
               us_shadow0 = MicrosPerCall(StepEmptyShadowPass, m);
  const double us_depth_clear = MicrosPerCall(StepDepthClear, m), us_depth_copy = MicrosPerCall(StepDepthCopy, m),
               us_depth_copy_sub = MicrosPerCall(StepDepthCopySub, m);
  // The empty passes left the light's camera in force: back to a demo frame.
  DemoFrame();
  const int width = lumicore::Width, height = lumicore::Height;
  lumicore::DeleteOGLWindow();

  AreaResult big = RunChild(o, 1600, 1200);

  const double frame = Median(demo_runs), refm = Median(ref_runs);
  const double pct = frame > 0 ? 100.0 / frame : 0;

  std::printf("umbrafield-bench%s: %dx%d drawing area, %s, %ld cores, %s\n", o.quick ? " (quick)" : "", width,
              height, renderer.c_str(), sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str());
  std::printf("\nstart-up                      %9.1f ms  (window, view, light, 4 textures, shadow texture)\n",
              startup_ms);
  std::printf("  texture loads alone         %9.1f ms  (the four files again, cached)\n", reload_ms);
  std::printf("  first frame                 %9.1f ms\n", first_frame_ms);
  std::printf("\nwhole frame (%d runs x %d frames after %d warm-up)\n", o.runs, o.frames, o.warmup);
  std::printf("  demo                        %9.2f ms median  (%.2f .. %.2f)  %6.2f fps\n", frame, Min(demo_runs),
              Max(demo_runs), frame > 0 ? 1000.0 / frame : 0);
  std::printf("  reference (display lists)   %9.2f ms median  (%.2f .. %.2f)  %6.2f fps\n", refm, Min(ref_runs),
              Max(ref_runs), refm > 0 ? 1000.0 / refm : 0);
  std::printf("  demo / reference            %9.2f\n", refm > 0 ? frame / refm : 0);
  std::printf("  reference lists compiled in %9.1f ms; picture vs demo: %.4f%% pixels differ, max %d\n",
              compile_ms, 100 * ref.fraction, ref.max);
  std::printf("  timed frame vs demo frame:  %.4f%% pixels differ, max %d\n", 100 * same.fraction, same.max);
  std::printf("\nper pass, glFinish around each (median of %d frames)\n", o.pass_frames);
  std::printf("  %-26s %9s %9s %9s\n", "pass", "ms", "% frame", "teapot %");
  std::printf("  %-26s %9.2f %9.1f %9.1f\n", "depth (GenTexShadow)", depth, depth * 100 / instrumented,
              100 * share(depth, depth0));
  std::printf("  %-26s %9.2f %9.1f %9.1f\n", "textured (BindTexShadow)", textured, textured * 100 / instrumented,
              100 * share(textured, textured0));
  std::printf("  %-26s %9.2f %9.1f %9.1f\n", "shadow (DrawTexShadow)", shadow, shadow * 100 / instrumented,
              100 * share(shadow, shadow0));
  std::printf("  %-26s %9.2f %9.1f\n", "rest", other, other * 100 / instrumented);
  std::printf("    %-24s %9.3f\n", "clear (loop)", med(with, &PassTimes::clear_color));
  std::printf("    %-24s %9.3f\n", "message pump", med(with, &PassTimes::pump));
  std::printf("    %-24s %9.3f\n", "clear (frame)", med(with, &PassTimes::clear_frame));
  std::printf("    %-24s %9.3f\n", "view set-ups, keys, light", med(with, &PassTimes::setups));
  std::printf("    %-24s %9.3f\n", "swap", med(with, &PassTimes::swap));
  std::printf("  %-26s %9.2f\n", "sum (timed frame)", instrumented);
  std::printf("\nteapot alone, each pass's state (median of %d)\n", o.reps);
  std::printf("  %5s %8s %9s %9s %9s %9s %12s\n", "Res", "quads", "depth", "textured", "shadow", "frame ms",
              "quads/s");
  for (size_t i = 0; i < teapot.size(); ++i) {
    const int res = res_list[i];
    const double sum = teapot[i].depth + teapot[i].textured + teapot[i].shadow;
    std::printf("  %5d %8d %9.2f %9.2f %9.2f %9.2f %12.3g\n", res, 32 * res * res, teapot[i].depth,
                teapot[i].textured, teapot[i].shadow, sum, sum > 0 ? 3.0 * 32 * res * res / (sum / 1000) : 0);
  }
  std::printf("\ndepth pass by shadow texture Size (median of %d)\n", o.reps);
  for (const auto& s : by_size) std::printf("  %4d  %dx%d  %9.2f ms\n", s.first, width, height, s.second);
  if (big.ok)
    for (int size : {256, 512, 1024})
      if (big.v.count("depth_size_" + std::to_string(size)))
        std::printf("  %4d  %dx%d %9.2f ms\n", size, big.width, big.height,
                    big.v.at("depth_size_" + std::to_string(size)));
  std::printf("\nwhole frame by drawing area\n");
  std::printf("  %dx%d     %9.2f ms\n", width, height, frame);
  if (big.ok)
    std::printf("  %dx%d   %9.2f ms  (%.2f .. %.2f; depth %.2f, textured %.2f, shadow %.2f, rest %.2f)\n",
                big.width, big.height, big.v.at("frame_ms_median"), big.v["frame_ms_min"], big.v["frame_ms_max"],
                big.v["depth_pass_ms"], big.v["textured_pass_ms"], big.v["shadow_pass_ms"], big.v["other_ms"]);
  else
    std::printf("  %dx%d   failed\n", big.width, big.height);
  std::printf("\nour own code per call (us) and share of a frame\n");
  const struct {
    const char* name;
    double us;
    int per_frame;
  } own[] = {{"SetGLMsg (empty queue)", us_pump, 1},   {"OpenGL_I2D", us_i2d, 1},
             {"OpenGL_Init", us_init, 1},              {"OpenGL_Keyboard", us_keys, 1},
             {"camera + SetGLMouseMove", us_camera, 1}, {"PutGLPointLight", us_light, 1},
             {"GenTexShadow, no scene", us_depth0, 1}, {"BindTexShadow, no scene", us_tex0, 1},
             {"DrawTexShadow, no scene", us_shadow0, 1},
             {"  depth clear (GL)", us_depth_clear, 1}, {"  depth copy 512 (GL)", us_depth_copy, 1},
             {"  same, glCopyTexSubImage2D", us_depth_copy_sub, 1}};
  for (const auto& e : own)
    std::printf("  %-26s %10.2f us %7.3f %%\n", e.name, e.us, e.us * e.per_frame / 1000 * pct);
  std::printf("\npeak RSS: %ld kB before start-up, %ld kB after, %ld kB with the reference lists\n", rss_before,
              rss_started, rss_lists);
  std::printf("          %ld kB after %ld frames, %ld kB after %ld frames (resident now: %ld kB, %ld kB)\n",
              rss_a.peak_kb, o.rss_a, rss_b.peak_kb, o.rss_b, rss_a.now_kb, rss_b.now_kb);
  if (big.ok) std::printf("          %ld kB at %dx%d\n", long(big.v["peak_rss_kb"]), big.width, big.height);

  if (!o.json.empty()) {
    std::ofstream j(o.json);
    j << "{\n";
    auto kv = [&](const char* k, double v) { j << "  \"" << k << "\": " << v << ",\n"; };
    j << "  \"renderer\": " << JsonString(renderer) << ",\n";
    j << "  \"cpu\": " << JsonString(CpuModel()) << ",\n";
    kv("nproc", double(sysconf(_SC_NPROCESSORS_ONLN)));
    j << "  \"quick\": " << (o.quick ? "true" : "false") << ",\n";
    kv("width", width);
    kv("height", height);
    kv("runs", o.runs);
    kv("frames_per_run", o.frames);
    kv("frame_ms_median", frame);
    kv("frame_ms_min", Min(demo_runs));
    kv("frame_ms_max", Max(demo_runs));
    kv("fps_median", frame > 0 ? 1000.0 / frame : 0);
    kv("reference_frame_ms_median", refm);
    kv("reference_ratio", refm > 0 ? frame / refm : 0);
    kv("reference_pixels_differ", ref.fraction);
    kv("timed_frame_pixels_differ", same.fraction);
    kv("depth_pass_ms", depth);
    kv("textured_pass_ms", textured);
    kv("shadow_pass_ms", shadow);
    kv("other_ms", other);
    kv("timed_frame_ms", instrumented);
    kv("message_pump_ms", med(with, &PassTimes::pump));
    kv("swap_ms", med(with, &PassTimes::swap));
    kv("teapot_share_depth", share(depth, depth0));
    kv("teapot_share_textured", share(textured, textured0));
    kv("teapot_share_shadow", share(shadow, shadow0));
    j << "  \"teapot\": [";
    for (size_t i = 0; i < teapot.size(); ++i) {
      const int res = res_list[i];
      const double sum = teapot[i].depth + teapot[i].textured + teapot[i].shadow;
      j << (i ? ", " : "") << "{\"res\": " << res << ", \"quads\": " << 32 * res * res << ", \"ms\": " << sum
        << ", \"depth_ms\": " << teapot[i].depth << ", \"textured_ms\": " << teapot[i].textured
        << ", \"shadow_ms\": " << teapot[i].shadow
        << ", \"quads_per_s\": " << (sum > 0 ? 3.0 * 32 * res * res / (sum / 1000) : 0) << "}";
    }
    j << "],\n  \"depth_pass_by_size\": [";
    bool first = true;
    for (const auto& s : by_size) {
      j << (first ? "" : ", ") << "{\"size\": " << s.first << ", \"width\": " << width << ", \"height\": " << height
        << ", \"ms\": " << s.second << "}";
      first = false;
    }
    if (big.ok)
      for (int size : {256, 512, 1024}) {
        const std::string k = "depth_size_" + std::to_string(size);
        if (!big.v.count(k)) continue;
        j << (first ? "" : ", ") << "{\"size\": " << size << ", \"width\": " << big.width
          << ", \"height\": " << big.height << ", \"ms\": " << big.v.at(k) << "}";
        first = false;
      }
    j << "],\n  \"frame_by_area\": [{\"width\": " << width << ", \"height\": " << height
      << ", \"frame_ms_median\": " << frame << "}";
    if (big.ok)
      j << ", {\"width\": " << big.width << ", \"height\": " << big.height
        << ", \"frame_ms_median\": " << big.v.at("frame_ms_median") << ", \"depth_pass_ms\": " << big.v["depth_pass_ms"]
        << ", \"textured_pass_ms\": " << big.v["textured_pass_ms"] << ", \"shadow_pass_ms\": " << big.v["shadow_pass_ms"]
        << ", \"other_ms\": " << big.v["other_ms"] << "}";
    j << "],\n  \"own_code_us\": {\"SetGLMsg\": " << us_pump << ", \"OpenGL_I2D\": " << us_i2d
      << ", \"OpenGL_Init\": " << us_init << ", \"OpenGL_Keyboard\": " << us_keys
      << ", \"camera\": " << us_camera << ", \"PutGLPointLight\": " << us_light
      << ", \"GenTexShadow_no_scene\": " << us_depth0 << ", \"BindTexShadow_no_scene\": " << us_tex0
      << ", \"DrawTexShadow_no_scene\": " << us_shadow0 << ", \"depth_clear\": " << us_depth_clear
      << ", \"depth_copy_512\": " << us_depth_copy << ", \"depth_copy_sub_512\": " << us_depth_copy_sub
      << "},\n";
    kv("startup_ms", startup_ms);
    kv("texture_load_ms", reload_ms);
    kv("first_frame_ms", first_frame_ms);
    kv("reference_compile_ms", compile_ms);
    kv("peak_rss_kb_startup", double(rss_started));
    j << "  \"rss_frames\": [" << o.rss_a << ", " << o.rss_b << "],\n";
    kv("rss_kb_100", double(rss_a.now_kb));
    kv("rss_kb_1000", double(rss_b.now_kb));
    kv("peak_rss_kb_100", double(rss_a.peak_kb));
    j << "  \"peak_rss_kb_1000\": " << rss_b.peak_kb << "\n}\n";
    if (!j) {
      std::fprintf(stderr, "umbrafield-bench: cannot write %s\n", o.json.c_str());
      return 1;
    }
  }
  return big.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  bool size_given = false, runs_given = false, frames_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--quick") {
      o.quick = true;
      continue;
    }
    if (a == "--child") {
      o.child = true;
      continue;
    }
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = v != nullptr;
    if (ok && a == "--json") ok = *v != 0, o.json = v;
    else if (ok && a == "--size") ok = ParseSize(v, &o.width, &o.height), size_given = true;
    else if (ok && a == "--runs") ok = ParseInt(v, 1, 1000, &o.runs), runs_given = true;
    else if (ok && a == "--frames") ok = ParseInt(v, 1, 100000, &o.frames), frames_given = true;
    else ok = false;
    if (!ok) {
      std::fprintf(stderr, "umbrafield-bench: bad argument '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
    ++i;
  }
  if (o.quick) {
    if (!runs_given) o.runs = 2;
    if (!frames_given) o.frames = 3;
    o.warmup = 2;
    o.pass_frames = 2;
    o.reps = 1;
    o.rss_a = 20;
    o.rss_b = 40;
  } else if (size_given && !frames_given) {
    o.frames = 15;
    o.runs = runs_given ? o.runs : 3;
    o.warmup = 5;
    o.pass_frames = 5;
    o.reps = 3;
  }

  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  PlatformSetMessageBoxHook(AnswerWindowed);
  PlatformSetSwapInterval(0);
  if (size_given) return RunArea(o);
  return RunMain(o);
}
