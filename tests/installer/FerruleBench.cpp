// Times the installer's extraction of one package file:
//   ferrule_bench.exe PACKAGE.7z FOLDER
// Prints "result=<code> read_ms=<n> extract_ms=<n>". Used by tools/bench-ferrule.sh.
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "ArchiveExtract.h"
#include "UniqueHandle.h"

namespace {

double NowMs() {
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool ReadWholeFile(const wchar_t* path, std::vector<char>* bytes) {
    UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return ::ReadFile(file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
           read == bytes->size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: ferrule_bench PACKAGE.7z FOLDER\n");
        return 2;
    }
    const double start = NowMs();
    std::vector<char> package;
    if (!ReadWholeFile(argv[1], &package)) {
        fprintf(stderr, "cannot read the package\n");
        return 2;
    }
    const double read = NowMs();
    const int result = ExtractArchive(argv[2], package.size(), package.data());
    const double done = NowMs();
    printf("result=%d read_ms=%.0f extract_ms=%.0f\n", result, read - start, done - read);
    return result == 0 ? 0 : 1;
}
