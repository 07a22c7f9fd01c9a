#pragma once
// The MUTE control of one destination line of the sound mixer (device 0).
#include <windows.h>
#include <mmsystem.h>

// Sets the MUTE control of the destination line of that component type
// (MIXERLINE_COMPONENTTYPE_DST_*); true when the mixer took the value. A line
// the mixer does not have is false. The mixer is closed on every path.
bool SetMixerMute(bool mute, DWORD componentType);

// The mixer calls SetMixerMute makes.
struct MixerApi {
    decltype(&mixerOpen) open;
    decltype(&mixerGetLineInfoW) getLineInfo;
    decltype(&mixerGetLineControlsW) getLineControls;
    decltype(&mixerSetControlDetails) setControlDetails;
    decltype(&mixerClose) close;
};
// Tests replace the system's mixer; nullptr restores it. Window thread.
void SetMixerApiForTest(const MixerApi* api);
