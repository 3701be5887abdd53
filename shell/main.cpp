// SPDX-License-Identifier: Zlib
#include "shell/uCommandLine.h"
#include "shell/uShell.h"
#include "shell/uSignals.h"

int main(int argc, char** argv) {
  HoldStopSignals();
  const CommandLine cl = ParseCommandLine(argc, argv);
  if (auto code = AnswerCommandLine(cl)) return *code;
  return RunGame(cl.seed);
}
