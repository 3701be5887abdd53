// SPDX-License-Identifier: Zlib
// The installed game as a player meets it: the command a menu entry runs (given
// on the command line, so that it can start the game inside another system),
// a window on a private Xvfb, judged by the play tests' eyes, then closed.
// Usage: e2e_package_play OUT.ppm COMMAND [ARG...]     exit code 0 when it plays
#include <iostream>
#include <sstream>

#include "pilot.h"
#include "x_session.h"

using namespace std::chrono_literals;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: " << argv[0] << " OUT.ppm COMMAND [ARG...]\n";
    return 2;
  }
  try {
    e2e::VirtualDisplay display;
    e2e::XSession x(display.name());
    e2e::TempDir work("package");
    auto env = e2e::CleanEnvironment();
    env["DISPLAY"] = display.name();
    e2e::Process game({std::vector<std::string>(argv + 2, argv + argc), env, "", "", work / "stderr.txt"});

    // The first start on a fresh system may be slow: look until the hero shows.
    std::optional<e2e::WindowInfo> w;
    std::optional<e2e::Blob> hero;
    e2e::Picture p;
    for (auto until = e2e::Clock::now() + 60s; !hero && e2e::Clock::now() < until && game.Running();) {
      if (!(w = x.WaitForWindow("TEST", 1s))) continue;
      x.Focus(*w);
      x.MovePointer(*w, 700, 50);
      e2e::Pilot pilot(x, *w);
      if (pilot.Settle(&p)) hero = e2e::FindHero(p);
    }
    if (!p.empty()) p.SavePpm(argv[1]);

    std::ostringstream faults;
    if (!w) faults << "no window captioned TEST appeared\n";
    if (w && (w->width != 800 || w->height != 600))
      faults << "window " << w->width << "x" << w->height << ", not 800x600\n";
    if (!hero) faults << "the hero's square never showed\n";
    // The scene in its colours, as the play test of the window judges it.
    const struct { const char* what; uint32_t colour; int least; } parts[] = {
        {"light-grey field", e2e::kField, 800 * 600 / 4}, {"dark walls", e2e::kWall, 8000},
        {"yellow boxes", e2e::kBox, 1000}, {"red guards", e2e::kGuard, 300}};
    for (auto& part : parts)
      if (p.Count(part.colour) <= part.least) faults << "hardly any " << part.what << "\n";
    int cones = 0;
    const double flat = e2e::FlatConeShare(p, &cones);
    if (cones <= 1500) faults << "hardly any view cones\n";
    // The cone texture comes from Data: drawn flat, the game did not find its assets.
    if (flat >= 0.5) faults << "cones drawn without their texture (Data not found)\n";

    if (w) x.CloseWindow(*w);
    auto st = game.Wait(20s);
    if (!st) faults << "still running 20 s after its window was closed\n";
    else if (st->Describe() != "exit code 0") faults << "ended with " << st->Describe() << "\n";
    const std::string err = e2e::ReadFile(work / "stderr.txt");
    if (err.find("cannot load") != std::string::npos) faults << "an asset was not loaded\n";

    if (!faults.str().empty()) {
      std::cerr << "package play: " << faults.str() << "the game's stderr:\n" << err;
      return 1;
    }
    std::cout << "package play: window TEST 800x600, hero at " << hero->left << "," << hero->top
              << ", " << cones << " textured cone pixels, exit code 0 on closing\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "package play: " << e.what() << "\n";
    return 1;
  }
}
