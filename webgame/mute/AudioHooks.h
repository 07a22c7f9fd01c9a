#pragma once
// Hooks on the process's audio output, for systems before Windows 6.0:
// waveOutWrite and midiStreamOut silence their buffers while the process is
// muted; DirectSoundCreate and DirectSoundCreate8 hand out wrappers whose
// buffers do the same (MyDirectSound.h).

// Installs the hooks on the first call, in one transaction; later calls find
// them in place and do nothing. True when they are in place.
bool InstallAudioHooks();
