// SPDX-License-Identifier: Zlib
// The game as a player meets it in a web page: the page that make web builds, served on
// 127.0.0.1 and played in Chromium headless, driven by WebDriver's keys and pointer and
// judged by the canvas's pixels with the same checks as the window's play tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <thread>

#include "pilot.h"
#include "play_checks.h"
#include "process.h"
#include "web_page.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace e2e {
namespace {

const std::string kSite = E2E_WEB_SITE;
const std::string kZip = E2E_WEB_ZIP;
constexpr const char* kLoadError = "Error while loading ZenGL";

class WebPlayTest : public ::testing::Test {
 protected:
  void TearDown() override { artifacts_.SaveIfWanted(E2E_ARTIFACTS, {{"console.txt", Console()}}); }

  void Open(const std::string& site, double pixelRatio = 1, int width = 900, int height = 780) {
    page_.reset();
    page_ = std::make_unique<WebPage>(site, pixelRatio, width, height);
  }

  // Opens the page (with a seed, the world that seed places) and waits until the canvas shows
  // the hero; then clicks the field, as a player does to give the game the keys, with the
  // pointer left on his right.
  Pilot& Play(std::optional<uint64_t> seed = std::nullopt) {
    page_->Open(seed ? "index.html?seed=" + std::to_string(*seed) : "index.html");
    pilot_ = std::make_unique<Pilot>(*page_);
    const bool shown = pilot_->WaitFor([](const Picture& p) { return bool(FindHero(p)); }, 60s);
    artifacts_.Keep(pilot_->last(), "first-frame");
    if (!shown) {
      ADD_FAILURE() << "the hero's square never showed on the canvas\n" << Console();
      throw std::runtime_error("no game in the page");
    }
    page_->Click(700, 50);
    return *pilot_;
  }

  // A world where the hero stands where a test needs him, or can walk there (see the window's
  // play tests).
  Pilot& PlayWhere(const Pilot::GoalFor& goalFor, int margin, const std::string& what,
                   const std::vector<uint64_t>& seeds, milliseconds walk = 60s) {
    for (uint64_t seed : seeds) {
      Pilot& pilot = Play(seed);
      if (pilot.Reach(goalFor, margin, walk)) return pilot;
      artifacts_.Keep(pilot.last(), "unreachable-seed-" + std::to_string(seed));
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

// The page's title and canvas, the scene in its colours and the pointer turning his cone, at
// the usual pixel density and at twice it, where the canvas keeps its 800 x 600 CSS pixels and
// the pointer still lands on the game's pixel under it: 30 pixels from him, a pointer read in
// device pixels would aim some 25 degrees off.
TEST_F(WebPlayTest, PageShowsTheSceneAndThePointerTurnsTheConeAtPixelRatiosOneAndTwo) {
  for (double ratio : {1.0, 2.0}) {
    SCOPED_TRACE("device pixel ratio " + std::to_string(ratio));
    Open(kSite, ratio);
    Pilot& pilot = PlayWhere(OpenAround, 2, "open ground at his start", kOpenWorlds, 0s);
    EXPECT_EQ(page_->Eval("return document.title"), "\"Stealthbox\"");
    EXPECT_EQ(page_->Eval("const r = document.getElementById('canvas').getBoundingClientRect();"
                          "return [r.width, r.height]"),
              "[800, 600]");
    ExpectSceneInItsColours(pilot, artifacts_.Keeping());
    ExpectPointerTurnsTheCone(pilot, artifacts_.Keeping(), 30);
  }
}

// D held walks him right at the game's pace, and the keys stay the game's: their default is
// prevented, so that neither they nor Space or Page Down scroll the page (in a window small
// enough for it to scroll), and the focus stays on the canvas.
TEST_F(WebPlayTest, PaceHoldingDWalksRightFivePixelsEachTickAndTheKeysDoNotScroll) {
  constexpr int kRun = 400;
  std::string lastTrouble;
  for (int attempt = 0; attempt < 3; ++attempt) {
    Open(kSite, 1, 900, 500);
    Pilot& pilot = PlayWhere(OpenRow(kRun), 3, "an open row", kRowWorlds);
    page_->Eval(
        "window.seenKeys = []; window.scrolledFrom = window.scrollY;"
        "window.addEventListener('keydown', e => seenKeys.push(e.key + (e.defaultPrevented ? '' : '!')));");
    Pace pace = WalkRight(pilot, artifacts_.Keeping(), "-" + std::to_string(attempt), kRun);
    for (const char* key : {"w", "a", "s", "e", " ", "\ue00f"}) pilot.Tap(key, 30ms);  // \ue00f: Page Down
    EXPECT_EQ(page_->Eval("return [document.body.scrollHeight > innerHeight, window.scrollY - scrolledFrom,"
                          "document.activeElement.id, [...new Set(seenKeys)].sort()]"),
              "[true, 0, \"canvas\", [\" \", \"PageDown\", \"a\", \"d\", \"e\", \"s\", \"w\"]]")
        << "a key the page acted on is marked with '!'";
    if (!pace.trouble.empty()) {
      std::cout << "walk " << attempt << " not measured: " << pace.trouble << "\n";
      lastTrouble = pace.trouble;
      continue;
    }
    std::cout << "walked " << pace.pixelsPerSecond << " px/s over " << pace.seconds << " s ("
              << pace.samples << " frames): " << pace.TicksPerSecond() << " ticks/s\n";
    EXPECT_GE(pace.seconds, 1.0);
    EXPECT_NEAR(pace.TicksPerSecond(), kTicksPerSecond, 0.03 * kTicksPerSecond);
    return;
  }
  FAIL() << "three walks and none clean: " << lastTrouble;
}

TEST_F(WebPlayTest, PressingETakesABoxAndSetsItDownBesideHim) {
  Open(kSite);
  Pilot& pilot = PlayWhere(BoxInReach, 2, "a box", kBoxWorlds);
  ExpectETakesABoxAndSetsItDown(pilot, artifacts_.Keeping());
}

// Without its engine, or with a file in its place that is no module, the page shows the one
// message in its dialog and the game never starts: the canvas stays blank.
TEST_F(WebPlayTest, WithoutAUsableEngineThePageShowsTheErrorDialogAndNeverStarts) {
  for (const char* engine : {"", "not a module"}) {
    SCOPED_TRACE(*engine ? "an engine file that is no module" : "no engine file");
    TempDir site("web-site");
    fs::copy(kSite, site.path(), fs::copy_options::recursive);
    fs::remove(site / "libZenGL.so");
    if (*engine) std::ofstream(site / "libZenGL.so") << engine;
    Open(site.path());
    page_->Open("index.html");
    std::string dialog;
    for (auto until = Clock::now() + 60s; Clock::now() < until;) {
      dialog = page_->Eval(
          "const d = document.getElementById('dialog');"
          "return [d.open, document.getElementById('dialog-caption').textContent,"
          "        document.getElementById('dialog-text').textContent]");
      if (dialog.rfind("[true", 0) == 0) break;
      std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(dialog, std::string("[true, \"Error\", \"") + kLoadError + "\"]") << Console();
    // The game shows the message instead of starting its engine, which is what would make the
    // canvas's WebGL context: none was ever made, and the canvas is blank.
    EXPECT_EQ(page_->Eval("return __frames.gl === null"), "true") << "the engine started after the message";
    const Picture blank = page_->Capture();
    artifacts_.Keep(blank, std::string("no-engine") + (*engine ? "-garbage" : ""));
    EXPECT_EQ(blank.Count(kField), 0) << "the game drew its field";
  }
}

// What make package-web gives, unpacked into an empty folder and served: the game plays.
TEST_F(WebPlayTest, TheZipUnpackedIntoAnEmptyFolderAndServedPlays) {
  ASSERT_TRUE(fs::exists(kZip)) << kZip << " is missing: make package-web builds it";
  TempDir folder("web-zip");
  Process unzip(SpawnOptions{{"/usr/bin/python3", "-m", "zipfile", "-e", kZip, folder.path()},
                             CleanEnvironment(), "", "", folder / "unzip.txt"});
  auto st = unzip.Wait(60s);
  ASSERT_TRUE(st && st->Describe() == "exit code 0") << ReadFile(folder / "unzip.txt");
  fs::remove(folder / "unzip.txt");
  ASSERT_TRUE(fs::exists(folder / "index.html")) << "index.html at the top of the zip";
  Open(folder.path());
  Pilot& pilot = Play(kOpenWorlds[0]);
  // Playable: he walks when told.
  auto start = pilot.Settle();
  ASSERT_TRUE(start);
  pilot.screen().Key("s", true);
  const bool walked = pilot.WaitFor([&](const Picture& p) {
    auto h = FindHero(p);
    return h && h->top > start->top;
  });
  pilot.screen().Key("s", false);
  artifacts_.Keep(pilot.last(), "walked");
  EXPECT_TRUE(walked) << "S held and the hero never moved down";
  EXPECT_GT(pilot.last().Count(kWall), 8000) << "the walls of his world";
  EXPECT_EQ(page_->Eval("return performance.getEntriesByType('resource').map(e => e.name)"
                        ".filter(n => !n.startsWith(location.origin + '/'))"),
            "[]")
      << "everything the page loads comes from its own folder";
}

}  // namespace
}  // namespace e2e
