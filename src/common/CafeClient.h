#pragma once
// The internet-café client's marker program, TesselView.exe: a running
// process of that name, else the file "B:\DrumClient\TesselView.exe" or the
// same path on drive D to Z (drive C is never tried). Any thread.
#include <string>

// The full path of the first running TesselView.exe, read from its image
// name (a 64-bit client's too); empty when none runs or its path cannot be
// read.
std::wstring FindCafeClientProcessPath();

// The café client's path, or empty. A path once found is kept for the
// process; an empty result is searched again on the next call.
std::wstring GetCafeClientPath();
