// The installer's steps on their own: configuration resources (from
// resource-only modules made by the build), the install folder, the package
// resource of Ferrule.exe and the registration of the stand-in plug-in.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "Harness.h"
#include "PluginInstaller.h"
#include "TestPaths.h"
#include "TestSupport.h"
#include "UniqueHandle.h"

using ferrule_test::ListTree;
using ferrule_test::RegistrationCount;
using ferrule_test::RegistrationOrder;

namespace {

UniqueModule LoadResources(const std::wstring& path) {
    return UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

UniqueModule LoadConfigModule(const wchar_t* name) {
    return LoadResources(std::wstring(FERRULE_CONFIG_MODULE_DIR) + L"\\config_" + name + L".dll");
}

std::wstring LocalAppData() {
    wchar_t buffer[MAX_PATH] = {};
    ::SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_LOCAL_APPDATA, TRUE);
    return buffer;
}

struct ConfigCase {
    const wchar_t* module;
    bool loads;
    const char* company;
    const char* product;
    const char* iePlugin;
    const char* npPlugin;
};

TEST(LoadConfig, ReadsTheConfigElementOrLeavesTheNamesEmpty) {
    const ConfigCase cases[] = {
        {L"both_plugins", true, "Brindle", "brdplayer", "npbrdplayer3.dll", "npbrdplayer3_np.dll"},
        // Later repeats win, other attributes and other cases of the names are skipped, entities decoded.
        {L"unusual", true, "布林德尔 & Co", "播放器", "", "np.dll"},
        {L"malformed", false, "", "", "", ""},
        {L"no_config_element", false, "", "", "", ""},
        {L"empty", false, "", "", "", ""},
        {L"missing", false, "", "", "", ""},
    };
    for (const ConfigCase& c : cases) {
        SCOPED_TRACE(harness::Narrow(c.module));
        UniqueModule module = LoadConfigModule(c.module);
        ASSERT_TRUE(module);
        PluginInstaller installer;
        installer.instance = module.get();
        EXPECT_EQ(c.loads, installer.LoadConfig());
        EXPECT_EQ(c.company, installer.CompanyName);
        EXPECT_EQ(c.product, installer.ProductName);
        EXPECT_EQ(c.iePlugin, installer.IEPluginFile);
        EXPECT_EQ(c.npPlugin, installer.NPPluginFile);
    }
}

TEST(LoadConfig, ShippedConfigurationOfFerrule) {
    UniqueModule ferrule = LoadResources(harness::ProgramDir() + L"\\Ferrule.exe");
    ASSERT_TRUE(ferrule);
    PluginInstaller installer;
    installer.instance = ferrule.get();
    EXPECT_TRUE(installer.LoadConfig());
    EXPECT_EQ("Brindle", installer.CompanyName);
    EXPECT_EQ("brdplayer", installer.ProductName);
    EXPECT_EQ("npbrdplayer3.dll", installer.IEPluginFile);
    EXPECT_EQ("", installer.NPPluginFile);
}

TEST(FerruleManifest, AsksForAdministratorAndNamesWindows7) {
    UniqueModule ferrule = LoadResources(harness::ProgramDir() + L"\\Ferrule.exe");
    ASSERT_TRUE(ferrule);
    HRSRC found = ::FindResourceW(ferrule.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(nullptr, found);
    HGLOBAL loaded = ::LoadResource(ferrule.get(), found);
    ASSERT_NE(nullptr, loaded);
    const std::string manifest(static_cast<const char*>(::LockResource(loaded)),
                               ::SizeofResource(ferrule.get(), found));
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, manifest.find("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"));  // Windows 7
}

TEST(PrepareInstallFolder, IsUnderLocalAppDataAndNotCreated) {
    const std::wstring base = LocalAppData();
    ASSERT_FALSE(base.empty());
    PluginInstaller installer;
    installer.CompanyName = "Brindle";
    installer.ProductName = "prepare_test";
    EXPECT_TRUE(installer.PrepareInstallFolder());
    EXPECT_EQ(base + L"\\Brindle\\prepare_test\\", installer.installFolder);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(installer.installFolder.c_str()));

    installer.CompanyName = "布林德尔";
    installer.ProductName = "播放器";
    EXPECT_TRUE(installer.PrepareInstallFolder());
    EXPECT_EQ(base + L"\\布林德尔\\播放器\\", installer.installFolder);
}

TEST(PrepareInstallFolder, MissingOrBrokenConfigurationGivesThreeBackslashes) {
    for (const wchar_t* name : {L"missing", L"malformed"}) {
        UniqueModule module = LoadConfigModule(name);
        ASSERT_TRUE(module);
        PluginInstaller installer;
        installer.instance = module.get();
        EXPECT_FALSE(installer.LoadConfig());
        EXPECT_TRUE(installer.PrepareInstallFolder());
        EXPECT_EQ(LocalAppData() + L"\\\\\\", installer.installFolder) << harness::Narrow(name);
    }
}

TEST(ExtractPackage, ExtractsFerrulesPackageOrFailsWithoutOne) {
    UniqueModule ferrule = LoadResources(harness::ProgramDir() + L"\\Ferrule.exe");
    ASSERT_TRUE(ferrule);
    PluginInstaller installer;
    installer.instance = ferrule.get();
    installer.installFolder = harness::MakeScratchDir(L"ferrule_extract_package") + L"\\Brindle\\brdplayer\\";
    EXPECT_TRUE(installer.ExtractPackage());
    EXPECT_EQ(harness::ReadFileBytes(std::wstring(FERRULE_PACKAGE_STAGE_DIR) + L"\\readme.txt"),
              harness::ReadFileBytes(installer.installFolder + L"readme.txt"));

    UniqueModule noPackage = LoadConfigModule(L"both_plugins");
    ASSERT_TRUE(noPackage);
    installer.instance = noPackage.get();
    installer.installFolder = harness::MakeScratchDir(L"ferrule_extract_none") + L"\\";
    EXPECT_FALSE(installer.ExtractPackage());
    EXPECT_TRUE(ListTree(installer.installFolder).empty());
}

class RegisterPluginsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = harness::MakeScratchDir(L"ferrule_register") + L"\\";
        ASSERT_TRUE(::CopyFileW(FERRULE_PLUGIN_DLL, (folder_ + L"npbrdplayer3.dll").c_str(), FALSE));
        ASSERT_TRUE(::CopyFileW(FERRULE_PLUGIN_DLL, (folder_ + L"second.dll").c_str(), FALSE));
        const std::wstring noExport = std::wstring(FERRULE_CONFIG_MODULE_DIR) + L"\\config_missing.dll";
        ASSERT_TRUE(::CopyFileW(noExport.c_str(), (folder_ + L"noexport.dll").c_str(), FALSE));
        installer_.installFolder = folder_;
    }

    // Registers with the given names; returns the result and how many times
    // each of the two stand-in copies was registered by it.
    bool Register(const char* ie, const char* np, DWORD* firstCalls, DWORD* secondCalls) {
        const DWORD first = RegistrationCount(folder_ + L"npbrdplayer3.dll");
        const DWORD second = RegistrationCount(folder_ + L"second.dll");
        installer_.IEPluginFile = ie;
        installer_.NPPluginFile = np;
        const bool ok = installer_.RegisterPlugins();
        *firstCalls = RegistrationCount(folder_ + L"npbrdplayer3.dll") - first;
        *secondCalls = RegistrationCount(folder_ + L"second.dll") - second;
        return ok;
    }

    std::wstring folder_;
    PluginInstaller installer_;
};

TEST_F(RegisterPluginsTest, EmptyNameCountsAsDone) {
    DWORD first = 0, second = 0;
    EXPECT_TRUE(Register("npbrdplayer3.dll", "", &first, &second));
    EXPECT_EQ(1u, first);
    EXPECT_EQ(0u, second);
    EXPECT_TRUE(Register("", "", &first, &second));
    EXPECT_EQ(0u, first + second);
}

TEST_F(RegisterPluginsTest, BothAreRegisteredInOrder) {
    DWORD first = 0, second = 0;
    EXPECT_TRUE(Register("npbrdplayer3.dll", "second.dll", &first, &second));
    EXPECT_EQ(1u, first);
    EXPECT_EQ(1u, second);
    EXPECT_LT(RegistrationOrder(folder_ + L"npbrdplayer3.dll"), RegistrationOrder(folder_ + L"second.dll"));
    // The names swapped: IEPluginFile still goes first.
    EXPECT_TRUE(Register("second.dll", "npbrdplayer3.dll", &first, &second));
    EXPECT_LT(RegistrationOrder(folder_ + L"second.dll"), RegistrationOrder(folder_ + L"npbrdplayer3.dll"));
}

// Without an install folder the package lands in the current folder: the
// plug-in registered is the one there, never a same-named DLL found along
// the search path.
TEST_F(RegisterPluginsTest, WithoutAnInstallFolderTheCopyInTheCurrentFolderIsLoaded) {
    const std::wstring decoyDir = harness::MakeScratchDir(L"ferrule_register_decoy");
    const std::wstring decoy = decoyDir + L"\\npbrdplayer3.dll";
    ASSERT_TRUE(::CopyFileW(FERRULE_PLUGIN_DLL, decoy.c_str(), FALSE));
    wchar_t saved[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetCurrentDirectoryW(MAX_PATH, saved));
    ASSERT_TRUE(::SetCurrentDirectoryW(folder_.c_str()));
    ASSERT_TRUE(::SetDllDirectoryW(decoyDir.c_str()));  // searched where the current folder was
    installer_.installFolder.clear();
    DWORD first = 0, second = 0;
    const DWORD decoyBefore = RegistrationCount(decoy);
    const bool ok = Register("npbrdplayer3.dll", "", &first, &second);
    ::SetDllDirectoryW(nullptr);
    ::SetCurrentDirectoryW(saved);
    EXPECT_TRUE(ok);
    EXPECT_EQ(1u, first);
    EXPECT_EQ(decoyBefore, RegistrationCount(decoy));
}

TEST_F(RegisterPluginsTest, MissingFileOrExportFailsButTheOtherIsRegistered) {
    DWORD first = 0, second = 0;
    EXPECT_FALSE(Register("npbrdplayer3.dll", "absent.dll", &first, &second));
    EXPECT_EQ(1u, first);
    EXPECT_FALSE(Register("noexport.dll", "second.dll", &first, &second));
    EXPECT_EQ(1u, second);
}

TEST(Utf8ToWide, ConvertsOrReportsNothingToConvert) {
    std::wstring wide = L"old";
    EXPECT_FALSE(PluginInstaller::Utf8ToWide("", &wide));
    EXPECT_EQ(L"", wide);
    EXPECT_TRUE(PluginInstaller::Utf8ToWide("npbrdplayer3.dll", &wide));
    EXPECT_EQ(L"npbrdplayer3.dll", wide);
    EXPECT_TRUE(PluginInstaller::Utf8ToWide("播放器 \xF0\x9F\x8E\xAE", &wide));
    EXPECT_EQ(L"播放器 \U0001F3AE", wide);
}

}  // namespace
