# The game: logic library and the stealth executable (filled in by the game work).
