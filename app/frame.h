#pragma once

// Handles every queued message; false once the quit message has been seen
// (whatever is queued behind it stays unprocessed).
bool DrainMessages();

// One pass of the loop's frame work: reload on F5, then either step and draw
// the scene or, while the shader program is incomplete, print the dump.
void RunFrame();

// Prints the five shader-pipeline pointers.
void PrintPipelineState();
