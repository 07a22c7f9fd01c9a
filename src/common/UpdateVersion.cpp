#include "UpdateVersion.h"

#include <json/json.h>

#include <cwchar>
#include <memory>
#include <vector>

#include "GlobalFunc.h"
#include "LogWriter.h"

namespace {

constexpr size_t kVersionParts = 4;

// The dot-free runs of a version text.
std::vector<std::wstring> VersionParts(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start < text.size()) {
        size_t dot = text.find(L'.', start);
        size_t end = dot == std::wstring::npos ? text.size() : dot;
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool ReadAnswerText(const Json::Value& data, const char* key, std::wstring* out) {
    const Json::Value& value = data[key];
    if (!value.isString()) return false;
    *out = StringToWString(value.asString());
    return true;
}

}  // namespace

int CompareVersion(const std::wstring& a, const std::wstring& b) {
    std::vector<std::wstring> left = VersionParts(a);
    if (left.size() != kVersionParts) return -1;
    std::vector<std::wstring> right = VersionParts(b);
    if (right.size() != kVersionParts) return 1;
    if (a == b) return 0;
    for (size_t i = 0; i < kVersionParts; ++i) {
        int l = _wtoi(left[i].c_str()), r = _wtoi(right[i].c_str());
        if (l != r) return l > r ? 1 : -1;
    }
    return 0;
}

std::wstring NormalizeProductVersion(const std::wstring& text) {
    std::wstring version;
    for (wchar_t c : text) {
        if (c == L' ') continue;
        version += c == L',' ? L'.' : c;
    }
    return version.empty() ? L"0.0.0.0" : version;
}

std::wstring GetProductVersion(const std::wstring& filePath) {
    std::wstring raw;
    GetFileProductVersion(filePath, raw);
    return NormalizeProductVersion(raw);
}

std::wstring OwnVersionLabel() {
    std::wstring version;
    GetFileVersion(version);
    return L"Vanta V" + version;
}

VersionAnswer ParseVersionAnswer(const std::string& body, std::wstring* version, std::wstring* url) try {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (body.empty() || !reader->parse(body.data(), body.data() + body.size(), &root, &errors)) {
        LOG_ERROR(L"解析JSON包头失败.%s", StringToWString(body).c_str());
        return VersionAnswer::Failed;
    }
    const Json::Value& success = root.isObject() ? root["success"] : Json::Value::nullSingleton();
    if (!success.isBool()) {
        LOG_ERROR(L"unknow shield");
        return VersionAnswer::Failed;
    }
    if (!success.asBool()) {
        LOG_ERROR(L"unknow shield. failed");
        return VersionAnswer::Failed;
    }
    const Json::Value& data = root["data"];
    if (!data.isObject() && !data.isNull()) {
        LOG_WARNING(L"version answer: data is neither an object nor null");
        return VersionAnswer::Failed;
    }
    if (!data.isObject() || !ReadAnswerText(data, "versionNo", version) || !ReadAnswerText(data, "url", url))
        return VersionAnswer::NoUpdate;
    return VersionAnswer::Offered;
} catch (const std::exception& e) {
    LOG_ERROR(L"version answer not read: %s", StringToWString(e.what()).c_str());
    return VersionAnswer::Failed;
}

std::wstring UpdatePackageFolder(const std::wstring& programDir) { return PathJoin(programDir, L"update\\"); }

std::wstring UpdatePackagePath(const std::wstring& folder, unsigned long tickMs) {
    return folder + FormatString(L"update_pkg_%d.zip", static_cast<int>(tickMs / 1000));
}

int CheckedDownloadResult(int result, const std::wstring& packageFile) {
    if (result == 0 && GetFileAttributesW(packageFile.c_str()) == INVALID_FILE_ATTRIBUTES) return kUpdateFileMissing;
    return result;
}

bool UpdateProgressText(unsigned long percent, std::wstring* text) {
    if (percent > 100) return false;
    *text = FormatString(L"%d%%", static_cast<int>(percent));
    return true;
}
