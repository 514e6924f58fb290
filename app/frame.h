#pragma once

// One pass of the loop's frame work: reload on F5, then either step and draw
// the scene or, while the shader program is incomplete, print the dump.
void RunFrame();

// Prints the five shader-pipeline pointers.
void PrintPipelineState();
