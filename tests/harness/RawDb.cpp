#include "RawDb.h"

namespace harness {

RawDb::RawDb(const std::string& utf8Path) {
    module_ = LoadLibraryW(L"sqlite3.dll");
    if (!module_) return;
    open_ = Entry<decltype(&sqlite3_open)>("sqlite3_open");
    close_ = Entry<decltype(&sqlite3_close)>("sqlite3_close");
    exec_ = Entry<decltype(&sqlite3_exec)>("sqlite3_exec");
    getTable_ = Entry<decltype(&sqlite3_get_table)>("sqlite3_get_table");
    freeTable_ = Entry<decltype(&sqlite3_free_table)>("sqlite3_free_table");
    if (open_ && close_ && exec_ && getTable_ && freeTable_ && open_(utf8Path.c_str(), &db_) != SQLITE_OK) {
        close_(db_);
        db_ = nullptr;
    }
}

RawDb::~RawDb() {
    if (db_) close_(db_);
    if (module_) FreeLibrary(module_);
}

int RawDb::Exec(const std::string& sql) { return db_ ? exec_(db_, sql.c_str(), nullptr, nullptr, nullptr) : -1; }

std::vector<std::string> RawDb::Row(const std::string& sql) {
    std::vector<std::string> row;
    char** table = nullptr;
    int rows = 0, columns = 0;
    if (!db_ || getTable_(db_, sql.c_str(), &table, &rows, &columns, nullptr) != SQLITE_OK) return {"<error>"};
    for (int c = 0; rows > 0 && c < columns; ++c) row.push_back(table[columns + c] ? table[columns + c] : "<null>");
    freeTable_(table);
    return row;
}

std::string RawDb::Cell(const std::string& sql) {
    std::vector<std::string> row = Row(sql);
    return row.empty() ? "<no row>" : row[0];
}

}  // namespace harness
