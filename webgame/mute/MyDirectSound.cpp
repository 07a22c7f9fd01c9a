#include "MyDirectSound.h"

#include "MuteProcessAudio.h"

#include <new>

// {5C1F6B0E-8E43-4C1B-9D3A-6E0B8F7A2D41}
const IID IID_MyDirectSoundWrapped = {0x5C1F6B0E, 0x8E43, 0x4C1B, {0x9D, 0x3A, 0x6E, 0x0B, 0x8F, 0x7A, 0x2D, 0x41}};

namespace {

// The interface ids a wrapper answers with itself.
bool IsOwnInterface(IDirectSound*, REFIID riid) { return IsEqualIID(riid, IID_IDirectSound); }
bool IsOwnInterface(IDirectSound8*, REFIID riid) {
    return IsEqualIID(riid, IID_IDirectSound8) || IsEqualIID(riid, IID_IDirectSound);
}
bool IsOwnInterface(IDirectSoundBuffer*, REFIID riid) { return IsEqualIID(riid, IID_IDirectSoundBuffer); }

// The object the system made, when object is one of these wrappers.
template <typename Interface>
Interface* Unwrapped(Interface* object) {
    Interface* wrapped = nullptr;
    if (!object || FAILED(object->QueryInterface(IID_MyDirectSoundWrapped, reinterpret_cast<void**>(&wrapped))) ||
        !wrapped)
        return object;
    wrapped->Release();  // the wrapper keeps its object alive
    return wrapped;
}

// On success the caller receives a wrapper of the new buffer (the buffer
// itself when there is no memory for one).
HRESULT WrapNewBuffer(HRESULT result, LPDIRECTSOUNDBUFFER* buffer) {
    if (SUCCEEDED(result) && buffer && *buffer) {
        if (auto* wrapper = new (std::nothrow) MyDirectSoundBuffer(*buffer)) *buffer = wrapper;
    }
    return result;
}

}  // namespace

template <typename Interface>
HRESULT MyDirectSoundObject<Interface>::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsOwnInterface(static_cast<Interface*>(this), riid)) {
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    if (IsEqualIID(riid, IID_MyDirectSoundWrapped)) {
        m_pWrapped->AddRef();
        *object = m_pWrapped;
        return S_OK;
    }
    return m_pWrapped->QueryInterface(riid, object);
}

template <typename Interface>
ULONG MyDirectSoundObject<Interface>::AddRef() {
    return m_pWrapped->AddRef();
}

template <typename Interface>
ULONG MyDirectSoundObject<Interface>::Release() {
    const ULONG count = m_pWrapped->Release();
    if (count == 0) delete this;
    return count;
}

template class MyDirectSoundObject<IDirectSound>;
template class MyDirectSoundObject<IDirectSound8>;
template class MyDirectSoundObject<IDirectSoundBuffer>;

template <typename Interface>
HRESULT MyDirectSoundBase<Interface>::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                                        LPUNKNOWN outer) {
    return WrapNewBuffer(this->m_pWrapped->CreateSoundBuffer(desc, buffer, outer), buffer);
}

template <typename Interface>
HRESULT MyDirectSoundBase<Interface>::GetCaps(LPDSCAPS caps) {
    return this->m_pWrapped->GetCaps(caps);
}

template <typename Interface>
HRESULT MyDirectSoundBase<Interface>::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                                           LPDIRECTSOUNDBUFFER* duplicate) {
    return WrapNewBuffer(this->m_pWrapped->DuplicateSoundBuffer(Unwrapped(original), duplicate), duplicate);
}

template <typename Interface>
HRESULT MyDirectSoundBase<Interface>::SetCooperativeLevel(HWND window, DWORD level) {
    return this->m_pWrapped->SetCooperativeLevel(window, level);
}

template <typename Interface>
HRESULT MyDirectSoundBase<Interface>::Compact() {
    return this->m_pWrapped->Compact();
}

template <typename Interface>
HRESULT MyDirectSoundBase<Interface>::GetSpeakerConfig(LPDWORD config) {
    return this->m_pWrapped->GetSpeakerConfig(config);
}

template <typename Interface>
HRESULT MyDirectSoundBase<Interface>::SetSpeakerConfig(DWORD config) {
    return this->m_pWrapped->SetSpeakerConfig(config);
}

template <typename Interface>
HRESULT MyDirectSoundBase<Interface>::Initialize(LPCGUID device) {
    return this->m_pWrapped->Initialize(device);
}

template class MyDirectSoundBase<IDirectSound>;
template class MyDirectSoundBase<IDirectSound8>;

HRESULT MyDirectSound8::VerifyCertification(LPDWORD certified) { return m_pWrapped->VerifyCertification(certified); }

HRESULT MyDirectSoundBuffer::GetCaps(LPDSBCAPS caps) { return m_pWrapped->GetCaps(caps); }

HRESULT MyDirectSoundBuffer::GetCurrentPosition(LPDWORD play, LPDWORD write) {
    return m_pWrapped->GetCurrentPosition(play, write);
}

HRESULT MyDirectSoundBuffer::GetFormat(LPWAVEFORMATEX format, DWORD allocated, LPDWORD written) {
    return m_pWrapped->GetFormat(format, allocated, written);
}

HRESULT MyDirectSoundBuffer::GetVolume(LPLONG volume) { return m_pWrapped->GetVolume(volume); }

HRESULT MyDirectSoundBuffer::GetPan(LPLONG pan) { return m_pWrapped->GetPan(pan); }

HRESULT MyDirectSoundBuffer::GetFrequency(LPDWORD frequency) { return m_pWrapped->GetFrequency(frequency); }

HRESULT MyDirectSoundBuffer::GetStatus(LPDWORD status) { return m_pWrapped->GetStatus(status); }

HRESULT MyDirectSoundBuffer::Initialize(LPDIRECTSOUND sound, LPCDSBUFFERDESC desc) {
    return m_pWrapped->Initialize(Unwrapped(sound), desc);
}

HRESULT MyDirectSoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1, LPVOID* audio2,
                                  LPDWORD bytes2, DWORD flags) {
    return m_pWrapped->Lock(offset, bytes, audio1, bytes1, audio2, bytes2, flags);
}

HRESULT MyDirectSoundBuffer::Play(DWORD reserved, DWORD priority, DWORD flags) {
    return m_pWrapped->Play(reserved, priority, flags);
}

HRESULT MyDirectSoundBuffer::SetCurrentPosition(DWORD position) { return m_pWrapped->SetCurrentPosition(position); }

HRESULT MyDirectSoundBuffer::SetFormat(LPCWAVEFORMATEX format) { return m_pWrapped->SetFormat(format); }

HRESULT MyDirectSoundBuffer::SetVolume(LONG volume) { return m_pWrapped->SetVolume(volume); }

HRESULT MyDirectSoundBuffer::SetPan(LONG pan) { return m_pWrapped->SetPan(pan); }

HRESULT MyDirectSoundBuffer::SetFrequency(DWORD frequency) { return m_pWrapped->SetFrequency(frequency); }

HRESULT MyDirectSoundBuffer::Stop() { return m_pWrapped->Stop(); }

HRESULT MyDirectSoundBuffer::Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) {
    SilenceWhileMuted(audio1, bytes1);
    SilenceWhileMuted(audio2, bytes2);
    return m_pWrapped->Unlock(audio1, bytes1, audio2, bytes2);
}

HRESULT MyDirectSoundBuffer::Restore() { return m_pWrapped->Restore(); }
