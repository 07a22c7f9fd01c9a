// The DirectSound wrappers against hand-written fake DirectSound objects:
// each slot reaches the same slot of the wrapped object with the same
// arguments and returns its result; the exceptions are checked one by one.
#include "MixerMute.h"
#include "MuteProcessAudio.h"
#include "MyDirectSound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

template <typename T>
uintptr_t V(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<uintptr_t>(value);
    } else {
        return static_cast<uintptr_t>(value);
    }
}

std::string Rec(const char* name, std::initializer_list<uintptr_t> args) {
    std::string text = std::string(name) + "(";
    char part[24];
    for (uintptr_t arg : args) {
        snprintf(part, sizeof(part), "%s%llx", text.back() == '(' ? "" : ",", static_cast<unsigned long long>(arg));
        text += part;
    }
    return text + ")";
}

// The result of slot n of a fake: a failure code of its own, so nothing is wrapped unless a test says so.
HRESULT Slot(int n) { return MAKE_HRESULT(1, 0x77, n); }

void* const kBuffer8Marker = reinterpret_cast<void*>(static_cast<uintptr_t>(0xB8));
void* const kUnknownMarker = reinterpret_cast<void*>(static_cast<uintptr_t>(0x1F));

// What a fake answers to QueryInterface: the markers above for two ids, nothing else.
HRESULT FakeQuery(REFIID riid, void** object) {
    if (IsEqualIID(riid, IID_IDirectSoundBuffer8)) {
        *object = kBuffer8Marker;
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IUnknown)) {
        *object = kUnknownMarker;
        return S_OK;
    }
    return E_NOINTERFACE;
}

// The IUnknown part every fake shares: a call log and a reference count.
template <typename Interface>
class Fake : public Interface {
public:
    std::vector<std::string> calls;
    ULONG refs = 1;

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override {
        calls.push_back(Rec("QueryInterface", {riid.Data1, V(object)}));
        return FakeQuery(riid, object);
    }
    STDMETHOD_(ULONG, AddRef)() override {
        calls.push_back("AddRef()");
        return ++refs;
    }
    STDMETHOD_(ULONG, Release)() override {
        calls.push_back("Release()");
        return --refs;
    }

protected:
    HRESULT Log(const char* name, std::initializer_list<uintptr_t> args, int slot) {
        calls.push_back(Rec(name, args));
        return Slot(slot);
    }
};

class FakeBuffer : public Fake<IDirectSoundBuffer> {
public:
    STDMETHOD(GetCaps)(LPDSBCAPS caps) override { return Log("GetCaps", {V(caps)}, 3); }
    STDMETHOD(GetCurrentPosition)(LPDWORD play, LPDWORD write) override {
        return Log("GetCurrentPosition", {V(play), V(write)}, 4);
    }
    STDMETHOD(GetFormat)(LPWAVEFORMATEX format, DWORD allocated, LPDWORD written) override {
        return Log("GetFormat", {V(format), V(allocated), V(written)}, 5);
    }
    STDMETHOD(GetVolume)(LPLONG volume) override { return Log("GetVolume", {V(volume)}, 6); }
    STDMETHOD(GetPan)(LPLONG pan) override { return Log("GetPan", {V(pan)}, 7); }
    STDMETHOD(GetFrequency)(LPDWORD frequency) override { return Log("GetFrequency", {V(frequency)}, 8); }
    STDMETHOD(GetStatus)(LPDWORD status) override { return Log("GetStatus", {V(status)}, 9); }
    STDMETHOD(Initialize)(LPDIRECTSOUND sound, LPCDSBUFFERDESC desc) override {
        return Log("Initialize", {V(sound), V(desc)}, 10);
    }
    STDMETHOD(Lock)(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1, LPVOID* audio2, LPDWORD bytes2,
                    DWORD flags) override {
        return Log("Lock", {V(offset), V(bytes), V(audio1), V(bytes1), V(audio2), V(bytes2), V(flags)}, 11);
    }
    STDMETHOD(Play)(DWORD reserved, DWORD priority, DWORD flags) override {
        return Log("Play", {V(reserved), V(priority), V(flags)}, 12);
    }
    STDMETHOD(SetCurrentPosition)(DWORD position) override { return Log("SetCurrentPosition", {V(position)}, 13); }
    STDMETHOD(SetFormat)(LPCWAVEFORMATEX format) override { return Log("SetFormat", {V(format)}, 14); }
    STDMETHOD(SetVolume)(LONG volume) override { return Log("SetVolume", {V(volume)}, 15); }
    STDMETHOD(SetPan)(LONG pan) override { return Log("SetPan", {V(pan)}, 16); }
    STDMETHOD(SetFrequency)(DWORD frequency) override { return Log("SetFrequency", {V(frequency)}, 17); }
    STDMETHOD(Stop)() override { return Log("Stop", {}, 18); }
    // Also notes the first byte of each region as the wrapped object sees it.
    STDMETHOD(Unlock)(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) override {
        return Log("Unlock", {V(audio1), V(bytes1), V(audio2), V(bytes2), FirstByte(audio1), FirstByte(audio2)}, 19);
    }
    STDMETHOD(Restore)() override { return Log("Restore", {}, 20); }

private:
    static uintptr_t FirstByte(LPVOID data) { return data ? *static_cast<const uint8_t*>(data) : 0x100; }
};

template <typename Interface>
class FakeSoundBase : public Fake<Interface> {
public:
    // What CreateSoundBuffer and DuplicateSoundBuffer hand out, and their result.
    LPDIRECTSOUNDBUFFER newBuffer = nullptr;
    HRESULT createResult = Slot(3);
    HRESULT duplicateResult = Slot(5);

    STDMETHOD(CreateSoundBuffer)(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) override {
        this->calls.push_back(Rec("CreateSoundBuffer", {V(desc), V(buffer), V(outer)}));
        if (SUCCEEDED(createResult)) *buffer = newBuffer;
        return createResult;
    }
    STDMETHOD(GetCaps)(LPDSCAPS caps) override { return this->Log("GetCaps", {V(caps)}, 4); }
    STDMETHOD(DuplicateSoundBuffer)(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) override {
        this->calls.push_back(Rec("DuplicateSoundBuffer", {V(original), V(duplicate)}));
        if (SUCCEEDED(duplicateResult)) *duplicate = newBuffer;
        return duplicateResult;
    }
    STDMETHOD(SetCooperativeLevel)(HWND window, DWORD level) override {
        return this->Log("SetCooperativeLevel", {V(window), V(level)}, 6);
    }
    STDMETHOD(Compact)() override { return this->Log("Compact", {}, 7); }
    STDMETHOD(GetSpeakerConfig)(LPDWORD config) override { return this->Log("GetSpeakerConfig", {V(config)}, 8); }
    STDMETHOD(SetSpeakerConfig)(DWORD config) override { return this->Log("SetSpeakerConfig", {V(config)}, 9); }
    STDMETHOD(Initialize)(LPCGUID device) override { return this->Log("Initialize", {V(device)}, 10); }
};

using FakeSound = FakeSoundBase<IDirectSound>;
class FakeSound8 : public FakeSoundBase<IDirectSound8> {
public:
    STDMETHOD(VerifyCertification)(LPDWORD certified) override { return Log("VerifyCertification", {V(certified)}, 11); }
};

int g_destroyed = 0;
template <typename Wrapper>
class Counted : public Wrapper {
public:
    using Wrapper::Wrapper;
    ~Counted() override { ++g_destroyed; }
};

// The process-wide mute flag is set through the entry; the mixer it then
// reaches is a fake one that has no device.
MMRESULT WINAPI NoMixer(LPHMIXER, UINT, DWORD_PTR, DWORD_PTR, DWORD) { return MMSYSERR_NODRIVER; }
const MixerApi kNoMixer = {&NoMixer, &mixerGetLineInfoW, &mixerGetLineControlsW, &mixerSetControlDetails, &mixerClose};

class MyDirectSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_destroyed = 0;
        SetMixerApiForTest(&kNoMixer);
    }
    void TearDown() override {
        MuteProcessAudio(false);
        SetMixerApiForTest(nullptr);
    }
};

// The eleven slots the two sound interfaces share, through the interface.
template <typename Interface, typename Fake>
void CheckSharedSoundSlots(Interface* sound, Fake& fake) {
    DSBUFFERDESC desc = {};
    LPDIRECTSOUNDBUFFER out = nullptr;
    LPUNKNOWN outer = reinterpret_cast<LPUNKNOWN>(static_cast<uintptr_t>(0x33));
    DSCAPS caps = {};
    FakeBuffer original;
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x66));
    DWORD config = 0;
    GUID device = {};
    EXPECT_EQ(2u, sound->AddRef());
    EXPECT_EQ(Slot(3), sound->CreateSoundBuffer(&desc, &out, outer));
    EXPECT_EQ(nullptr, out);  // a failure hands out nothing
    EXPECT_EQ(Slot(4), sound->GetCaps(&caps));
    EXPECT_EQ(Slot(5), sound->DuplicateSoundBuffer(&original, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(Slot(6), sound->SetCooperativeLevel(window, DSSCL_PRIORITY));
    EXPECT_EQ(Slot(7), sound->Compact());
    EXPECT_EQ(Slot(8), sound->GetSpeakerConfig(&config));
    EXPECT_EQ(Slot(9), sound->SetSpeakerConfig(0x99));
    EXPECT_EQ(Slot(10), sound->Initialize(&device));
    EXPECT_EQ(1u, sound->Release());
    const std::vector<std::string> expected = {
        "AddRef()",
        Rec("CreateSoundBuffer", {V(&desc), V(&out), V(outer)}),
        Rec("GetCaps", {V(&caps)}),
        Rec("DuplicateSoundBuffer", {V(&original), V(&out)}),
        Rec("SetCooperativeLevel", {V(window), DSSCL_PRIORITY}),
        Rec("Compact", {}),
        Rec("GetSpeakerConfig", {V(&config)}),
        Rec("SetSpeakerConfig", {0x99}),
        Rec("Initialize", {V(&device)}),
        "Release()",
    };
    EXPECT_EQ(expected, fake.calls);
    fake.calls.clear();
}

TEST_F(MyDirectSoundTest, SoundSlotsForwardArgumentsAndResults) {
    FakeSound fake;
    IDirectSound* sound = new Counted<MyDirectSound>(&fake);
    CheckSharedSoundSlots(sound, fake);
    EXPECT_EQ(0u, sound->Release());
    EXPECT_EQ(1, g_destroyed);

    FakeSound8 fake8;
    IDirectSound8* sound8 = new Counted<MyDirectSound8>(&fake8);
    CheckSharedSoundSlots(sound8, fake8);
    DWORD certified = 0;
    EXPECT_EQ(Slot(11), sound8->VerifyCertification(&certified));
    EXPECT_EQ(std::vector<std::string>{Rec("VerifyCertification", {V(&certified)})}, fake8.calls);
    EXPECT_EQ(0u, sound8->Release());
    EXPECT_EQ(2, g_destroyed);
}

TEST_F(MyDirectSoundTest, BufferSlotsForwardArgumentsAndResults) {
    FakeBuffer fake;
    FakeSound otherSound;
    IDirectSoundBuffer* buffer = new Counted<MyDirectSoundBuffer>(&fake);
    DSBCAPS caps = {};
    DWORD play = 0, write = 0, written = 0, frequency = 0, status = 0, bytes1 = 0, bytes2 = 0;
    WAVEFORMATEX format = {};
    LONG volume = 0, pan = 0;
    DSBUFFERDESC desc = {};
    LPVOID audio1 = nullptr, audio2 = nullptr;
    uint8_t region[8];
    memset(region, 0xAB, sizeof(region));

    EXPECT_EQ(2u, buffer->AddRef());
    EXPECT_EQ(Slot(3), buffer->GetCaps(&caps));
    EXPECT_EQ(Slot(4), buffer->GetCurrentPosition(&play, &write));
    EXPECT_EQ(Slot(5), buffer->GetFormat(&format, sizeof(format), &written));
    EXPECT_EQ(Slot(6), buffer->GetVolume(&volume));
    EXPECT_EQ(Slot(7), buffer->GetPan(&pan));
    EXPECT_EQ(Slot(8), buffer->GetFrequency(&frequency));
    EXPECT_EQ(Slot(9), buffer->GetStatus(&status));
    EXPECT_EQ(Slot(10), buffer->Initialize(&otherSound, &desc));
    EXPECT_EQ(Slot(11), buffer->Lock(1, 2, &audio1, &bytes1, &audio2, &bytes2, DSBLOCK_ENTIREBUFFER));
    EXPECT_EQ(Slot(12), buffer->Play(0, 1, DSBPLAY_LOOPING));
    EXPECT_EQ(Slot(13), buffer->SetCurrentPosition(44));
    EXPECT_EQ(Slot(14), buffer->SetFormat(&format));
    EXPECT_EQ(Slot(15), buffer->SetVolume(-100));
    EXPECT_EQ(Slot(16), buffer->SetPan(50));
    EXPECT_EQ(Slot(17), buffer->SetFrequency(22050));
    EXPECT_EQ(Slot(18), buffer->Stop());
    EXPECT_EQ(Slot(19), buffer->Unlock(region, sizeof(region), nullptr, 0));
    EXPECT_EQ(Slot(20), buffer->Restore());
    EXPECT_EQ(1u, buffer->Release());
    const std::vector<std::string> expected = {
        "AddRef()",
        Rec("GetCaps", {V(&caps)}),
        Rec("GetCurrentPosition", {V(&play), V(&write)}),
        Rec("GetFormat", {V(&format), sizeof(format), V(&written)}),
        Rec("GetVolume", {V(&volume)}),
        Rec("GetPan", {V(&pan)}),
        Rec("GetFrequency", {V(&frequency)}),
        Rec("GetStatus", {V(&status)}),
        Rec("Initialize", {V(static_cast<IDirectSound*>(&otherSound)), V(&desc)}),
        Rec("Lock", {1, 2, V(&audio1), V(&bytes1), V(&audio2), V(&bytes2), DSBLOCK_ENTIREBUFFER}),
        Rec("Play", {0, 1, DSBPLAY_LOOPING}),
        Rec("SetCurrentPosition", {44}),
        Rec("SetFormat", {V(&format)}),
        Rec("SetVolume", {V(static_cast<LONG>(-100))}),
        Rec("SetPan", {50}),
        Rec("SetFrequency", {22050}),
        Rec("Stop", {}),
        Rec("Unlock", {V(region), sizeof(region), 0, 0, 0xAB, 0x100}),  // not muted: passed unchanged
        Rec("Restore", {}),
        "Release()",
    };
    EXPECT_EQ(expected, fake.calls);
    EXPECT_EQ(0, g_destroyed);
    EXPECT_EQ(0u, buffer->Release());  // the wrapped object's count reaches 0: the wrapper goes too
    EXPECT_EQ(1, g_destroyed);
}

TEST_F(MyDirectSoundTest, UnlockSilencesBothRegionsOnlyWhileMuted) {
    FakeBuffer fake;
    MyDirectSoundBuffer wrapper(&fake);
    uint8_t first[16], second[8];
    memset(first, 0xAB, sizeof(first));
    memset(second, 0xCD, sizeof(second));

    MuteProcessAudio(true);
    ASSERT_TRUE(IsProcessAudioMuted());
    EXPECT_EQ(Slot(19), wrapper.Unlock(first, sizeof(first), second, sizeof(second)));
    EXPECT_EQ(std::vector<uint8_t>(sizeof(first), 0), std::vector<uint8_t>(first, first + sizeof(first)));
    EXPECT_EQ(std::vector<uint8_t>(sizeof(second), 0), std::vector<uint8_t>(second, second + sizeof(second)));
    // Silence is in place before the wrapped Unlock runs.
    EXPECT_EQ(Rec("Unlock", {V(first), sizeof(first), V(second), sizeof(second), 0, 0}), fake.calls.back());
    EXPECT_EQ(Slot(19), wrapper.Unlock(first, sizeof(first), nullptr, 0));  // a null region is skipped

    MuteProcessAudio(false);
    memset(first, 0xAB, sizeof(first));
    EXPECT_EQ(Slot(19), wrapper.Unlock(first, sizeof(first), second, sizeof(second)));
    EXPECT_EQ(0xAB, first[sizeof(first) - 1]);
    EXPECT_EQ(Rec("Unlock", {V(first), sizeof(first), V(second), sizeof(second), 0xAB, 0}), fake.calls.back());
}

TEST_F(MyDirectSoundTest, NewBuffersComeBackWrappedAndWrappersGoBackUnwrapped) {
    FakeSound8 fake;
    FakeBuffer raw;
    fake.newBuffer = &raw;
    fake.createResult = DS_OK;
    IDirectSound8* sound = new MyDirectSound8(&fake);
    DSBUFFERDESC desc = {};
    LPDIRECTSOUNDBUFFER buffer = nullptr;
    ASSERT_EQ(DS_OK, sound->CreateSoundBuffer(&desc, &buffer, nullptr));
    ASSERT_NE(nullptr, buffer);
    EXPECT_NE(static_cast<IDirectSoundBuffer*>(&raw), buffer);

    // The wrapper answers its own id with itself; other ids reach the system object.
    void* object = nullptr;
    EXPECT_EQ(S_OK, buffer->QueryInterface(IID_IDirectSoundBuffer, &object));
    EXPECT_EQ(buffer, object);
    EXPECT_EQ(2u, raw.refs);
    EXPECT_EQ(S_OK, buffer->QueryInterface(IID_IDirectSoundBuffer8, &object));
    EXPECT_EQ(kBuffer8Marker, object);
    EXPECT_EQ(1u, buffer->Release());

    // A muted write through the handed-out buffer is silenced.
    MuteProcessAudio(true);
    uint8_t data[4] = {1, 2, 3, 4};
    buffer->Unlock(data, sizeof(data), nullptr, 0);
    EXPECT_EQ(0, data[3]);

    // The wrapper, passed back as the original of a duplicate, reaches the system as the raw buffer.
    fake.calls.clear();
    FakeBuffer rawDuplicate;
    fake.newBuffer = &rawDuplicate;
    fake.duplicateResult = DS_OK;
    LPDIRECTSOUNDBUFFER duplicate = nullptr;
    ASSERT_EQ(DS_OK, sound->DuplicateSoundBuffer(buffer, &duplicate));
    EXPECT_EQ(Rec("DuplicateSoundBuffer", {V(static_cast<IDirectSoundBuffer*>(&raw)), V(&duplicate)}), fake.calls.back());
    ASSERT_NE(nullptr, duplicate);
    EXPECT_NE(static_cast<IDirectSoundBuffer*>(&rawDuplicate), duplicate);  // the duplicate comes back wrapped too
    data[3] = 4;
    duplicate->Unlock(data, sizeof(data), nullptr, 0);
    EXPECT_EQ(0, data[3]);

    // The sound object's own ids: IDirectSound8 and IDirectSound; the rest is forwarded.
    EXPECT_EQ(S_OK, sound->QueryInterface(IID_IDirectSound8, &object));
    EXPECT_EQ(sound, object);
    EXPECT_EQ(S_OK, sound->QueryInterface(IID_IDirectSound, &object));
    EXPECT_EQ(sound, object);
    EXPECT_EQ(S_OK, sound->QueryInterface(IID_IUnknown, &object));
    EXPECT_EQ(kUnknownMarker, object);
    EXPECT_EQ(E_POINTER, sound->QueryInterface(IID_IDirectSound8, nullptr));
    fake.refs = 1;
    EXPECT_EQ(0u, sound->Release());
    EXPECT_EQ(0u, buffer->Release());
    EXPECT_EQ(0u, duplicate->Release());
}

}  // namespace
