#include "shell/uShell.h"

int main() { return RunGame(); }
