#pragma once

// The program's entry: decides the run mode from the command line, builds the
// program-wide objects and runs the window of that mode until the process ends.
int RunProgram(int argc, char** argv);
