// Command lines: Windows quoting rules, switches with or without "--".
#include "include/cef_command_line.h"

#include <mutex>

#include "util.h"

namespace {

std::wstring StripDashes(const std::wstring& name) {
    size_t k = 0;
    while (k < name.size() && k < 2 && name[k] == L'-') ++k;
    return name.substr(k);
}

// Splits a command line the way the C runtime does (quotes, backslashes).
std::vector<std::wstring> SplitCommandLine(const std::wstring& cmd) {
    std::vector<std::wstring> out;
    size_t i = 0;
    const size_t n = cmd.size();
    while (i < n) {
        while (i < n && (cmd[i] == L' ' || cmd[i] == L'\t')) ++i;
        if (i >= n) break;
        std::wstring arg;
        bool quoted = false;
        while (i < n) {
            wchar_t c = cmd[i];
            if (c == L'\\') {
                size_t slashes = 0;
                while (i < n && cmd[i] == L'\\') { ++slashes; ++i; }
                if (i < n && cmd[i] == L'"') {
                    arg.append(slashes / 2, L'\\');
                    if (slashes % 2) { arg.push_back(L'"'); ++i; }
                } else {
                    arg.append(slashes, L'\\');
                }
                continue;
            }
            if (c == L'"') {
                if (quoted && i + 1 < n && cmd[i + 1] == L'"') { arg.push_back(L'"'); i += 2; continue; }
                quoted = !quoted;
                ++i;
                continue;
            }
            if (!quoted && (c == L' ' || c == L'\t')) break;
            arg.push_back(c);
            ++i;
        }
        out.push_back(arg);
    }
    return out;
}

std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') { ++slashes; continue; }
        if (c == L'"') { out.append(slashes * 2 + 1, L'\\'); out.push_back(c); slashes = 0; continue; }
        out.append(slashes, L'\\');
        slashes = 0;
        out.push_back(c);
    }
    out.append(slashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

class CommandLineImpl : public CefCommandLine {
public:
    bool IsValid() override { return true; }
    bool IsReadOnly() override { return false; }
    CefRefPtr<CefCommandLine> Copy() override {
        std::lock_guard<std::mutex> lock(lock_);
        CefRefPtr<CommandLineImpl> c = new CommandLineImpl();
        c->program_ = program_;
        c->switches_ = switches_;
        c->arguments_ = arguments_;
        return c.get();
    }
    void InitFromArgv(int argc, const char* const* argv) override {
        std::vector<std::wstring> args;
        for (int k = 0; k < argc; ++k) args.push_back(cefstub::FromUtf8(argv[k] ? argv[k] : ""));
        InitFrom(args);
    }
    void InitFromString(const CefString& command_line) override { InitFrom(SplitCommandLine(command_line)); }
    void Reset() override {
        std::lock_guard<std::mutex> lock(lock_);
        program_.clear();
        switches_.clear();
        arguments_.clear();
    }
    void GetArgv(std::vector<CefString>& argv) override {
        std::lock_guard<std::mutex> lock(lock_);
        argv.push_back(program_);
        for (auto& s : switches_) argv.push_back(SwitchText(s));
        for (auto& a : arguments_) argv.push_back(a);
    }
    CefString GetCommandLineString() override {
        std::lock_guard<std::mutex> lock(lock_);
        std::wstring out = Quote(program_);
        for (auto& s : switches_) out += L" " + Quote(SwitchText(s));
        for (auto& a : arguments_) out += L" " + Quote(a);
        return out;
    }
    CefString GetProgram() override { std::lock_guard<std::mutex> lock(lock_); return program_; }
    void SetProgram(const CefString& program) override { std::lock_guard<std::mutex> lock(lock_); program_ = program; }
    bool HasSwitches() override { std::lock_guard<std::mutex> lock(lock_); return !switches_.empty(); }
    bool HasSwitch(const CefString& name) override {
        std::lock_guard<std::mutex> lock(lock_);
        return Find(StripDashes(name)) != nullptr;
    }
    CefString GetSwitchValue(const CefString& name) override {
        std::lock_guard<std::mutex> lock(lock_);
        auto* s = Find(StripDashes(name));
        return s ? s->second : std::wstring();
    }
    void GetSwitches(SwitchMap& switches) override {
        std::lock_guard<std::mutex> lock(lock_);
        for (auto& s : switches_) switches[s.first] = s.second;
    }
    void AppendSwitch(const CefString& name) override { AppendSwitchWithValue(name, CefString()); }
    void AppendSwitchWithValue(const CefString& name, const CefString& value) override {
        std::lock_guard<std::mutex> lock(lock_);
        std::wstring key = StripDashes(name);
        if (auto* s = Find(key)) { s->second = value; return; }
        switches_.emplace_back(key, value);
    }
    bool HasArguments() override { std::lock_guard<std::mutex> lock(lock_); return !arguments_.empty(); }
    void GetArguments(ArgumentList& arguments) override {
        std::lock_guard<std::mutex> lock(lock_);
        for (auto& a : arguments_) arguments.push_back(a);
    }
    void AppendArgument(const CefString& argument) override {
        std::lock_guard<std::mutex> lock(lock_);
        arguments_.push_back(argument);
    }
    void PrependWrapper(const CefString& wrapper) override {
        std::lock_guard<std::mutex> lock(lock_);
        arguments_.insert(arguments_.begin(), program_);
        program_ = wrapper;
    }

private:
    using Switch = std::pair<std::wstring, std::wstring>;

    static std::wstring SwitchText(const Switch& s) {
        return s.second.empty() ? L"--" + s.first : L"--" + s.first + L"=" + s.second;
    }
    Switch* Find(const std::wstring& key) {
        for (auto& s : switches_)
            if (s.first == key) return &s;
        return nullptr;
    }
    void InitFrom(const std::vector<std::wstring>& args) {
        std::lock_guard<std::mutex> lock(lock_);
        program_.clear();
        switches_.clear();
        arguments_.clear();
        bool onlyArgs = false;
        for (size_t k = 0; k < args.size(); ++k) {
            const std::wstring& a = args[k];
            if (k == 0) { program_ = a; continue; }
            if (!onlyArgs && a == L"--") { onlyArgs = true; continue; }
            if (!onlyArgs && a.size() > 2 && a.compare(0, 2, L"--") == 0) {
                size_t eq = a.find(L'=');
                std::wstring key = eq == std::wstring::npos ? a.substr(2) : a.substr(2, eq - 2);
                std::wstring val = eq == std::wstring::npos ? std::wstring() : a.substr(eq + 1);
                if (auto* s = Find(key)) s->second = val;
                else switches_.emplace_back(key, val);
                continue;
            }
            arguments_.push_back(a);
        }
    }

    std::mutex lock_;
    std::wstring program_;
    std::vector<Switch> switches_;
    std::vector<std::wstring> arguments_;
    IMPLEMENT_REFCOUNTING(CommandLineImpl);
};

}  // namespace

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() { return new CommandLineImpl(); }

CefRefPtr<CefCommandLine> CefCommandLine::GetGlobalCommandLine() {
    static std::mutex lock;
    static CefRefPtr<CefCommandLine> global;
    std::lock_guard<std::mutex> guard(lock);
    if (!global) {
        global = new CommandLineImpl();
        global->InitFromString(GetCommandLineW());
    }
    return global;
}
