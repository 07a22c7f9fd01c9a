#include "MixerMute.h"

#include "LogWriter.h"

namespace {

// The records as the 32-bit system lays them out.
static_assert(sizeof(void*) == 8 || sizeof(MIXERLINEW) == 280, "MIXERLINEW");
static_assert(sizeof(void*) == 8 || sizeof(MIXERLINECONTROLSW) == 24, "MIXERLINECONTROLSW");
static_assert(sizeof(void*) == 8 || sizeof(MIXERCONTROLW) == 228, "MIXERCONTROLW");
static_assert(sizeof(void*) == 8 || sizeof(MIXERCONTROLDETAILS) == 24, "MIXERCONTROLDETAILS");

const MixerApi kSystemMixer = {&mixerOpen, &mixerGetLineInfoW, &mixerGetLineControlsW, &mixerSetControlDetails,
                               &mixerClose};
const MixerApi* g_mixer = &kSystemMixer;

// An open mixer, closed when it goes out of scope.
class OpenMixer {
public:
    explicit OpenMixer(const MixerApi& api) : api_(api) { result_ = api_.open(&mixer_, 0, 0, 0, 0); }
    ~OpenMixer() {
        if (result_ == MMSYSERR_NOERROR) api_.close(mixer_);
    }
    OpenMixer(const OpenMixer&) = delete;
    OpenMixer& operator=(const OpenMixer&) = delete;

    MMRESULT Result() const { return result_; }
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(mixer_); }

private:
    const MixerApi& api_;
    HMIXER mixer_ = nullptr;
    MMRESULT result_ = MMSYSERR_ERROR;
};

}  // namespace

void SetMixerApiForTest(const MixerApi* api) { g_mixer = api ? api : &kSystemMixer; }

bool SetMixerMute(bool mute, DWORD componentType) {
    const MixerApi& api = *g_mixer;
    OpenMixer mixer(api);
    if (mixer.Result() != MMSYSERR_NOERROR) {
        LOG_WARNING(L"mute=%d type=%u: mixerOpen failed, rv=%u", mute ? 1 : 0, componentType, mixer.Result());
        return false;
    }
    MIXERLINEW line = {};
    line.cbStruct = sizeof(line);
    line.dwComponentType = componentType;
    MMRESULT result = api.getLineInfo(mixer.Object(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE);
    if (result != MMSYSERR_NOERROR) {
        LOG_DEBUG(L"mute=%d type=%u: no such line, rv=%u", mute ? 1 : 0, componentType, result);
        return false;
    }
    MIXERCONTROLW control = {};
    MIXERLINECONTROLSW controls = {};
    controls.cbStruct = sizeof(controls);
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof(control);
    controls.pamxctrl = &control;
    result = api.getLineControls(mixer.Object(), &controls, MIXER_GETLINECONTROLSF_ONEBYTYPE);
    if (result != MMSYSERR_NOERROR) {
        LOG_DEBUG(L"mute=%d type=%u: the line has no mute control, rv=%u", mute ? 1 : 0, componentType, result);
        return false;
    }
    MIXERCONTROLDETAILS_BOOLEAN value = {};
    value.fValue = mute ? 1 : 0;
    MIXERCONTROLDETAILS details = {};
    details.cbStruct = sizeof(details);
    details.dwControlID = control.dwControlID;
    details.cChannels = 1;
    details.cMultipleItems = 0;
    details.cbDetails = sizeof(value);
    details.paDetails = &value;
    result = api.setControlDetails(mixer.Object(), &details, MIXER_SETCONTROLDETAILSF_VALUE);
    if (result != MMSYSERR_NOERROR) {
        LOG_WARNING(L"mute=%d type=%u: mixerSetControlDetails failed, rv=%u", mute ? 1 : 0, componentType, result);
        return false;
    }
    LOG_INFO(L"mute=%d type=%u: set", mute ? 1 : 0, componentType);
    return true;
}
