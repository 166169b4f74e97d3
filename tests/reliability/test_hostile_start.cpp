// Hostile start-up conditions, each in a child process (one window a
// process): broken texture files in the working directory, and no display.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bmp_fixture.h"

namespace fs = std::filesystem;

namespace {

const char* const kTextures[] = {"Floor04.bmp", "rock.bmp", "stoneblocks.bmp", "marmorizato.bmp"};

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Child {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out, err;
};

// Runs command in dir under a time limit, standard input empty.
Child RunIn(const fs::path& dir, const std::string& command, int seconds) {
  const fs::path out = dir / ".stdout", err = dir / ".stderr";
  const std::string line = "cd '" + dir.string() + "' && timeout -k 5 " + std::to_string(seconds) + " " + command +
                           " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(line.c_str());
  Child c;
  c.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  c.out = ReadText(out);
  c.err = ReadText(err);
  return c;
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/umbrafield_hostile_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(dir_, error);
  }
  fs::path dir_;
};

// What a broken texture file holds, made from the good one of its slot.
enum class Damage {
  Absent, Empty, CutInHeader, CutInPixels, HugeHeader, NegativeWidth, Paletted, Depth16, Depth7,
};

std::vector<uint8_t> Damaged(Damage d, const std::vector<uint8_t>& good) {
  bmpfix::Header h;
  switch (d) {
    case Damage::Absent:
    case Damage::Empty: return {};
    case Damage::CutInHeader: return std::vector<uint8_t>(good.begin(), good.begin() + 30);
    case Damage::CutInPixels: return std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2);
    case Damage::HugeHeader:
      h.width = 100000;
      h.height = 100000;
      return bmpfix::Build(h, {}, {{1, 2, 3}});
    case Damage::NegativeWidth:
      h.width = -64;
      h.height = 64;
      return bmpfix::Build(h, {}, {{1, 2, 3}});
    case Damage::Paletted:
      h.width = 8;
      h.height = 8;
      h.bits = 8;
      return bmpfix::Build(h, std::vector<uint32_t>(256, 0x00406080u),
                           std::vector<std::vector<uint8_t>>(8, std::vector<uint8_t>(8, 7)));
    case Damage::Depth16:
      h.width = 8;
      h.height = 8;
      h.bits = 16;
      return bmpfix::Build(h, {}, std::vector<std::vector<uint8_t>>(8, std::vector<uint8_t>(16, 0x55)));
    case Damage::Depth7:
      h.width = 8;
      h.height = 8;
      h.bits = 7;
      return bmpfix::Build(h, {}, std::vector<std::vector<uint8_t>>(8, std::vector<uint8_t>(8, 0x55)));
  }
  return {};
}

const char* Name(Damage d) {
  const char* names[] = {"absent", "empty", "cut in the header", "cut in the pixels", "huge header",
                         "negative width", "8-bit paletted", "16-bit", "7-bit"};
  return names[int(d)];
}

// The demo's start-up and a few frames in dir; the width of every slot's
// texture, or the run's failure.
std::vector<int> SlotWidths(const fs::path& dir) {
  // Memory is the soak's business; a few frames here only have to render.
  const Child c =
      RunIn(dir, std::string("'") + SOAK_BIN + "' --frames 6 --warmup 3 --rss-slack 1000000 --slots", 120);
  EXPECT_EQ(c.status, 0) << c.out << c.err;
  EXPECT_NE(c.out.find("\nOK\n"), std::string::npos) << c.out << c.err;
  std::vector<int> widths(4, -1);
  std::istringstream lines(c.out);
  for (std::string line; std::getline(lines, line);) {
    int slot = -1, width = -1;
    unsigned name = 0;
    if (std::sscanf(line.c_str(), "slot %d name %u width %d", &slot, &name, &width) == 3 && slot >= 0 && slot < 4)
      widths[size_t(slot)] = width;
  }
  return widths;
}

using BrokenTextures = TempDir;

TEST_F(BrokenTextures, DemoRunsUntexturedWhereASlotHasNoImage) {
  std::vector<std::vector<uint8_t>> good;
  for (const char* name : kTextures) {
    good.push_back(ReadAll(fs::path(TEXTURE_DIR) / name));
    ASSERT_GT(good.back().size(), 1000u) << name;
  }
  // Each kind of damage in one slot, the others good; then every slot broken.
  const Damage kinds[] = {Damage::Absent,     Damage::Empty,         Damage::CutInHeader,
                          Damage::CutInPixels, Damage::HugeHeader,   Damage::NegativeWidth,
                          Damage::Paletted,   Damage::Depth16,       Damage::Depth7};
  struct Case {
    std::string what;
    Damage damage[4];
    bool broken[4];
  };
  std::vector<Case> cases;
  for (size_t k = 0; k < sizeof kinds / sizeof kinds[0]; ++k) {
    const size_t slot = k % 4;
    Case c{std::string(Name(kinds[k])) + " in slot " + std::to_string(slot), {}, {}};
    c.broken[slot] = true;
    c.damage[slot] = kinds[k];
    cases.push_back(c);
  }
  cases.push_back({"all four broken", {Damage::Empty, Damage::HugeHeader, Damage::CutInPixels, Damage::Depth16},
                   {true, true, true, true}});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& entry : fs::directory_iterator(dir_)) fs::remove(entry.path());
    for (int slot = 0; slot < 4; ++slot) {
      const fs::path file = dir_ / kTextures[slot];
      if (c.broken[slot] && c.damage[slot] == Damage::Absent) continue;
      ASSERT_TRUE(bmpfix::WriteFile(file, c.broken[slot] ? Damaged(c.damage[slot], good[size_t(slot)])
                                                         : good[size_t(slot)]));
    }
    const std::vector<int> widths = SlotWidths(dir_);
    for (int slot = 0; slot < 4; ++slot) {
      if (c.broken[slot]) EXPECT_EQ(widths[size_t(slot)], 0) << "slot " << slot;
      else EXPECT_GT(widths[size_t(slot)], 0) << "slot " << slot;
    }
  }
}

using NoDisplay = TempDir;

TEST_F(NoDisplay, DemoSaysSoAndExitsWithStatusOne) {
  const std::string demo = std::string("'") + DEMO_BIN + "'";
  const char* const environments[] = {
      "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=nonexistent",
      "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER",
  };
  for (const char* env : environments) {
    SCOPED_TRACE(env);
    const Child c = RunIn(dir_, std::string(env) + " " + demo, 20);
    EXPECT_EQ(c.status, 1) << "124 is the time limit: the demo hung\n" << c.err;
    EXPECT_NE(c.err.find("Error: "), std::string::npos) << c.err;
  }
}

}  // namespace
