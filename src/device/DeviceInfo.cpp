#include "DeviceInfo.h"

#include "LogWriter.h"

#include <oleauto.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr size_t kCardNameChars = 63;
constexpr size_t kCardEntryChars = 79;
constexpr size_t kOsChars = 63;
constexpr DWORD kCpuNameBytes = 128;
// WMI enumerators are asked for one object at a time, never without a bound.
constexpr long kWmiNextTimeoutMs = 10000;
constexpr ULONGLONG kGiB = 1ull << 30;

const CLSID kClsidWbemLocator = {0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const IID kIidWbemLocator = {0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

std::wstring Format(const wchar_t* format, ...) {
    wchar_t buffer[256];
    va_list args;
    va_start(args, format);
    int n = vswprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), format, args);
    va_end(args);
    return n >= 0 ? std::wstring(buffer) : std::wstring();
}

std::wstring Cut(const std::wstring& text, size_t maxChars) {
    return text.size() > maxChars ? text.substr(0, maxChars) : text;
}

std::wstring Quoted(const wchar_t* key, const std::wstring& value) {
    return std::wstring(L"\"") + key + L"\":\"" + CDeviceInfo::JsonEscape(value) + L"\"";
}

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return value_; }

private:
    BSTR value_;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* Out() {
        VariantClear(&value_);
        return &value_;
    }
    const VARIANT& Get() const { return value_; }
    VARIANT* Ptr() { return &value_; }

private:
    VARIANT value_;
};

class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (key_) RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// A property of a WMI object read as a number or as text; false when the
// object has no such value (or it is null).
bool ReadUnsigned(IWbemClassObject* object, const wchar_t* name, unsigned* value) {
    Variant v;
    if (FAILED(object->Get(name, 0, v.Out(), nullptr, nullptr))) return false;
    // WMI hands 32-bit unsigned properties over as VT_I4: take the bits as they are.
    if (v.Get().vt == VT_I4 || v.Get().vt == VT_UI4) {
        *value = v.Get().ulVal;
        return true;
    }
    Variant asNumber;
    if (FAILED(VariantChangeType(asNumber.Out(), v.Ptr(), 0, VT_UI4))) return false;
    *value = asNumber.Get().ulVal;
    return true;
}

bool ReadText(IWbemClassObject* object, const wchar_t* name, std::wstring* value) {
    Variant v;
    if (FAILED(object->Get(name, 0, v.Out(), nullptr, nullptr))) return false;
    if (v.Get().vt != VT_BSTR || !v.Get().bstrVal) return false;
    value->assign(v.Get().bstrVal, SysStringLen(v.Get().bstrVal));
    return true;
}

// Runs the WQL query; logs and returns false when WMI refuses it.
bool Query(IWbemServices* services, const wchar_t* wql, ComPtr<IEnumWbemClassObject>& rows) {
    Bstr language(L"WQL");
    Bstr text(wql);
    HRESULT hr = services->ExecQuery(language.Get(), text.Get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                     nullptr, rows.AddressOf());
    if (FAILED(hr)) {
        LOG_ERROR(L"WNI API: Query for processes failed, rv=%u", static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

// The next object, or false at the end, on failure or when WMI takes too long.
bool NextRow(IEnumWbemClassObject* rows, ComPtr<IWbemClassObject>& object) {
    ULONG returned = 0;
    HRESULT hr = rows->Next(kWmiNextTimeoutMs, 1, object.AddressOf(), &returned);
    if (hr == WBEM_S_TIMEDOUT) LOG_ERROR(L"WNI API: no answer within %ld ms", kWmiNextTimeoutMs);
    return hr == WBEM_S_NO_ERROR && returned == 1 && object;
}

// The card's name and size, or false when the card is not available.
bool DescribeCard(IWbemClassObject* card, std::wstring* name, unsigned* ram) {
    unsigned availability = 0;
    if (ReadUnsigned(card, L"Availability", &availability)) {
        LOG_DEBUG(L"WNI API: Availability=%u", availability);
        std::wstring status;
        if (availability != 3 && ReadText(card, L"Status", &status)) {
            LOG_DEBUG(L"WNI API: Status=%s", status.c_str());
            if (status != L"OK") return false;
        }
    }
    *ram = 0;
    if (ReadUnsigned(card, L"AdapterRAM", ram)) LOG_DEBUG(L"WNI API: AdapterRAM=%u", *ram);
    name->clear();
    if (ReadText(card, L"Description", name)) LOG_DEBUG(L"WNI API: Description=%s", name->c_str());
    if (name->empty() && ReadText(card, L"Model", name)) LOG_DEBUG(L"WNI API: Model=%s", name->c_str());
    return true;
}

}  // namespace

CDeviceInfo::WmiSession::~WmiSession() {
    services.Reset();
    locator.Reset();
    if (comInitialized) CoUninitialize();
}

std::wstring CDeviceInfo::JsonEscape(const std::wstring& value) {
    std::wstring out;
    out.reserve(value.size());
    for (wchar_t c : value) {
        if (c == L'"' || c == L'\\') {
            out += L'\\';
            out += c;
        } else if (c < 0x20) {
            wchar_t code[8];
            swprintf(code, sizeof(code) / sizeof(code[0]), L"\\u%04x", static_cast<unsigned>(c));
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring CDeviceInfo::MemoryItem(ULONGLONG totalBytes) {
    int gb = static_cast<int>(static_cast<double>(totalBytes) / static_cast<double>(kGiB) + 0.5);
    return Format(L"\"memory\":\"%d GB\"", gb);
}

std::wstring CDeviceInfo::VideoCardSizeText(unsigned adapterRamBytes) {
    if (adapterRamBytes < 0x40000000u) return Format(L"%u MB", adapterRamBytes >> 20);
    return Format(L"%u GB", adapterRamBytes >> 30);
}

void CDeviceInfo::AppendVideoCard(std::wstring& list, const std::wstring& name, unsigned adapterRamBytes) {
    std::wstring entry = Cut(Cut(name, kCardNameChars) + L" " + VideoCardSizeText(adapterRamBytes), kCardEntryChars);
    if (!list.empty()) list += L",";
    list += entry;
}

std::wstring CDeviceInfo::OsText(const std::wstring& caption, const std::wstring& servicePack) {
    return Cut(servicePack.empty() ? caption : caption + L" " + servicePack, kOsChars);
}

std::wstring CDeviceInfo::GetCpuInfo() {
    RegKey key;
    LSTATUS rv = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                               KEY_QUERY_VALUE, key.Out());
    if (rv != ERROR_SUCCESS) {
        LOG_ERROR(L"RegOpenKeyEx failed for GetCpuInfo, rv=%u", static_cast<unsigned>(rv));
        return {};
    }
    // 128 bytes of value and one more character that is always the terminator.
    wchar_t name[kCpuNameBytes / sizeof(wchar_t) + 1] = {};
    DWORD cb = kCpuNameBytes;
    DWORD type = 0;
    rv = RegQueryValueExW(key.Get(), L"ProcessorNameString", nullptr, &type, reinterpret_cast<BYTE*>(name), &cb);
    if (rv == ERROR_SUCCESS && type != REG_SZ) rv = ERROR_INVALID_DATA;
    if (rv != ERROR_SUCCESS) {
        LOG_ERROR(L"RegQueryValueEx failed for GetCpuInfo, rv=%u", static_cast<unsigned>(rv));
        return {};
    }
    return Quoted(L"cpu", name);
}

std::wstring CDeviceInfo::GetMemoryInfo() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) {
        LOG_DEBUG(L"GlobalMemoryStatusEx failed, lasterr=%u", GetLastError());
        return {};
    }
    std::wstring item = MemoryItem(status.ullTotalPhys);
    LOG_DEBUG(L"mem capacity %s", item.c_str());
    return item;
}

std::vector<CDeviceInfo::DriveSample> CDeviceInfo::ReadDrives() {
    std::vector<DriveSample> samples;
    DWORD needed = GetLogicalDriveStringsW(0, nullptr);
    if (needed == 0) {
        LOG_ERROR(L"GetLogicalDriveStrings failed, lasterr=%u", GetLastError());
        return samples;
    }
    std::vector<wchar_t> names(needed + 1, L'\0');
    DWORD got = GetLogicalDriveStringsW(static_cast<DWORD>(names.size()), names.data());
    if (got == 0 || got >= names.size()) return samples;  // the drives changed between the calls
    for (const wchar_t* root = names.data(); *root; root += wcslen(root) + 1) {
        ULARGE_INTEGER freeToCaller = {}, total = {};
        DriveSample s = {root[0], GetDriveTypeW(root), false, 0, 0};
        s.ok = GetDiskFreeSpaceExW(root, &freeToCaller, &total, nullptr) != FALSE;
        if (s.ok) {
            s.totalBytes = total.QuadPart;
            s.freeBytes = freeToCaller.QuadPart;
        }
        samples.push_back(s);
    }
    return samples;
}

int CDeviceInfo::GetHardDiskFreeSize() {
    ULONGLONG sum = 0;
    for (const DriveSample& s : ReadDrives()) sum += s.freeBytes;
    unsigned gb = static_cast<unsigned>(sum / 1000 / 1000 / 1000);
    LOG_DEBUG(L"harddisk free size: %u GB", gb);
    return static_cast<int>(gb);
}

wchar_t CDeviceInfo::PickDrives(const std::vector<DriveSample>& samples, std::vector<LogicalDiskInfo>& drives) {
    wchar_t best = 0;
    ULONGLONG bestFree = 0;
    for (const DriveSample& s : samples) {
        // Ties keep the earlier drive; every drive type competes.
        if (s.freeBytes > bestFree) {
            best = s.letter;
            bestFree = s.freeBytes;
        }
        float totalGB = static_cast<float>(s.totalBytes >> 30);
        if (s.type != DRIVE_CDROM && totalGB > 1.0f) {
            drives.push_back({totalGB, static_cast<float>(static_cast<double>(s.freeBytes) / kGiB), s.letter});
        } else {
            LOG_DEBUG(L"Skiped Logical disk=%c:\\, total=%.0f GB, type=%u", s.letter, totalGB, s.type);
        }
    }
    LOG_DEBUG(L"max free partition %c:\\ %u GB", best ? best : L'?', static_cast<unsigned>(bestFree / kGiB));
    return best;
}

wchar_t CDeviceInfo::GetLogicalDiskPartition(std::vector<LogicalDiskInfo>& drives) {
    return PickDrives(ReadDrives(), drives);
}

int CDeviceInfo::OpenWMIAPI(WmiSession& session) {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        LOG_ERROR(L"CoInitializeEx failed, rv=%u", static_cast<unsigned>(hr));
        return 1;
    }
    session.comInitialized = true;
    hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                              nullptr, EOAC_NONE, nullptr);
    // Security can be set once per process: a second call finds it set already.
    if (FAILED(hr) && hr != RPC_E_TOO_LATE) {
        LOG_ERROR(L"CoInitializeSecurity failed, rv=%u", static_cast<unsigned>(hr));
        return 2;
    }
    hr = CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER, kIidWbemLocator,
                          session.locator.AddressOfVoid());
    if (FAILED(hr)) {
        LOG_ERROR(L"Failed to create IWbemLocator object, rv=%u", static_cast<unsigned>(hr));
        return 3;
    }
    Bstr ns(L"ROOT\\CIMV2");
    hr = session.locator->ConnectServer(ns.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                        session.services.AddressOf());
    if (FAILED(hr)) {
        LOG_ERROR(L"WNI API: Could not connect to 'root\\cimv2', rv=%u", static_cast<unsigned>(hr));
        return 4;
    }
    LOG_DEBUG(L"WNI API: Connected to ROOT\\CIMV2 WMI namespace");
    hr = CoSetProxyBlanket(session.services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                           RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(hr)) {
        LOG_ERROR(L"WNI API: Could not set proxy blanket, rv=%u", static_cast<unsigned>(hr));
        return 5;
    }
    return 0;
}

bool CDeviceInfo::VideoCard_WMIAPI(WmiSession& session, std::wstring& item) {
    ComPtr<IEnumWbemClassObject> rows;
    if (!Query(session.services.Get(), L"SELECT * FROM Win32_VideoController", rows)) return false;
    std::wstring list;
    ComPtr<IWbemClassObject> card;
    while (NextRow(rows.Get(), card)) {
        std::wstring name;
        unsigned ram = 0;
        if (DescribeCard(card.Get(), &name, &ram)) AppendVideoCard(list, name, ram);
    }
    item = Quoted(L"videoCard", list);
    return true;
}

bool CDeviceInfo::OS_WMIAPI(WmiSession& session, std::wstring& item) {
    ComPtr<IEnumWbemClassObject> rows;
    if (!Query(session.services.Get(), L"SELECT * FROM Win32_OperatingSystem", rows)) return false;
    ComPtr<IWbemClassObject> os;
    item.clear();
    if (!NextRow(rows.Get(), os)) return true;
    std::wstring caption, servicePack;
    if (ReadText(os.Get(), L"Caption", &caption)) LOG_DEBUG(L"WNI API: Caption=%s", caption.c_str());
    if (ReadText(os.Get(), L"CSDVersion", &servicePack)) LOG_DEBUG(L"WNI API: CSDVersion=%s", servicePack.c_str());
    item = Quoted(L"os", OsText(caption, servicePack));
    return true;
}

void CDeviceInfo::GetSystemInfo(std::wstring& text) {
    WmiSession session;
    if (OpenWMIAPI(session) != 0) return;
    std::wstring cpu = GetCpuInfo();
    std::wstring memory = GetMemoryInfo();
    std::wstring video, os;
    if (!VideoCard_WMIAPI(session, video)) video.clear();
    std::wstring disk = Format(L"\"harddisk\":\"%d GB\"", GetHardDiskFreeSize());
    if (!OS_WMIAPI(session, os)) os.clear();
    text = L"{" + cpu + L"," + memory + L"," + video + L"," + disk + L"," + os + L"}";
    LOG_DEBUG(L"SysInfoJson=%s", text.c_str());
}
