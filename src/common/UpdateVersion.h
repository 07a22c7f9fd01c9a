#pragma once
// The rules of the launcher's self-update check and download, without a
// window: version texts and their comparison, the update server's answer,
// the package file's place and the outcome of a download. Any thread.
#include <string>

// What the update dialogs hand on to one another (kept by the main window).
struct SelfUpdateInfo {
    std::wstring packageUrl;
    std::wstring newVersion;
    std::wstring packageFile;
};

// -1, 0 or 1 as a is older than, equal to or newer than b, each four
// dot-separated decimal numbers. A malformed a gives -1 (never newer); a
// malformed b, with a well-formed a, gives 1.
int CompareVersion(const std::wstring& a, const std::wstring& b);

// A version block's ProductVersion as a comparable text: blanks removed,
// ',' turned into '.'; an empty value gives "0.0.0.0".
std::wstring NormalizeProductVersion(const std::wstring& text);
// The normalised ProductVersion of a file's version block (first language of
// its translation table); "0.0.0.0" for a file without one.
std::wstring GetProductVersion(const std::wstring& filePath);

// The launcher's own version as its dialogs show it: "Vanta V" and the
// ProductVersion text of the running program.
std::wstring OwnVersionLabel();

// The update server's answer to "/version/get".
enum class VersionAnswer {
    Failed,    // no answer, not JSON, "success" missing or not true, "data" neither object nor null
    NoUpdate,  // a good answer that names no version or no package
    Offered,   // a good answer with a version and a package URL
};
// Reads body ({"success":true,"data":{"versionNo":..,"url":..}}); version and
// url receive what the answer names (texts in the ANSI code page). Logs why
// an answer failed.
VersionAnswer ParseVersionAnswer(const std::string& body, std::wstring* version, std::wstring* url);

// The folder of update packages: <programDir>\update\ (programDir without
// trailing backslash), and the package file for a tick count in ms.
std::wstring UpdatePackageFolder(const std::wstring& programDir);
std::wstring UpdatePackagePath(const std::wstring& folder, unsigned long tickMs);

// Result code of a package download once it is done: a download reported
// as done whose file is missing counts as kUpdateFileMissing.
constexpr int kUpdateFileMissing = 1000;
int CheckedDownloadResult(int result, const std::wstring& packageFile);

// The progress text of a percent ("42%"); false for values above 100, which
// leave the progress as it is.
bool UpdateProgressText(unsigned long percent, std::wstring* text);
