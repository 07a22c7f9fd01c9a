#pragma once
// The hand-over files the launcher writes for the player in the folder Temp
// of the program folder: "<N>.txt" (one request: page address, then
// "\tparam=" or "\tsmallAccount=", then the parameter), "10001.txt" (the
// account token) and "10002.txt" (nick, "\tHeaderImagePath=", head image).
//
// On disk each is the UTF-16LE code units of its text, no byte-order mark,
// no terminator, written through a text-mode C runtime stream: every 0x0A
// byte (also one inside a code unit, as in U+0A0D or U+4E0A) is stored as
// 0x0D 0x0A. The reader reads the bytes as they are (a text-mode read would
// end at a 0x1A byte, which U+4E1A "业" holds), undoes exactly that
// translation and takes the code units up to the first zero unit, at most
// kHandOverMaxBytes of them; a last odd byte is dropped.
// Free functions and one writer object; any thread.
#include <cstdio>
#include <string>

constexpr wchar_t kHandOverFolder[] = L"Temp\\";
constexpr wchar_t kTokenFileName[] = L"10001.txt";
constexpr wchar_t kUserFileName[] = L"10002.txt";

// Markers inside the texts.
constexpr wchar_t kParamMarker[] = L"\tparam=";
constexpr wchar_t kSmallAccountMarker[] = L"\tsmallAccount=";
constexpr wchar_t kHeaderImageMarker[] = L"\tHeaderImagePath=";

// The most text bytes a reader takes from one file.
constexpr size_t kHandOverMaxBytes = 10240;

// "<programFolder>Temp\<name>"; programFolder ends with a backslash.
std::wstring HandOverFilePath(const std::wstring& programFolder, const std::wstring& fileName);
// "<programFolder>Temp\<N>.txt"
std::wstring HandOverRequestPath(const std::wstring& programFolder, unsigned requestNumber);

// The launcher's writer: Open truncates or creates the file as a text-mode
// stream ("w"); Write stores the text in one fwrite of 2-byte elements and
// closes the file. The destructor closes a file still open (then empty).
class HandOverFileWriter {
public:
    HandOverFileWriter() = default;
    ~HandOverFileWriter();
    HandOverFileWriter(const HandOverFileWriter&) = delete;
    HandOverFileWriter& operator=(const HandOverFileWriter&) = delete;

    // False when the file cannot be opened (the caller logs it).
    bool Open(const std::wstring& path);
    // False when nothing is open or not every code unit was written.
    bool Write(const std::wstring& text);

private:
    FILE* file_ = nullptr;
};

// Open and Write in one step.
bool WriteHandOverFile(const std::wstring& path, const std::wstring& text);

// The player's reader. False when the file cannot be opened (the caller
// logs it). A text longer than the cap is cut to it, with a Warning line.
bool ReadHandOverFile(const std::wstring& path, std::wstring* text);

// The text of the bytes a writer stored; *cut (when given) tells whether
// more than kHandOverMaxBytes of text bytes were there.
std::wstring DecodeHandOverBytes(const std::string& bytes, bool* cut);
