#pragma once

// Runs the program's own routines in a benchmark, headless, in main's order:
// window class, window, device objects, first load. The effect file is a copy
// of shaders/main.fx in a scratch directory that becomes the working
// directory.
//
// The program writes its lines ("Loaded." and the like) to standard output;
// while a host is up they go to a file in the scratch directory
// (ProgramOutput), and the benchmark's rows still reach the original standard
// output (report.h).

#include <string>

namespace bench {

// Creates the scratch directory, moves standard output aside and makes the
// window and the device objects; false, with a line on stderr, on failure.
bool StartProgramWindow();

// The program's first load; false unless it produced the complete pipeline.
bool LoadProgramScene();

// Everything the program has written to standard output so far.
std::string ProgramOutput();

// Releases the scene and the device objects and removes the scratch
// directory.
void StopProgram();

} // namespace bench
