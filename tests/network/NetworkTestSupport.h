#pragma once
// Shared set-up of the network tests: the local back-end (started by the
// CTest fixture "backend"), a clean route table per test, a scratch folder and
// the log lines written during the test (with file and function fields on).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BackendClient.h"
#include "Harness.h"
#include "LogWriter.h"

namespace nettest {

class BackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(backend_.Connect()) << "the local back-end is not running (CTest fixture \"backend\")";
        ASSERT_TRUE(backend_.Reset());
        ASSERT_TRUE(backend_.ReplaceRoutes("[]"));   // no sample routes: each test names its own
        LogWriter* log = LogWriter::GetInstance();
        log->outputTargets = 2;
        log->prefixFlags = 3 | 4 | 8;
        log->levelMask = 0x7F;
        logStart_ = LogText().size();
        dir_ = harness::MakeScratchDir(L"net_" + harness::Widen(CurrentTestName()));
    }

    static std::string CurrentTestName() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        return name;
    }

    static std::string LogText() {
        return harness::LogText(LogWriter::GetInstance()->LogFolder(), ExeStem());
    }
    // The log lines written since the test began.
    std::string NewLog() const {
        std::string all = LogText();
        return all.size() > logStart_ ? all.substr(logStart_) : std::string();
    }

    static std::wstring ExeStem() {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring name(path, n);
        name = name.substr(name.find_last_of(L'\\') + 1);
        return name.substr(0, name.size() - 4);
    }

    std::wstring Scratch(const wchar_t* name) const { return dir_ + L"\\" + name; }
    // The names of the files in the scratch folder, sorted: what a download
    // left there, temporary files included.
    std::vector<std::wstring> ScratchFiles() const;

    // The bytes the server generates for body_size routes: byte i = i % 251.
    static std::string Pattern(size_t size) {
        std::string s(size, '\0');
        for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i % 251);
        return s;
    }

    std::vector<backend::RecordedRequest> Requests(const std::string& path = "") const {
        std::vector<backend::RecordedRequest> out;
        EXPECT_TRUE(backend_.Requests(&out, path));
        return out;
    }

    // A port on 127.0.0.1 nobody listens on.
    static int RefusedPort();

    backend::BackendClient backend_;
    std::wstring dir_;
    size_t logStart_ = 0;
};

}  // namespace nettest
