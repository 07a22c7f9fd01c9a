#pragma once
// A test's own view of an SQLite file through sqlite3.dll itself (bound at
// run time, as the programs bind it), so a test sees what is stored, not
// what the program's database class makes of it.
#include <windows.h>

#include <string>
#include <vector>

#include "sqlite3.h"

namespace harness {

class RawDb {
public:
    explicit RawDb(const std::string& utf8Path);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    bool Ok() const { return db_ != nullptr; }
    // Runs statements; SQLite's result code.
    int Exec(const std::string& sql);
    // The first row of the query, each cell as text ("<null>" for NULL);
    // empty when no row, {"<error>"} when the query failed.
    std::vector<std::string> Row(const std::string& sql);
    // The first cell of the first row; "<no row>" when none.
    std::string Cell(const std::string& sql);

private:
    template <typename Fn>
    Fn Entry(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    HMODULE module_ = nullptr;
    sqlite3* db_ = nullptr;
    decltype(&sqlite3_open) open_ = nullptr;
    decltype(&sqlite3_close) close_ = nullptr;
    decltype(&sqlite3_exec) exec_ = nullptr;
    decltype(&sqlite3_get_table) getTable_ = nullptr;
    decltype(&sqlite3_free_table) freeTable_ = nullptr;
};

}  // namespace harness
