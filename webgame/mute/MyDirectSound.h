#pragma once
// Forwarding wrappers of the DirectSound objects the process creates while
// the audio hooks are in place. Every operation calls the same operation of
// the wrapped object with the same arguments and returns its result, except:
// - new sound buffers (CreateSoundBuffer, DuplicateSoundBuffer) come back
//   wrapped, and a wrapper passed back in as an argument reaches the system
//   as the object it wraps;
// - a buffer's Unlock silences both unlocked regions while the process is muted;
// - QueryInterface answers the wrapper's own interface ids with the wrapper
//   and forwards every other id;
// - Release frees the wrapper when the wrapped object's count reaches 0.
// Any thread, as the wrapped objects.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

// The interface id only these wrappers answer: with the object they wrap.
extern const IID IID_MyDirectSoundWrapped;

// What every wrapper shares: the wrapped object and the IUnknown operations.
template <typename Interface>
class MyDirectSoundObject : public Interface {
public:
    explicit MyDirectSoundObject(Interface* wrapped) : m_pWrapped(wrapped) {}
    virtual ~MyDirectSoundObject() = default;
    MyDirectSoundObject(const MyDirectSoundObject&) = delete;
    MyDirectSoundObject& operator=(const MyDirectSoundObject&) = delete;

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

protected:
    Interface* m_pWrapped;
};

// The operations IDirectSound and IDirectSound8 share, over either interface.
template <typename Interface>
class MyDirectSoundBase : public MyDirectSoundObject<Interface> {
public:
    using MyDirectSoundObject<Interface>::MyDirectSoundObject;

    STDMETHOD(CreateSoundBuffer)(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) override;
    STDMETHOD(GetCaps)(LPDSCAPS caps) override;
    STDMETHOD(DuplicateSoundBuffer)(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) override;
    STDMETHOD(SetCooperativeLevel)(HWND window, DWORD level) override;
    STDMETHOD(Compact)() override;
    STDMETHOD(GetSpeakerConfig)(LPDWORD config) override;
    STDMETHOD(SetSpeakerConfig)(DWORD config) override;
    STDMETHOD(Initialize)(LPCGUID device) override;
};

class MyDirectSound : public MyDirectSoundBase<IDirectSound> {
public:
    using MyDirectSoundBase::MyDirectSoundBase;
};

class MyDirectSound8 : public MyDirectSoundBase<IDirectSound8> {
public:
    using MyDirectSoundBase::MyDirectSoundBase;
    STDMETHOD(VerifyCertification)(LPDWORD certified) override;
};

class MyDirectSoundBuffer : public MyDirectSoundObject<IDirectSoundBuffer> {
public:
    using MyDirectSoundObject::MyDirectSoundObject;

    STDMETHOD(GetCaps)(LPDSBCAPS caps) override;
    STDMETHOD(GetCurrentPosition)(LPDWORD play, LPDWORD write) override;
    STDMETHOD(GetFormat)(LPWAVEFORMATEX format, DWORD allocated, LPDWORD written) override;
    STDMETHOD(GetVolume)(LPLONG volume) override;
    STDMETHOD(GetPan)(LPLONG pan) override;
    STDMETHOD(GetFrequency)(LPDWORD frequency) override;
    STDMETHOD(GetStatus)(LPDWORD status) override;
    STDMETHOD(Initialize)(LPDIRECTSOUND sound, LPCDSBUFFERDESC desc) override;
    STDMETHOD(Lock)(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1, LPVOID* audio2, LPDWORD bytes2,
                    DWORD flags) override;
    STDMETHOD(Play)(DWORD reserved, DWORD priority, DWORD flags) override;
    STDMETHOD(SetCurrentPosition)(DWORD position) override;
    STDMETHOD(SetFormat)(LPCWAVEFORMATEX format) override;
    STDMETHOD(SetVolume)(LONG volume) override;
    STDMETHOD(SetPan)(LONG pan) override;
    STDMETHOD(SetFrequency)(DWORD frequency) override;
    STDMETHOD(Stop)() override;
    STDMETHOD(Unlock)(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) override;
    STDMETHOD(Restore)() override;
};
