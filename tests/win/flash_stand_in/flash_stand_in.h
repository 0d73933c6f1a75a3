#pragma once
// What the stand-in control exports besides the server's entry points: its
// log of what it was asked, in order, and switches for one test's needs.

// Bits of StandInReset's options.
#define STAND_IN_NO_CLASS_INFO 1  // answer neither IProvideClassInfo nor IProvideClassInfo2

// The entries, each ended by "\n"; valid until the next call.
typedef const char*(__stdcall* StandInLogFn)();
// Empties the log and sets the options for the objects made from now on.
typedef void(__stdcall* StandInResetFn)(int options);
// How many of its objects are alive.
typedef long(__stdcall* StandInObjectsFn)();
