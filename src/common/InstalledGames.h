#pragma once
// CInstalledGames: where a game is installed and whether it is. With a café
// client the café's TesselPkgPath.dll (loaded from the program folder on
// first use and kept) maps a package id to the game's folder, and answers
// are cached for the process; without one the local game table decides.
// Window thread.
#include <windows.h>

#include <map>
#include <string>

#include "GlobalFunc.h"
#include "UniqueHandle.h"

class CLocalDB;

class CInstalledGames {
public:
    CInstalledGames(const std::wstring& programFolder, CLocalDB& localDb);
    ~CInstalledGames();
    CInstalledGames(const CInstalledGames&) = delete;
    CInstalledGames& operator=(const CInstalledGames&) = delete;

    void SetNoCafeClient(bool noCafeClient) { noCafeClient_ = noCafeClient; }

    // The café client's folder of the package; path is left as it was when
    // the library or the package gives none.
    void GetGamePathByPkgId(int pkgId, CStringW& path);
    // -1 invalid id, 0 not installed, 1 installed.
    int IsGameInstalledLocal(int gameId);

private:
    bool LoadLibraryOnce();

    const std::wstring programFolder_;
    CLocalDB& localDb_;  // not owned (the main window's context)
    bool noCafeClient_ = false;
    UniqueModule library_;
    std::map<int, int> installedCache_;
};
