#pragma once
// Installs the browser plug-in for the current user: reads the configuration
// resource, works out the install folder under the local application data,
// extracts the package resource there and registers the plug-in DLLs.
// Used from the program's main thread only; nothing is reported anywhere.
#include <windows.h>

#include <string>

class PluginInstaller {
public:
    PluginInstaller() = default;
    virtual ~PluginInstaller() = default;
    PluginInstaller(const PluginInstaller&) = delete;
    PluginInstaller& operator=(const PluginInstaller&) = delete;

    // Fills the four names from resource "CONFIG"/130 of instance.
    [[nodiscard]] bool LoadConfig() noexcept;
    // installFolder = <local application data>\<CompanyName>\<ProductName>\ (not created here).
    [[nodiscard]] bool PrepareInstallFolder() noexcept;
    // Extracts resource "PACKAGE"/129 of instance into installFolder.
    [[nodiscard]] bool ExtractPackage() noexcept;
    // Calls DllRegisterServer of both plug-in DLLs in installFolder (an empty name counts as done).
    [[nodiscard]] bool RegisterPlugins() noexcept;

    [[nodiscard]] static bool Utf8ToWide(const std::string& narrow, std::wstring* wide) noexcept;

    HINSTANCE instance = nullptr;  // the module holding the resources; not owned
    std::wstring installFolder;
    // UTF-8, from the configuration.
    std::string CompanyName;
    std::string ProductName;
    std::string IEPluginFile;
    std::string NPPluginFile;
};
