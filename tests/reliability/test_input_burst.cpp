// Hostile input in the demo's real window: thousands of input events queued
// at once are handled one per frame, in order, none lost; key codes outside
// the key table change nothing. The tests run in declaration order and share
// one window; the last one closes it with Escape.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "umbrafield.h"

namespace {

int AnswerWindowed(LPCSTR, LPCSTR, UINT) { return IDNO; }

class DemoWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PlatformSetMessageBoxHook(AnswerWindowed);
    PlatformSetSwapInterval(0);
    umbrafield::Start(umbrafield::AskFullScreen());
  }

  void SetUp() override {
    ASSERT_NE(lumicore::HWindow, HWND(0));
    ASSERT_TRUE(lumicore::Active);
    window_id_ = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    ASSERT_NE(window_id_, 0u);
    // Whatever start-up left in the queue is handled first, so the queue
    // holds only what a test puts there.
    MSG m;
    for (int i = 0; i < 1000 && PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE); ++i) lumicore::SetGLMsg();
    ASSERT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
  }

  Uint32 window_id_ = 0;
};

struct Expected {
  UINT message;
  WPARAM wparam;
};

const SDL_Scancode kKeys[] = {
    SDL_SCANCODE_A, SDL_SCANCODE_B, SDL_SCANCODE_Q, SDL_SCANCODE_Z, SDL_SCANCODE_1,
    SDL_SCANCODE_2, SDL_SCANCODE_3, SDL_SCANCODE_9, SDL_SCANCODE_0, SDL_SCANCODE_M,
};

int VirtualKeyOf(SDL_Scancode s) {
  if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) return 'A' + (s - SDL_SCANCODE_A);
  if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) return '1' + (s - SDL_SCANCODE_1);
  return '0';
}

// The burst as SDL events, and the messages it must become, in order.
struct Burst {
  std::vector<SDL_Event> events;
  std::vector<Expected> messages;
  std::vector<Expected> chars;  // translated key presses, queued behind the burst
  bool held[256] = {};
  int down_x = 0, down_y = 0, last_x = 0, last_y = 0;
};

Burst MakeBurst(Uint32 window, int count) {
  Burst b;
  auto key = [&](SDL_Scancode s, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = window;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = s;
    e.key.keysym.sym = SDL_GetKeyFromScancode(s);
    b.events.push_back(e);
    const int vk = VirtualKeyOf(s);
    b.messages.push_back({UINT(down ? WM_KEYDOWN : WM_KEYUP), WPARAM(vk)});
    if (down) b.chars.push_back({WM_CHAR, WPARAM(vk >= 'A' && vk <= 'Z' ? vk + ('a' - 'A') : vk)});
    b.held[vk] = down;
  };
  auto button = [&](bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = window;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    b.events.push_back(e);
    b.messages.push_back({UINT(down ? WM_LBUTTONDOWN : WM_LBUTTONUP), 0});
  };
  // Consecutive moves coalesce into the last one, as on Windows.
  auto move = [&](int x, int y, bool follows_move) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window;
    e.motion.state = SDL_BUTTON_LMASK;
    e.motion.x = x;
    e.motion.y = y;
    b.events.push_back(e);
    if (!follows_move) b.messages.push_back({WM_MOUSEMOVE, MK_LBUTTON});
    b.last_x = x;
    b.last_y = y;
  };

  b.down_x = b.last_x = 400;
  b.down_y = b.last_y = 300;
  button(true, b.down_x, b.down_y);
  for (int i = 0; int(b.events.size()) < count - 2; ++i) {
    const SDL_Scancode s = kKeys[i % (sizeof kKeys / sizeof kKeys[0])];
    key(s, !b.held[VirtualKeyOf(s)]);
    if (i % 5 == 0) move(400 + i % 97, 300 - i % 89, false);
    if (i % 301 == 0)
      for (int j = 0; j < 40; ++j) move(410 + j, 290 - j, j > 0 || i % 5 == 0);
  }
  // The last presses stay held: '3' picks the dark shadow.
  if (!b.held['3']) key(SDL_SCANCODE_3, true);
  button(false, b.last_x, b.last_y);
  return b;
}

// One frame, or only the frame's message step: the first and the last frames
// of the burst run whole; the thousands between only take their message.
void Step(size_t index, size_t total) {
  if (index < 25 || index + 25 >= total) umbrafield::LoopPass();
  else lumicore::SetGLMsg();
}

TEST_F(DemoWindow, KeyCodesOutsideTheTableAreIgnored) {
  struct Case {
    UINT message;
    WPARAM code;
    bool in_table;
  };
  const Case cases[] = {
      {WM_KEYDOWN, 600, false},
      {WM_KEYDOWN, WPARAM(-1), false},
      {WM_KEYDOWN, lumicore::KEY_TABLE_SIZE, false},
      {WM_KEYDOWN, WPARAM(INTPTR_MIN), false},
      {WM_KEYUP, 600, false},
      {WM_KEYUP, WPARAM(-1), false},
      {WM_KEYDOWN, lumicore::KEY_TABLE_SIZE - 1, true},
      {WM_KEYUP, lumicore::KEY_TABLE_SIZE - 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << c.message << std::dec << " code " << c.code);
    BOOL before[lumicore::KEY_TABLE_SIZE];
    std::memcpy(before, lumicore::SetKey, sizeof before);
    EXPECT_EQ(lumicore::GLWndProc(lumicore::HWindow, c.message, c.code, 0), 0);
    for (int k = 0; k < lumicore::KEY_TABLE_SIZE; ++k) {
      if (c.in_table && k == c.code) {
        EXPECT_EQ(lumicore::SetKey[k] != 0, c.message == WM_KEYDOWN);
      } else {
        EXPECT_EQ(lumicore::SetKey[k], before[k]) << "key " << k;
      }
    }
    EXPECT_TRUE(lumicore::Active);
  }
  umbrafield::LoopPass();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DemoWindow, BurstOfQueuedInputIsHandledOnePerFrameInOrder) {
  const float xrot = lumicore::XRot, yrot = lumicore::YRot;
  Burst burst = MakeBurst(window_id_, 3000);
  ASSERT_GE(burst.events.size(), 3000u);
  for (SDL_Event& e : burst.events) ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();

  std::vector<Expected> all = burst.messages;
  all.insert(all.end(), burst.chars.begin(), burst.chars.end());
  bool held[256] = {};
  for (size_t i = 0; i < all.size(); ++i) {
    Step(i, all.size());
    const MSG& got = lumicore::Msg_;
    ASSERT_EQ(got.message, all[i].message) << "message " << i << " of " << all.size();
    ASSERT_EQ(got.wParam, all[i].wparam) << "message " << i << " of " << all.size();
    if (got.message == WM_KEYDOWN || got.message == WM_KEYUP) held[got.wParam] = got.message == WM_KEYDOWN;
    for (SDL_Scancode s : kKeys) {
      const int vk = VirtualKeyOf(s);
      ASSERT_EQ(lumicore::SetKey[vk] != 0, held[vk]) << "key " << char(vk) << " after message " << i;
    }
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "after message " << i;
  }
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE)) << "more messages than events";

  // The key state is the burst's final one, and the frame acts on it.
  for (SDL_Scancode s : kKeys) EXPECT_EQ(lumicore::SetKey[VirtualKeyOf(s)] != 0, burst.held[VirtualKeyOf(s)]);
  umbrafield::LoopPass();
  EXPECT_EQ(umbrafield::SelectTypeShadow, int(lumicore::SHADOW_TEXTURE_DARK));
  // The drag turned the view by the whole way the pointer went, at the
  // frame's mouse speed of 2: half a degree a pixel, times 2.
  EXPECT_FLOAT_EQ(lumicore::XRot - xrot, float(burst.last_y - burst.down_y));
  EXPECT_FLOAT_EQ(lumicore::YRot - yrot, float(burst.last_x - burst.down_x));
  EXPECT_FALSE(lumicore::LeftMouseDown);
  EXPECT_TRUE(lumicore::Active);
}

TEST_F(DemoWindow, EscapeAfterTheBurstStillEndsTheLoop) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.windowID = window_id_;
  e.key.state = SDL_PRESSED;
  e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  e.key.keysym.sym = SDLK_ESCAPE;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  umbrafield::LoopPass();
  EXPECT_EQ(lumicore::Msg_.message, UINT(WM_KEYDOWN));
  EXPECT_EQ(lumicore::Msg_.wParam, WPARAM(VK_ESCAPE));
  EXPECT_FALSE(lumicore::Active);
  lumicore::DeleteOGLWindow();
}

}  // namespace
