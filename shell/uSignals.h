// SPDX-License-Identifier: Zlib
// Stop requests (SIGINT, SIGTERM) that come while the game is still starting.
// The engine ends the game in order on either, but only once it watches for
// them; until then the default action would kill the half-started game.
#pragma once

// Holds both signals from the program's first moment: a stop that comes
// meanwhile waits instead of killing the game.
void HoldStopSignals();

// Lets them through again, a held one included. Called once the engine has
// opened its window, by which time it watches for them (the project's engine
// lets them through itself as soon as its start-up begins).
void ReleaseStopSignals();

// A stop has come and is held.
bool StopPending();
