// The mixer path of the sound mute against a fake mixer table: never the
// system's mixer, which under Wine would reach the host's sound settings.
#include "MixerMute.h"
#include "MuteProcessAudio.h"

#include "Harness.h"
#include "LogWriter.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const HMIXER kMixer = reinterpret_cast<HMIXER>(static_cast<uintptr_t>(0x55));

struct FakeLine {
    DWORD type;
    DWORD lineId;
    bool hasMute;
    DWORD controlId;
};

struct FakeMixer {
    MMRESULT openResult = MMSYSERR_NOERROR;
    MMRESULT setResult = MMSYSERR_NOERROR;
    std::vector<FakeLine> lines;
    std::vector<std::string> calls;
    int open = 0;
} g_fake;

void Record(const char* format, ...) {
    char text[160];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    g_fake.calls.push_back(text);
}

const FakeLine* FindLine(DWORD type) {
    for (const FakeLine& line : g_fake.lines)
        if (line.type == type) return &line;
    return nullptr;
}

MMRESULT WINAPI FakeOpen(LPHMIXER mixer, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    Record("open %u %u %u %u", id, static_cast<unsigned>(callback), static_cast<unsigned>(instance), flags);
    if (g_fake.openResult != MMSYSERR_NOERROR) return g_fake.openResult;
    *mixer = kMixer;
    ++g_fake.open;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI FakeGetLineInfo(HMIXEROBJ mixer, LPMIXERLINEW line, DWORD flags) {
    Record("line %u size-ok=%d handle-ok=%d flags=%#x", line->dwComponentType, line->cbStruct == sizeof(MIXERLINEW),
           mixer == reinterpret_cast<HMIXEROBJ>(kMixer), flags);
    const FakeLine* found = FindLine(line->dwComponentType);
    if (!found) return MIXERR_INVALLINE;
    line->dwLineID = found->lineId;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI FakeGetLineControls(HMIXEROBJ, LPMIXERLINECONTROLSW controls, DWORD flags) {
    Record("controls line=%u type=%#x count=%u size-ok=%d flags=%#x", controls->dwLineID, controls->dwControlType,
           controls->cControls, controls->cbStruct == sizeof(MIXERLINECONTROLSW) &&
                                    controls->cbmxctrl == sizeof(MIXERCONTROLW), flags);
    for (const FakeLine& line : g_fake.lines) {
        if (line.lineId != controls->dwLineID) continue;
        if (!line.hasMute) return MIXERR_INVALCONTROL;
        controls->pamxctrl->dwControlID = line.controlId;
        return MMSYSERR_NOERROR;
    }
    return MIXERR_INVALLINE;
}

MMRESULT WINAPI FakeSetControlDetails(HMIXEROBJ, LPMIXERCONTROLDETAILS details, DWORD flags) {
    const auto* value = static_cast<const MIXERCONTROLDETAILS_BOOLEAN*>(details->paDetails);
    Record("set control=%u channels=%u items=%u cb=%u value=%d flags=%#x", details->dwControlID, details->cChannels,
           details->cMultipleItems, details->cbDetails, static_cast<int>(value->fValue), flags);
    return g_fake.setResult;
}

MMRESULT WINAPI FakeClose(HMIXER mixer) {
    Record("close handle-ok=%d", mixer == kMixer);
    --g_fake.open;
    return MMSYSERR_NOERROR;
}

const MixerApi kFake = {&FakeOpen, &FakeGetLineInfo, &FakeGetLineControls, &FakeSetControlDetails, &FakeClose};

class MixerMuteTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = FakeMixer{};
        // Speakers and headphones, each with a mute; a telephone line without one.
        g_fake.lines = {{4, 40, true, 400}, {5, 50, true, 500}, {6, 60, false, 0}};
        SetMixerApiForTest(&kFake);
    }
    void TearDown() override { SetMixerApiForTest(nullptr); }

    static std::vector<std::string> Sequence(DWORD type, int mute) {
        const FakeLine* line = FindLine(type);
        std::vector<std::string> calls = {"open 0 0 0 0", "line " + std::to_string(type) + " size-ok=1 handle-ok=1 flags=0x3"};
        if (line) {
            calls.push_back("controls line=" + std::to_string(line->lineId) +
                            " type=0x20010002 count=1 size-ok=1 flags=0x2");
            if (line->hasMute)
                calls.push_back("set control=" + std::to_string(line->controlId) +
                                " channels=1 items=0 cb=4 value=" + std::to_string(mute) + " flags=0");
        }
        calls.push_back("close handle-ok=1");
        return calls;
    }
};

TEST_F(MixerMuteTest, SetsTheMuteControlOfOneLineAndClosesOnEveryPath) {
    EXPECT_TRUE(SetMixerMute(true, 4));
    EXPECT_EQ(Sequence(4, 1), g_fake.calls);

    g_fake.calls.clear();
    EXPECT_FALSE(SetMixerMute(true, 1));  // no such line
    EXPECT_EQ(Sequence(1, 1), g_fake.calls);

    g_fake.calls.clear();
    EXPECT_FALSE(SetMixerMute(false, 6));  // a line without a mute control
    EXPECT_EQ(Sequence(6, 0), g_fake.calls);

    g_fake.calls.clear();
    g_fake.setResult = MMSYSERR_NOTSUPPORTED;
    EXPECT_FALSE(SetMixerMute(false, 5));  // the mixer refused the value
    EXPECT_EQ(Sequence(5, 0), g_fake.calls);
    EXPECT_EQ(0, g_fake.open);

    g_fake.calls.clear();
    g_fake.openResult = MMSYSERR_BADDEVICEID;
    EXPECT_FALSE(SetMixerMute(true, 4));
    EXPECT_EQ(std::vector<std::string>{"open 0 0 0 0"}, g_fake.calls);  // nothing opened, nothing to close
}

TEST_F(MixerMuteTest, MuteProcessAudioSetsEveryDestinationLineInTurn) {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)));
    ASSERT_GE(version.dwMajorVersion, 6u) << "the mixer path runs from Windows 6.0 on";

    LogWriter::GetInstance()->levelMask = 63;  // the programs' default: Info lines included
    const std::wstring folder = LogWriter::GetInstance()->LogFolder();
    auto outcomes = [&folder] {
        int count = 0;
        for (const std::wstring& line : harness::ReadLogLines(folder, L"mute_tests"))
            if (line.find(L"mixer mute set on 2 of 7 destination lines") != std::wstring::npos) ++count;
        return count;
    };
    const int before = outcomes();
    for (int mute : {1, 0}) {
        g_fake.calls.clear();
        MuteProcessAudio(mute != 0);
        EXPECT_EQ(mute != 0, IsProcessAudioMuted());
        std::vector<std::string> expected;
        for (DWORD type = 1; type <= 7; ++type) {
            const std::vector<std::string> one = Sequence(type, mute);
            expected.insert(expected.end(), one.begin(), one.end());
        }
        EXPECT_EQ(expected, g_fake.calls);
        EXPECT_EQ(0, g_fake.open);
    }
    EXPECT_EQ(before + 2, outcomes()) << harness::LogText(folder, L"mute_tests");
}

}  // namespace
