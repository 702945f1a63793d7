// Allocation failures injected into the program that loaded the stand-in.
#pragma once

#include <windows.h>

// Makes every later malloc of the program itself fail; answers the imports changed.
unsigned FailProgramAllocations();
