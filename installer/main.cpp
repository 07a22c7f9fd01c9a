// Ferrule: installs the browser plug-in carried in its own resources for the
// current user. Shows nothing, ignores its command line and always exits with 0.
#include <windows.h>

#include "PluginInstaller.h"

PluginInstaller Installer;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Installer.instance = instance;
    // Each step runs whatever the one before it achieved; nothing is reported.
    static_cast<void>(Installer.LoadConfig());
    static_cast<void>(Installer.PrepareInstallFolder());
    static_cast<void>(Installer.ExtractPackage());
    static_cast<void>(Installer.RegisterPlugins());
    return 0;
}
