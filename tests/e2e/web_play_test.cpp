// SPDX-License-Identifier: Zlib
// The game as a player meets it in a web page: the page that make web builds, served on
// 127.0.0.1 and played in Chromium headless, driven by WebDriver's keys and pointer and
// judged by the canvas's pixels with the same checks as the window's play tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
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

class WebPlayTest : public ::testing::Test {
 protected:
  void TearDown() override { artifacts_.SaveIfWanted(E2E_ARTIFACTS, {{"console.txt", Console()}}); }

  void Open(const std::string& site, double pixelRatio = 1, int width = 900, int height = 780) {
    page_.reset();
    page_ = std::make_unique<WebPage>(site, pixelRatio, width, height);
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
// elsewhere: its title and canvas, the scene in its colours and the pointer turning his cone, at
// the usual pixel density and at twice it, where the canvas keeps its 800 x 600 CSS pixels and
// the pointer still lands on the game's pixel under it (30 pixels from him, a pointer read in
// device pixels would aim some 25 degrees off).
TEST_F(WebPlayTest, TheUnpackedZipShowsTheSceneAndThePointerTurnsTheConeAtPixelRatiosOneAndTwo) {
  ASSERT_TRUE(fs::exists(kZip)) << kZip << " is missing: make package-web builds it";
  TempDir folder("web-zip");
  Process unzip(SpawnOptions{{"/usr/bin/python3", "-m", "zipfile", "-e", kZip, folder.path()},
                             CleanEnvironment(), "", "", ""});
  auto st = unzip.Wait(60s);
  ASSERT_TRUE(st && st->Describe() == "exit code 0" && fs::exists(folder / "index.html"));
  for (double ratio : {1.0, 2.0}) {
    SCOPED_TRACE("device pixel ratio " + std::to_string(ratio));
    Open(folder.path(), ratio);
    Pilot& pilot = PlayWhere(OpenAround, 2, "open ground at his start", kOpenWorlds, 0s);
    EXPECT_EQ(page_->Eval("const r = document.getElementById('canvas').getBoundingClientRect();"
                          "return [document.title, r.width, r.height, performance.getEntriesByType("
                          "'resource').map(e => e.name).filter(n => !n.startsWith(location.origin + '/'))]"),
              "[\"Stealthbox\", 800, 600, []]");
    ExpectSceneInItsColours(pilot, artifacts_.Keeping());
    ExpectPointerTurnsTheCone(pilot, artifacts_.Keeping(), 30);
  }
}

// D held walks him right at the game's pace, and the keys stay the game's: their default is
// prevented, so that neither they nor Space or Page Down scroll the page (in a window small
// enough for it to scroll), and the focus stays on the canvas.
TEST_F(WebPlayTest, PaceHoldingDWalksRightFivePixelsEachTickAndTheKeysDoNotScroll) {
  constexpr int kRun = 400;
  std::string trouble;
  for (int attempt = 0; attempt < 3; ++attempt) {
    Open(kSite, 1, 900, 500);
    Pilot& pilot = PlayWhere(OpenRow(kRun), 3, "an open row", kRowWorlds);
    page_->Eval(
        "window.seenKeys = []; window.scrolledFrom = window.scrollY;"
        "window.addEventListener('keydown', e => seenKeys.push(e.key + (e.defaultPrevented ? '' : '!')));");
    const Pace pace = WalkRight(pilot, artifacts_.Keeping(), "-" + std::to_string(attempt), kRun);
    for (const char* key : {"w", "a", "s", "e", " ", "\ue00f"}) pilot.Tap(key, 30ms);  // \ue00f: Page Down
    EXPECT_EQ(page_->Eval("return [document.body.scrollHeight > innerHeight, window.scrollY - scrolledFrom,"
                          "document.activeElement.id, [...new Set(seenKeys)].sort()]"),
              "[true, 0, \"canvas\", [\" \", \"PageDown\", \"a\", \"d\", \"e\", \"s\", \"w\"]]")
        << "a key the page acted on is marked with '!'";
    if (JudgePace(pace, attempt, trouble)) return;
  }
  FAIL() << "three walks and none clean: " << trouble;
}

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
    for (auto until = Clock::now() + 60s; Clock::now() < until && seen.rfind("[true", 0) != 0;
         std::this_thread::sleep_for(50ms))
      seen = page_->Eval("const d = document.getElementById('dialog');"
                         "return [d.open, document.getElementById('dialog-caption').textContent,"
                         "document.getElementById('dialog-text').textContent, __frames.gl === null]");
    EXPECT_EQ(seen, "[true, \"Error\", \"Error while loading ZenGL\", true]") << Console();
    const Picture blank = page_->Capture();
    artifacts_.Keep(blank, std::string("no-engine") + (*engine ? "-garbage" : ""));
    EXPECT_EQ(blank.Count(kField), 0) << "the game drew its field";
  }
}

}  // namespace
}  // namespace e2e
