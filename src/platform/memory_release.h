// Hands the heap's free pages back to the system.
#pragma once

// After large images are let go (a page left, the window gone from the screen), their
// pages stay with the process unless returned: call this then. Costs a walk of the heap;
// not for a loop.
void ReturnFreeMemory();
