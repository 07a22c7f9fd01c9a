#pragma once
// CLocalDB: the launcher's local game table GameInfo2_1 in the SQLite file
// orv2_1data. sqlite3.dll is bound by name at run time; when it (or one of
// its entry points) is missing the object still works, and every operation
// fails with a log line.
//
// While a connection is open the file's commits go to its write-ahead log
// (orv2_1data-wal), which the last close folds back into the file.
//
// Text reaches the table as bytes of the ANSI code page and is read back
// through the same code page; only the file path is UTF-8. Values are bound
// as statement parameters, never pasted into the statement text, so a quote
// or semicolon in a name is stored as it is.
//
// Threads: any. The main window owns the one instance; the UI thread, the
// download-progress thread, the download library's threads and request
// workers share its single connection. One lock makes each operation whole
// (open, statement, error text).
#include "GlobalFunc.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "sqlite3.h"

class CLocalDB {
public:
    // libraryName is the DLL to bind; "sqlite3.dll" from the normal search path.
    explicit CLocalDB(const wchar_t* libraryName = L"sqlite3.dll");
    virtual ~CLocalDB();
    CLocalDB(const CLocalDB&) = delete;
    CLocalDB& operator=(const CLocalDB&) = delete;

    // The database file, UTF-8. Set by the owner before the first operation.
    virtual void SetDbPath(const std::string& utf8Path);

    // SQLite's result of opening the file; -1 when the library is not bound.
    virtual int OpenDb();
    // Runs a statement; SQLite's result code, or the open result when no
    // connection can be opened. An INSERT, UPDATE or DELETE that changed no
    // row is logged as such, never as done.
    virtual int ExecuteSQL(const char* sql);
    virtual int ExecuteSQL(const wchar_t* sql);

    // --- Questions
    virtual bool GetGamePath(int gameId, std::string& path);
    virtual bool GetGamePath(int gameId, CStringW& path);
    virtual bool GetGameName(int gameId, CStringW& name);
    // true unless no connection opens; version stays empty without a row.
    virtual bool GetGameLocalVersionById(int gameId, std::string& version);
    // The installed version is numerically below the server's.
    virtual bool IsGameNeedUpdate(int gameId);
    // 1, 0, or -1 when there is no row or the query fails.
    virtual int GetGameAutoUpdateValue(int gameId);
    // 0, 1 or 2; any other stored value, no row or a failure give -1.
    virtual int GetGameStatus(int gameId);
    // The games whose install information never came (package id 0), but
    // those whose download was stopped or removed (Status 3).
    virtual bool GetGamesWithoutPkgId(std::vector<int>& gameIds);

    // --- Updates: true when the statement succeeded and the game's row is
    // there (inserted, or found and changed); false when it failed or there
    // is no row of the game.
    // A new row, or the non-empty values (and a package id above 0) of an
    // existing one.
    virtual bool SaveGameInfo(int pkgId, int gameId, const wchar_t* localPath, const wchar_t* startExe,
                              const wchar_t* gameExe, const wchar_t* version, const wchar_t* gameName);
    // The version the server offers and the package size; the installed
    // version is left to SetGameDownloadComplete.
    virtual bool SetGameVersionAndSize(int gameId, int version, int size);
    virtual bool SetGameIdcVersion(int gameId, const char* version);
    virtual bool SetGameDownloadProgress(int gameId, int perMille);
    virtual bool SetGameExe(int gameId, const wchar_t* startExe, const wchar_t* gameExe);
    virtual bool SetGameAutoUpdateValue(int gameId, bool on);
    virtual bool SetGameStatus(int gameId, int status);
    // Download 1000, the installed version, Status 0.
    virtual bool SetGameDownloadComplete(int gameId, unsigned version);
    virtual bool DeleteGame(int gameId);

private:
    // One value bound to a "?" of a statement: an integer or ANSI bytes.
    struct SqlParam {
        bool isText;
        int number;
        std::string text;
    };
    static SqlParam Int(int value) { return {false, value, {}}; }
    static SqlParam Text(std::string value) { return {true, 0, std::move(value)}; }
    static SqlParam WideText(const wchar_t* value);

    bool BindLibrary(const wchar_t* libraryName);
    // Caller holds lock_. 0 when a connection is open.
    int EnsureOpen();
    // Caller holds lock_, with a fresh connection.
    void UseWriteAheadLog();
    // Runs a statement as ExecuteSQL does; changedRows (when given) gets the
    // rows an INSERT, UPDATE or DELETE changed, 0 for any other statement.
    int Exec(const char* sql, int* changedRows);
    // One statement with its values bound; logs as ExecuteSQL does.
    int RunBound(const char* sql, const std::vector<SqlParam>& params, int* changedRows = nullptr);
    int BindAll(sqlite3_stmt* stmt, const std::vector<SqlParam>& params);
    // Caller holds lock_, right after the statement: the rows it changed, or
    // -1 for a statement that writes no rows.
    int ChangedRows(const char* sql);
    void LogExecResult(int rc, const char* sql, int changedRows);
    // A statement that changes one game's row: true when it succeeded and
    // found the row.
    bool WriteRow(const char* sql);
    bool WriteRowBound(const char* sql, const std::vector<SqlParam>& params);
    // Runs a query; rows is the number of result rows, firstColumn (when
    // given) the first column of every row. Failures are logged under function.
    int Query(const char* function, const char* sql, int* rows, std::vector<std::string>* firstColumn);
    bool QueryFirstCell(const char* function, const char* sql, std::string* cell);
    bool UpdateExisting(int pkgId, int gameId, const std::vector<std::pair<const char*, std::string>>& texts);

    std::recursive_mutex lock_;
    std::string dbPath_;
    struct ModuleCloser {
        void operator()(HMODULE module) const { ::FreeLibrary(module); }
    };
    std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser> module_;

    decltype(&::sqlite3_open) open_ = nullptr;
    decltype(&::sqlite3_close) close_ = nullptr;
    decltype(&::sqlite3_get_table) getTable_ = nullptr;
    decltype(&::sqlite3_free_table) freeTable_ = nullptr;
    decltype(&::sqlite3_prepare) prepare_ = nullptr;
    decltype(&::sqlite3_step) step_ = nullptr;
    decltype(&::sqlite3_finalize) finalize_ = nullptr;
    decltype(&::sqlite3_exec) exec_ = nullptr;
    decltype(&::sqlite3_bind_int) bindInt_ = nullptr;
    decltype(&::sqlite3_bind_text) bindText_ = nullptr;
    decltype(&::sqlite3_errmsg) errmsg_ = nullptr;
    decltype(&::sqlite3_changes) changes_ = nullptr;
    bool bound_ = false;  // every entry point we call was found

    sqlite3* db_ = nullptr;
};
