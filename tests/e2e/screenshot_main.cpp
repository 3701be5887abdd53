// SPDX-License-Identifier: Zlib
// Takes a picture of the game as a player sees it, for the README and for a
// person checking a build: a private Xvfb, the real game, a few steps of play.
// Usage: e2e_screenshot OUT.ppm [BIN_DIR]
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "pilot.h"
#include "x_session.h"

using namespace std::chrono_literals;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: " << argv[0] << " OUT.ppm [BIN_DIR]\n";
    return 2;
  }
  const std::string bin = std::filesystem::absolute(argc > 2 ? argv[2] : E2E_BIN_DIR).string();
  try {
    e2e::VirtualDisplay display;
    e2e::XSession x(display.name());
    e2e::TempDir work("shot");
    auto env = e2e::CleanEnvironment();
    env["DISPLAY"] = display.name();
    e2e::Process game({{bin + "/stealthbox"}, env, work.path(), "", work / "stderr.txt"});
    auto w = x.WaitForWindow("TEST", 20s);
    if (!w) {
      std::cerr << "no game window\n" << e2e::ReadFile(work / "stderr.txt");
      return 1;
    }
    x.Focus(*w);
    // A few steps into the room, looking down and to the right.
    x.MovePointer(*w, 420, 380);
    e2e::Pilot pilot(x, *w);
    pilot.Settle();
    pilot.Tap("s", 250ms);
    pilot.Tap("d", 250ms);
    std::this_thread::sleep_for(800ms);
    e2e::Picture p = pilot.Look();
    game.Signal(SIGTERM);
    game.Wait(5s);
    if (p.empty() || !p.SavePpm(argv[1])) {
      std::cerr << "capture failed\n";
      return 1;
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "screenshot: " << e.what() << "\n";
    return 1;
  }
}
