#include "sqlite_helper.h"

#include "LogWriter.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kSqliteConstraint = 19;

std::string FormatSql(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    // Every statement formatted here holds only numbers and fits easily.
    return (n >= 0 && static_cast<size_t>(n) < sizeof(buffer)) ? std::string(buffer) : std::string();
}

bool DebugEnabled() { return (LogWriter::GetInstance()->levelMask & LOG_LEVEL_DEBUG) != 0; }

// INSERT, UPDATE, DELETE or REPLACE: a statement that changes rows.
bool IsRowWrite(const char* sql) {
    while (*sql == ' ' || *sql == '\t' || *sql == '\r' || *sql == '\n') ++sql;
    for (const char* verb : {"INSERT", "UPDATE", "DELETE", "REPLACE"}) {
        size_t n = strlen(verb);
        if (_strnicmp(sql, verb, n) == 0 && !isalpha(static_cast<unsigned char>(sql[n]))) return true;
    }
    return false;
}

template <typename Fn>
bool LoadEntry(HMODULE module, const char* name, Fn* slot) {
    FARPROC proc = ::GetProcAddress(module, name);
    *slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    if (!proc) LOG_ERROR(L"Failed to GetProcAddress %S, lastErr = %u", name, ::GetLastError());
    return proc != nullptr;
}

}  // namespace

CLocalDB::CLocalDB(const wchar_t* libraryName) { bound_ = BindLibrary(libraryName); }

CLocalDB::~CLocalDB() {
    if (db_ && close_) close_(db_);
}

bool CLocalDB::BindLibrary(const wchar_t* libraryName) {
    module_.reset(::LoadLibraryW(libraryName));
    if (!module_) {
        LOG_ERROR(L"LoadLibrary sqlite failed, lastErr = %u", ::GetLastError());
        return false;
    }
    HMODULE m = module_.get();
    // Every entry point is looked up (and a missing one logged) before deciding.
    bool ok = LoadEntry(m, "sqlite3_open", &open_);
    ok = LoadEntry(m, "sqlite3_close", &close_) && ok;
    ok = LoadEntry(m, "sqlite3_get_table", &getTable_) && ok;
    ok = LoadEntry(m, "sqlite3_free_table", &freeTable_) && ok;
    ok = LoadEntry(m, "sqlite3_prepare", &prepare_) && ok;
    ok = LoadEntry(m, "sqlite3_step", &step_) && ok;
    ok = LoadEntry(m, "sqlite3_finalize", &finalize_) && ok;
    ok = LoadEntry(m, "sqlite3_exec", &exec_) && ok;
    ok = LoadEntry(m, "sqlite3_bind_int", &bindInt_) && ok;
    ok = LoadEntry(m, "sqlite3_bind_text", &bindText_) && ok;
    ok = LoadEntry(m, "sqlite3_errmsg", &errmsg_) && ok;
    ok = LoadEntry(m, "sqlite3_changes", &changes_) && ok;
    return ok;
}

void CLocalDB::SetDbPath(const std::string& utf8Path) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    dbPath_ = utf8Path;
}

int CLocalDB::OpenDb() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!bound_) return -1;
    sqlite3* db = nullptr;
    int rc = open_(dbPath_.c_str(), &db);
    if (rc != SQLITE_OK) {
        LOG_ERROR(L"sqlite3_open failed, rv=%d, path=%s", rc, Utf8ToUnicode(dbPath_.c_str()).c_str());
        // SQLite hands out a handle even when opening fails; it must still be closed.
        if (db) close_(db);
        return rc;
    }
    if (db_) close_(db_);
    db_ = db;
    UseWriteAheadLog();
    return SQLITE_OK;
}

// Commits go to a write-ahead log beside the file, with no wait for the disk
// at each commit (only at the log's checkpoints into the file); a crash of
// the program loses nothing committed (a power cut may lose the last
// commits), and readers - other connections, other programs - never hold a
// writer up. The file stays an SQLite 3
// database with the same table; the log is folded back into it when the
// last connection closes. Where the log cannot be used (a file system
// without shared memory, another program holding the file) the old journal
// stays and everything works as before, only slower.
void CLocalDB::UseWriteAheadLog() {
    char** table = nullptr;
    int rows = 0, columns = 0;
    int rc = getTable_(db_, "PRAGMA journal_mode=WAL;", &table, &rows, &columns, nullptr);
    std::string mode = (rc == SQLITE_OK && rows > 0 && columns > 0 && table[columns]) ? table[columns] : "";
    freeTable_(table);
    if (mode != "wal") {
        LOG_WARNING(L"sqlite write-ahead log refused (journal mode '%S'), rv=%d, ErrMsg=%s", mode.c_str(), rc,
                    Utf8ToUnicode(errmsg_(db_)).c_str());
        return;
    }
    rc = exec_(db_, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) LOG_WARNING(L"sqlite synchronous=NORMAL refused, rv=%d", rc);
}

int CLocalDB::EnsureOpen() { return db_ ? SQLITE_OK : OpenDb(); }

int CLocalDB::ChangedRows(const char* sql) { return IsRowWrite(sql) ? changes_(db_) : -1; }

void CLocalDB::LogExecResult(int rc, const char* sql, int changedRows) {
    if (rc != SQLITE_OK) {
        LOG_ERROR(L"sqlite3_exec failed, rv=%d, ErrMsg=%s", rc, Utf8ToUnicode(errmsg_(db_)).c_str());
    } else if (!DebugEnabled()) {
        return;
    } else if (changedRows == 0) {
        LOG_DEBUG(L"ExecuteSQL changed no row:%s", AnsiToUnicode(sql).c_str());
    } else {
        LOG_DEBUG(L"ExecuteSQL done:%s", AnsiToUnicode(sql).c_str());
    }
}

int CLocalDB::Exec(const char* sql, int* changedRows) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (changedRows) *changedRows = 0;
    int rc = EnsureOpen();
    if (rc != SQLITE_OK) return rc;
    sql = sql ? sql : "";
    rc = exec_(db_, sql, nullptr, nullptr, nullptr);
    int changed = rc == SQLITE_OK ? ChangedRows(sql) : -1;
    LogExecResult(rc, sql, changed);
    if (changedRows && changed > 0) *changedRows = changed;
    return rc;
}

int CLocalDB::ExecuteSQL(const char* sql) { return Exec(sql, nullptr); }

int CLocalDB::ExecuteSQL(const wchar_t* sql) { return ExecuteSQL(UnicodeToAnsi(sql ? sql : L"").c_str()); }

CLocalDB::SqlParam CLocalDB::WideText(const wchar_t* value) { return Text(UnicodeToAnsi(value ? value : L"")); }

int CLocalDB::BindAll(sqlite3_stmt* stmt, const std::vector<SqlParam>& params) {
    for (size_t i = 0; i < params.size(); ++i) {
        const SqlParam& p = params[i];
        int index = static_cast<int>(i) + 1;
        int rc = p.isText ? bindText_(stmt, index, p.text.c_str(), static_cast<int>(p.text.size()), SQLITE_TRANSIENT)
                          : bindInt_(stmt, index, p.number);
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

int CLocalDB::RunBound(const char* sql, const std::vector<SqlParam>& params, int* changedRows) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (changedRows) *changedRows = 0;
    int rc = EnsureOpen();
    if (rc != SQLITE_OK) return rc;
    sqlite3_stmt* stmt = nullptr;
    rc = prepare_(db_, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) rc = BindAll(stmt, params);
    if (rc == SQLITE_OK) {
        int stepRc = step_(stmt);
        rc = (stepRc == SQLITE_DONE || stepRc == SQLITE_ROW) ? SQLITE_OK : stepRc;
    }
    // The legacy prepare reports a failed step as a plain error; finalize gives the real code.
    int finalRc = finalize_(stmt);
    if (rc != SQLITE_OK && finalRc != SQLITE_OK) rc = finalRc;
    int changed = rc == SQLITE_OK ? ChangedRows(sql) : -1;
    LogExecResult(rc, sql, changed);
    if (changedRows && changed > 0) *changedRows = changed;
    return rc;
}

bool CLocalDB::WriteRow(const char* sql) {
    int changed = 0;
    return Exec(sql, &changed) == SQLITE_OK && changed > 0;
}

bool CLocalDB::WriteRowBound(const char* sql, const std::vector<SqlParam>& params) {
    int changed = 0;
    return RunBound(sql, params, &changed) == SQLITE_OK && changed > 0;
}

int CLocalDB::Query(const char* function, const char* sql, int* rows, std::vector<std::string>* firstColumn) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    *rows = 0;
    int rc = EnsureOpen();
    if (rc != SQLITE_OK) return rc;
    char** table = nullptr;
    int columns = 0;
    rc = getTable_(db_, sql, &table, rows, &columns, nullptr);
    if (rc != SQLITE_OK) {
        LOG_AS(function, LOG_LEVEL_ERROR, L"sqlite3_get_table failed, rv=%d, path=%s", rc,
               Utf8ToUnicode(errmsg_(db_)).c_str());
        *rows = 0;
    } else if (columns > 0 && firstColumn) {
        // Row 0 of the table holds the column names; a NULL value reads as empty.
        for (int row = 1; row <= *rows; ++row) {
            const char* value = table[row * columns];
            firstColumn->emplace_back(value ? value : "");
        }
    }
    freeTable_(table);
    return rc;
}

// The first column of the first row; false on failure or when there is no row.
bool CLocalDB::QueryFirstCell(const char* function, const char* sql, std::string* cell) {
    int rows = 0;
    std::vector<std::string> column;
    if (Query(function, sql, &rows, &column) != SQLITE_OK || column.empty()) return false;
    *cell = column.front();
    return true;
}

bool CLocalDB::GetGamePath(int gameId, std::string& path) {
    std::string sql = FormatSql("SELECT LocalPath FROM GameInfo2_1 WHERE GameId=%d;", gameId);
    return QueryFirstCell("CLocalDB::GetGamePath", sql.c_str(), &path);
}

bool CLocalDB::GetGamePath(int gameId, CStringW& path) {
    std::string bytes;
    if (!GetGamePath(gameId, bytes)) return false;
    path = AnsiToUnicode(bytes.c_str());
    return true;
}

bool CLocalDB::GetGameName(int gameId, CStringW& name) {
    std::string sql = FormatSql("SELECT GameName FROM GameInfo2_1 WHERE GameId=%d;", gameId);
    std::string bytes;
    if (!QueryFirstCell("CLocalDB::GetGameName", sql.c_str(), &bytes)) return false;
    name = AnsiToUnicode(bytes.c_str());
    return !name.empty();
}

bool CLocalDB::GetGameLocalVersionById(int gameId, std::string& version) {
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        if (EnsureOpen() != SQLITE_OK) return false;
    }
    std::string sql = FormatSql("SELECT LocalVersion FROM GameInfo2_1 WHERE GameId=%d;", gameId);
    QueryFirstCell("CLocalDB::GetGameLocalVersionById", sql.c_str(), &version);
    return true;
}

bool CLocalDB::IsGameNeedUpdate(int gameId) {
    // Versions are decimal numbers kept as text; compared as text, 9 would never update to 10.
    std::string sql = FormatSql(
        "SELECT * FROM GameInfo2_1 WHERE GameId=%d AND "
        "CAST(LocalVersion AS INTEGER)<CAST(IdcVersion AS INTEGER);",
        gameId);
    int rows = 0;
    return Query("CLocalDB::IsGameNeedUpdate", sql.c_str(), &rows, nullptr) == SQLITE_OK && rows > 0;
}

int CLocalDB::GetGameAutoUpdateValue(int gameId) {
    std::string sql = FormatSql("SELECT AutoUpdate FROM GameInfo2_1 WHERE GameId=%d;", gameId);
    std::string value;
    if (!QueryFirstCell("CLocalDB::GetGameAutoUpdateValue", sql.c_str(), &value)) return -1;
    return (!value.empty() && value[0] == '1') ? 1 : 0;
}

int CLocalDB::GetGameStatus(int gameId) {
    std::string sql = FormatSql("SELECT Status FROM GameInfo2_1 WHERE GameId=%d;", gameId);
    std::string value;
    if (!QueryFirstCell("CLocalDB::GetGameStatus", sql.c_str(), &value)) return -1;
    if (value == "0") return 0;
    if (value == "1") return 1;
    if (value == "2") return 2;
    return -1;
}

bool CLocalDB::GetGamesWithoutPkgId(std::vector<int>& gameIds) {
    int rows = 0;
    std::vector<std::string> column;
    if (Query("CLocalDB::GetGamesWithoutPkgId", "SELECT GameId FROM GameInfo2_1 WHERE PkgId=0 AND Status<>3;", &rows,
              &column) != SQLITE_OK)
        return false;
    for (const std::string& id : column) gameIds.push_back(atoi(id.c_str()));
    return true;
}

bool CLocalDB::SaveGameInfo(int pkgId, int gameId, const wchar_t* localPath, const wchar_t* startExe,
                            const wchar_t* gameExe, const wchar_t* version, const wchar_t* gameName) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SqlParam path = WideText(localPath), start = WideText(startExe), exe = WideText(gameExe);
    SqlParam ver = WideText(version), name = WideText(gameName);
    int rc = RunBound(
        "INSERT INTO GameInfo2_1 (GameId, PkgId, LocalPath, StartExe, GameExe, LocalVersion, IdcVersion, "
        "GameName)VALUES(?, ?, ?, ?, ?, ?, ?, ?);",
        {Int(gameId), Int(pkgId), path, start, exe, ver, ver, name});
    if (rc == SQLITE_OK) return true;
    if (rc != kSqliteConstraint) return false;
    return UpdateExisting(pkgId, gameId,
                          {{"LocalPath", path.text},
                           {"StartExe", start.text},
                           {"GameExe", exe.text},
                           {"LocalVersion", ver.text},
                           {"IdcVersion", ver.text},
                           {"GameName", name.text}});
}

// The row exists: only the package id above 0 and the non-empty texts change.
bool CLocalDB::UpdateExisting(int pkgId, int gameId,
                              const std::vector<std::pair<const char*, std::string>>& texts) {
    std::string setList;
    std::vector<SqlParam> params;
    auto add = [&](const char* column, SqlParam value) {
        if (!setList.empty()) setList += ", ";
        setList += std::string(column) + "=?";
        params.push_back(std::move(value));
    };
    if (pkgId > 0) add("PkgId", Int(pkgId));
    for (const auto& item : texts) {
        if (!item.second.empty()) add(item.first, Text(item.second));
    }
    if (params.empty()) return true;  // nothing to change
    params.push_back(Int(gameId));
    std::string sql = "UPDATE GameInfo2_1 SET " + setList + " WHERE GameId=?;";
    return WriteRowBound(sql.c_str(), params);
}

bool CLocalDB::SetGameVersionAndSize(int gameId, int version, int size) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    int rc = ExecuteSQL(
        FormatSql("INSERT INTO GameInfo2_1 (GameId, IdcVersion, GameSize)VALUES(%d, '%d', %d);", gameId, version, size)
            .c_str());
    if (rc == SQLITE_OK) return true;
    if (rc != kSqliteConstraint) return false;
    return WriteRow(
        FormatSql("UPDATE GameInfo2_1 SET IdcVersion='%d', GameSize=%d WHERE GameId=%d;", version, size, gameId)
            .c_str());
}

bool CLocalDB::SetGameIdcVersion(int gameId, const char* version) {
    return WriteRowBound("UPDATE GameInfo2_1 SET IdcVersion=? WHERE GameId=?;",
                         {Text(version ? version : ""), Int(gameId)});
}

bool CLocalDB::SetGameDownloadProgress(int gameId, int perMille) {
    return WriteRow(FormatSql("UPDATE GameInfo2_1 SET Download=%d WHERE GameId=%d;", perMille, gameId).c_str());
}

bool CLocalDB::SetGameExe(int gameId, const wchar_t* startExe, const wchar_t* gameExe) {
    return WriteRowBound("UPDATE GameInfo2_1 SET StartExe=?, GameExe=? WHERE GameId=?;",
                         {WideText(startExe), WideText(gameExe), Int(gameId)});
}

bool CLocalDB::SetGameAutoUpdateValue(int gameId, bool on) {
    return WriteRow(FormatSql("UPDATE GameInfo2_1 SET AutoUpdate=%d WHERE GameId=%d;", on ? 1 : 0, gameId).c_str());
}

bool CLocalDB::SetGameStatus(int gameId, int status) {
    return WriteRow(FormatSql("UPDATE GameInfo2_1 SET Status=%d WHERE GameId=%d;", status, gameId).c_str());
}

bool CLocalDB::SetGameDownloadComplete(int gameId, unsigned version) {
    return WriteRow(FormatSql("UPDATE GameInfo2_1 SET Download=1000, LocalVersion=%u, Status=%d WHERE GameId=%d;",
                              version, 0, gameId)
                        .c_str());
}

bool CLocalDB::DeleteGame(int gameId) {
    return WriteRow(FormatSql("DELETE from GameInfo2_1 WHERE GameId=%d;", gameId).c_str());
}
