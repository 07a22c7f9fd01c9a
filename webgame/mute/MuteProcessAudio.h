#pragma once
// The player's sound mute. From Windows 6.0 on it sets the MUTE control of
// the sound mixer's destination lines; before, it hooks the process's audio
// output (waveOut, MIDI streams, DirectSound) once, and the hooks silence
// every buffer while the process-wide mute flag is set.
#include <cstddef>

// mute: true silences, false lets sound through again. Window thread.
void MuteProcessAudio(bool mute);

// The process-wide mute flag; any thread.
bool IsProcessAudioMuted();

// Fills data with silence (zeros) while the process is muted; nothing for null.
void SilenceWhileMuted(void* data, size_t bytes);
