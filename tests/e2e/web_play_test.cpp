// SPDX-License-Identifier: Zlib
// The game as a player meets it in a web page: the page that make web builds, served on
// 127.0.0.1 and played in Chromium headless (and in Firefox and WebKitGTK), driven by keys
// and a pointer, by touches or by a gamepad, and judged by the canvas's pixels with the same
// checks as the window's play tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "pilot.h"
#include "play_checks.h"
#include "child_process.h"
#include "web_page.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace e2e {
namespace {

const std::string kSite = E2E_WEB_SITE;
const std::string kZip = E2E_WEB_ZIP;
constexpr int kRun = 400;  // the open row a walk at the game's pace takes

class WebPlayTest : public ::testing::Test {
 protected:
  void TearDown() override { artifacts_.SaveIfWanted(E2E_ARTIFACTS, {{"console.txt", Console()}}); }

  void Open(const std::string& site, double pixelRatio = 1, int width = 1024, int height = 768,
            const std::string& browser = "chromium") {
    page_.reset();
    page_ = std::make_unique<WebPage>(site, pixelRatio, width, height, browser);
  }

  // The field as large as the page allows with its shape kept, whole on screen, nothing to
  // scroll and nothing scrolled, and the canvas's pixels the page's pixels: its size on the
  // page times the pixel ratio (once the engine has followed a change of size).
  void ExpectTheFieldFits() {
    const char* facts =
        "const c = document.getElementById('canvas'), r = c.getBoundingClientRect(), d = document.documentElement;"
        "const dpr = devicePixelRatio, sharp = Math.abs(c.width - r.width * dpr) <= 1 && Math.abs(c.height - r.height * dpr) <= 1;"
        "return [scrollX, scrollY, d.scrollWidth <= innerWidth && d.scrollHeight <= innerHeight,"
        " r.left >= 0 && r.top >= 0 && r.right <= innerWidth + 0.5 && r.bottom <= innerHeight + 0.5,"
        " Math.abs(r.width * 3 - r.height * 4) <= 4, r.width >= 0.85 * innerWidth || r.height >= 0.8 * innerHeight,"
        " sharp, [innerWidth, innerHeight, dpr, r.left, r.top, r.width, r.height, c.width, c.height]]";
    std::string seen;
    const auto fits = [&] {
      return (seen = page_->Eval(facts)).starts_with("[0, 0, true, true, true, true, true,");
    };
    EXPECT_TRUE(PollUntil(fits, kPatience, 50ms))
        << "scroll x, y; nothing to scroll; whole; 4:3; large; sharp; sizes: " << seen;
  }

  // D held walks him right at the game's pace, each walk in a fresh game.
  void ExpectPace(const std::function<void()>& whileWalking = {}) {
    std::string trouble;
    for (int attempt = 0; attempt < 3; ++attempt) {
      Pilot& pilot = PlayWhere(OpenRow(kRun), 3, "an open row", kRowWorlds);
      const Pace pace = WalkRight(pilot, artifacts_.Keeping(), "-" + std::to_string(attempt), kRun);
      if (whileWalking) whileWalking();
      if (JudgePace(pace, attempt, trouble)) return;
    }
    ADD_FAILURE() << "three walks and none clean: " << trouble;
  }

  // Scene, pointer, pace and a box, as a player of another browser meets them.
  void PlayEverything(const std::string& browser) {
    Open(kSite, 1, 1100, 900, browser);
    Pilot& pilot = PlayWhere(OpenAround, 2, "open ground at his start", kOpenWorlds, 0s);
    ExpectTheFieldFits();
    ExpectSceneInItsColours(pilot, artifacts_.Keeping());
    ExpectPointerTurnsTheCone(pilot, artifacts_.Keeping(), 30);
    ExpectPace();
    ExpectETakesABoxAndSetsItDown(PlayWhere(BoxInReach, 2, "a box", kBoxWorlds), artifacts_.Keeping());
  }

  // A world where the hero stands where a test needs him, or can walk there (see the window's
  // play tests): each seed's page opened until the canvas shows him, then the field clicked, as
  // a player does to give the game the keys, with the pointer left on his right.
  Pilot& PlayWhere(const Pilot::GoalFor& goalFor, int margin, const std::string& what,
                   const std::vector<uint64_t>& seeds, milliseconds walk = 60s) {
    for (uint64_t seed : seeds) {
      page_->Open("index.html?seed=" + std::to_string(seed));
      pilot_ = std::make_unique<Pilot>(*page_);
      const bool shown = pilot_->WaitFor([](const Picture& p) { return bool(FindHero(p)); }, 60s);
      artifacts_.Keep(pilot_->last(), "first-frame");
      if (!shown) {
        ADD_FAILURE() << "the hero's square never showed on the canvas\n" << Console();
        throw std::runtime_error("no game in the page");
      }
      page_->Click(700, 50);
      if (pilot_->Reach(goalFor, margin, walk)) return *pilot_;
      artifacts_.Keep(pilot_->last(), "unreachable-seed-" + std::to_string(seed));
    }
    ADD_FAILURE() << "in none of " << seeds.size() << " worlds could " << what << " be reached";
    throw std::runtime_error("unreachable");
  }

  // The browser's console so far, kept for a failure's artifacts.
  const std::string& Console() {
    if (page_) console_ += page_->Log();
    return console_;
  }

  std::unique_ptr<WebPage> page_;
  std::unique_ptr<Pilot> pilot_;
  Artifacts artifacts_;
  std::string console_;
};

// What make package-web gives, unpacked into an empty folder and served, loading nothing from
// elsewhere, its title, then resized while the game plays: its first size, a small laptop's
// window, a large one, a 150 % zoom and a phone held upright and sideways. Each time the field
// fits, sharp, and the pointer aims in its pixels (30 pixels from him, a pointer read in the
// page's or the device's pixels would aim well off); where the canvas has at least the field's
// pixels, the scene is in its colours (smaller, his square is not whole: he stands where he stood).
TEST_F(WebPlayTest, TheUnpackedZipFitsEveryWindowZoomAndPhoneAndThePointerAimsAfterEachResize) {
  ASSERT_TRUE(fs::exists(kZip)) << kZip << " is missing: make package-web builds it";
  TempDir folder("web-zip");
  ASSERT_EQ(RunToEnd({"/usr/bin/python3", "-m", "zipfile", "-e", kZip, folder.path()}, 60s), "exit code 0");
  ASSERT_TRUE(fs::exists(folder / "index.html"));
  Open(folder.path());
  Pilot& pilot = PlayWhere(OpenAround, 2, "open ground at his start", kOpenWorlds, 0s);
  EXPECT_EQ(page_->Eval("return [document.title, performance.getEntriesByType('resource').map(e => e.name)"
                        ".filter(n => !n.startsWith(location.origin + '/'))]"),
            "[\"Stealthbox\", []]");
  const auto hero = pilot.Settle();
  struct Size {
    int width, height;
    double ratio;
    bool phone;
  };
  for (const Size& size : {Size{1024, 768, 1, false}, Size{1024, 640, 1, false}, Size{1920, 1080, 1, false},
                           Size{1280, 800, 1.5, false}, Size{390, 844, 3, true}, Size{844, 390, 3, true}}) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + " at " +
                 std::to_string(size.ratio));
    page_->Size(size.width, size.height, size.ratio, size.phone);
    ExpectTheFieldFits();
    page_->MovePointer(700, 50);
    const bool whole = page_->Eval("return document.getElementById('canvas').height >= 600") == "true";
    if (whole) ExpectSceneInItsColours(pilot, artifacts_.Keeping());
    ExpectPointerTurnsTheCone(pilot, artifacts_.Keeping(), 30, whole ? std::nullopt : hero);
  }
}

// D held walks him right at the game's pace, and the keys stay the game's: their default is
// prevented, so that neither they nor Space or Page Down scroll the page (in a window small
// enough for it to scroll), and the focus stays on the canvas.
TEST_F(WebPlayTest, PaceHoldingDWalksRightFivePixelsEachTickAndTheKeysDoNotScroll) {
  Open(kSite);
  ExpectPace([&] {
    page_->Eval("window.seenKeys = [];"
                "window.addEventListener('keydown', e => seenKeys.push(e.key + (e.defaultPrevented ? '' : '!')));");
    for (const char* key : {"w", "a", "s", "e", " ", "\ue00f"}) pilot_->Tap(key, 30ms);  // \ue00f: Page Down
    EXPECT_EQ(page_->Eval("return [scrollX, scrollY, document.activeElement.id, [...new Set(seenKeys)].sort()]"),
              "[0, 0, \"canvas\", [\" \", \"PageDown\", \"a\", \"e\", \"s\", \"w\"]]")
        << "a key the page acted on is marked with '!'";
  });
}

// On a phone, upright: the page's stick walks him at the game's pace, and walking back, a
// second finger on the field turns his view. Sideways: the button takes a box and sets it down,
// and a finger on the field aims. No touch scrolls or zooms the page.
TEST_F(WebPlayTest, PaceOnAPhoneTheStickWalksTheButtonTakesABoxAndAFingerAims) {
  Open(kSite, 3, 390, 844);
  page_->Size(390, 844, 3, true);
  page_->Hands("touch");
  // Back along the row he came, the finger near where he started it: he walked at least
  // the whole row, so he does not pass the finger (and his view turn back) before a busy
  // machine's captures have seen him walk toward it.
  ExpectPace([&] {
    const auto from = pilot_->Hero();
    ASSERT_TRUE(from);
    page_->Key("a", true);
    page_->MovePointer(std::max(int(from->cx()) - (kRun - 20), 5), int(from->cy()));
    double ahead = 0;
    EXPECT_TRUE(pilot_->WaitFor([&](const Picture& p) {
      const auto hero = FindHero(p);
      ahead = hero ? ConeShare(p, hero->cx(), hero->cy(), 180, 20, 15, 60) : 0;
      return hero && hero->left <= from->left - 20 && ahead > 0.5;
    })) << "walking with the stick, his cone toward the finger ahead: share " << ahead;
    page_->Key("a", false);
  });
  Open(kSite, 3, 844, 390);
  page_->Size(844, 390, 3, true);
  page_->Hands("touch");
  ExpectETakesABoxAndSetsItDown(PlayWhere(BoxInReach, 2, "a box", kBoxWorlds), artifacts_.Keeping());
  ExpectPointerTurnsTheCone(PlayWhere(OpenAround, 2, "open ground", kOpenWorlds, 0s), artifacts_.Keeping(), 30);
  EXPECT_EQ(page_->Eval("return [scrollX, scrollY, visualViewport.scale, document.getSelection().toString()]"),
            "[0, 0, 1, \"\"]");
}

// A standard gamepad (the browser's list replaced before the page loads): its left stick walks
// him at the game's pace and its south button takes a box and sets it down.
TEST_F(WebPlayTest, PaceAGamepadWalksAndTakesABox) {
  Open(kSite);
  page_->Hands("pad");
  ExpectPace();
  ExpectETakesABoxAndSetsItDown(PlayWhere(BoxInReach, 2, "a box", kBoxWorlds), artifacts_.Keeping());
}

// The same page plays in Firefox and in WebKit, each on a display of its own.
TEST_F(WebPlayTest, PaceFirefoxPlaysTheSceneThePointerAndABox) { PlayEverything("firefox"); }
TEST_F(WebPlayTest, PaceWebKitPlaysTheSceneThePointerAndABox) { PlayEverything("webkit"); }

TEST_F(WebPlayTest, PressingETakesABoxAndSetsItDownBesideHim) {
  Open(kSite);
  ExpectETakesABoxAndSetsItDown(PlayWhere(BoxInReach, 2, "a box", kBoxWorlds), artifacts_.Keeping());
}

// Without its engine, or with a file in its place that is no module, the page shows the one
// message in its dialog instead of starting the engine, which is what would make the canvas's
// WebGL context: none is ever made, and the canvas stays blank.
TEST_F(WebPlayTest, WithoutAUsableEngineThePageShowsTheErrorDialogAndNeverStarts) {
  for (const char* engine : {"", "not a module"}) {
    SCOPED_TRACE(*engine ? "an engine file that is no module" : "no engine file");
    TempDir site("web-site");
    fs::copy(kSite, site.path(), fs::copy_options::recursive);
    fs::remove(site / "libZenGL.so");
    if (*engine) std::ofstream(site / "libZenGL.so") << engine;
    Open(site.path());
    page_->Open("index.html");
    std::string seen;
    PollUntil([&] {
      seen = page_->Eval("const d = document.getElementById('dialog');"
                         "return [d.open, document.getElementById('dialog-caption').textContent,"
                         "document.getElementById('dialog-text').textContent, __frames.gl === null]");
      return seen.starts_with("[true");
    }, 60s, 50ms);
    EXPECT_EQ(seen, "[true, \"Error\", \"Error while loading ZenGL\", true]") << Console();
    const Picture blank = page_->Capture();
    artifacts_.Keep(blank, std::string("no-engine") + (*engine ? "-garbage" : ""));
    EXPECT_EQ(blank.Count(kField), 0) << "the game drew its field";
  }
}

}  // namespace
}  // namespace e2e
