#pragma once

// Keeps freed memory for the next drawing rather than giving it back to the system at once:
// a batch allocates blocks of the same few sizes over and over. Called once, at start.
void ReuseFreedMemory();
