#include "app/startup/Entry.h"

int RunProgram(int, char**) { return 0; }
