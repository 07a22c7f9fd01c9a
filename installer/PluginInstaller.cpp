#include "PluginInstaller.h"

#include <shlobj.h>
#include <limits.h>
#include <string.h>

#include <vector>

#include "ArchiveExtract.h"
#include "UniqueHandle.h"
#include "rapidxml.hpp"

namespace {

constexpr int kPackageResourceId = 129;
constexpr int kConfigResourceId = 130;
constexpr size_t kFolderBufferChars = 4096;

// The bytes of one resource of a module, locked while the object lives.
class ResourceBytes {
public:
    ResourceBytes() = default;
    ~ResourceBytes() {
        if (loaded_) ::FreeResource(loaded_);
    }
    ResourceBytes(const ResourceBytes&) = delete;
    ResourceBytes& operator=(const ResourceBytes&) = delete;

    // false when the resource is missing, empty or cannot be locked.
    bool Load(HMODULE module, const wchar_t* type, int id) {
        HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
        if (!found) return false;
        size_ = ::SizeofResource(module, found);
        if (size_ == 0) return false;
        loaded_ = ::LoadResource(module, found);
        if (!loaded_) return false;
        data_ = static_cast<const char*>(::LockResource(loaded_));
        return data_ != nullptr;
    }
    const char* data() const { return data_; }
    DWORD size() const { return size_; }

private:
    HGLOBAL loaded_ = nullptr;
    const char* data_ = nullptr;
    DWORD size_ = 0;
};

// Balances a successful OleInitialize.
class OleScope {
public:
    OleScope() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleScope() {
        if (ok_) ::OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};

using RegisterServerFn = HRESULT(WINAPI*)();

// true when the DLL at path was loaded and its DllRegisterServer called
// (whatever it returned). An empty file name needs nothing. A relative path
// (no install folder: the package went to the current folder) is made full
// first, so the DLL is never looked for along the search path.
bool RegisterPlugin(const std::string& fileName, const std::wstring& path) {
    if (fileName.empty()) return true;
    const DWORD room = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (room == 0) return false;
    std::vector<wchar_t> full(room, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), room, full.data(), nullptr);
    if (length == 0 || length >= room) return false;
    UniqueModule module(::LoadLibraryW(full.data()));
    if (!module) return false;
    FARPROC proc = ::GetProcAddress(module.get(), "DllRegisterServer");
    if (!proc) return false;
    reinterpret_cast<RegisterServerFn>(reinterpret_cast<void (*)()>(proc))();
    return true;
}

std::wstring Wide(const std::string& utf8) {
    std::wstring wide;
    static_cast<void>(PluginInstaller::Utf8ToWide(utf8, &wide));
    return wide;
}

}  // namespace

bool PluginInstaller::LoadConfig() noexcept try {
    ResourceBytes resource;
    if (!resource.Load(instance, L"CONFIG", kConfigResourceId)) return false;
    rapidxml::xml_document<> doc;
    char* text = doc.allocate_string(nullptr, resource.size() + 1);
    memcpy(text, resource.data(), resource.size());
    text[resource.size()] = '\0';
    doc.parse<0>(text);
    const rapidxml::xml_node<>* config = doc.first_node("Config");
    if (!config) return false;
    struct Field {
        const char* name;
        std::string* value;
    };
    const Field fields[] = {{"CompanyName", &CompanyName},
                            {"ProductName", &ProductName},
                            {"IEPluginFile", &IEPluginFile},
                            {"NPPluginFile", &NPPluginFile}};
    for (auto* attr = config->first_attribute(); attr; attr = attr->next_attribute()) {
        for (const Field& field : fields) {
            if (strlen(field.name) == attr->name_size() && memcmp(field.name, attr->name(), attr->name_size()) == 0)
                field.value->assign(attr->value(), attr->value_size());
        }
    }
    return true;
} catch (...) {
    return false;  // rapidxml::parse_error, or no memory for the copy
}

bool PluginInstaller::PrepareInstallFolder() noexcept try {
    std::vector<wchar_t> buffer(kFolderBufferChars, L'\0');
    ::SHGetSpecialFolderPathW(nullptr, buffer.data(), CSIDL_LOCAL_APPDATA, TRUE);
    buffer.back() = L'\0';
    std::wstring folder(buffer.data());
    if (folder.empty()) return false;
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    installFolder = folder + Wide(CompanyName) + L'\\' + Wide(ProductName) + L'\\';
    return true;
} catch (...) {
    return false;
}

bool PluginInstaller::ExtractPackage() noexcept {
    ResourceBytes resource;
    if (!resource.Load(instance, L"PACKAGE", kPackageResourceId)) return false;
    return ExtractArchive(installFolder.c_str(), resource.size(), resource.data()) == kExtractOk;
}

bool PluginInstaller::RegisterPlugins() noexcept try {
    const std::wstring iePath = installFolder + Wide(IEPluginFile);
    const std::wstring npPath = installFolder + Wide(NPPluginFile);
    OleScope ole;
    if (!ole.ok()) return false;
    const bool ieDone = RegisterPlugin(IEPluginFile, iePath);
    const bool npDone = RegisterPlugin(NPPluginFile, npPath);
    return ieDone && npDone;
} catch (...) {
    return false;
}

bool PluginInstaller::Utf8ToWide(const std::string& narrow, std::wstring* wide) noexcept try {
    wide->clear();
    if (narrow.size() > INT_MAX) return false;
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
    if (length <= 0) return false;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, narrow.data(), static_cast<int>(narrow.size()), buffer.data(), length);
    wide->assign(buffer.data(), static_cast<size_t>(length));
    return true;
} catch (...) {
    return false;
}
