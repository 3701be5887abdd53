#include "shell/uShell.h"
#include "shell/uSignals.h"

int main() {
  HoldStopSignals();
  return RunGame();
}
