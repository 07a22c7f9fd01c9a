// HTML reading by scanning tags; enough for the pages the system shows.
#include "document.h"

#include <algorithm>
#include <cwctype>

namespace cefstub {
namespace {

std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return s;
}

size_t FindNoCase(const std::wstring& hay, const std::wstring& needle, size_t from) {
    auto it = std::search(hay.begin() + static_cast<std::ptrdiff_t>(std::min(from, hay.size())), hay.end(),
                          needle.begin(), needle.end(),
                          [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
    return it == hay.end() ? std::wstring::npos : static_cast<size_t>(it - hay.begin());
}

bool IsBlockTag(const std::wstring& tag) {
    static const wchar_t* kBlocks[] = {L"br", L"p", L"div", L"li", L"h1", L"h2", L"h3", L"h4", L"h5", L"h6",
                                       L"tr", L"ul", L"ol", L"table", L"section", L"header", L"footer", L"form"};
    for (auto* b : kBlocks)
        if (tag == b) return true;
    return false;
}

bool IsRecordedTag(const std::wstring& tag) {
    return tag == L"a" || tag == L"iframe" || tag == L"input" || tag == L"button" || tag == L"select" ||
           tag == L"textarea";
}

// Appends text with whitespace collapsed.
void AppendText(std::wstring& out, const std::wstring& raw) {
    std::wstring t = DecodeEntities(raw);
    for (wchar_t c : t) {
        if (std::iswspace(c) || c == 0xA0) {
            if (!out.empty() && out.back() != L' ' && out.back() != L'\n') out.push_back(L' ');
        } else {
            out.push_back(c);
        }
    }
}

void NewLine(std::wstring& out) {
    while (!out.empty() && out.back() == L' ') out.pop_back();
    if (!out.empty() && out.back() != L'\n') out.push_back(L'\n');
}

std::wstring StripTags(const std::wstring& html) {
    std::wstring out;
    size_t i = 0;
    while (i < html.size()) {
        size_t lt = html.find(L'<', i);
        AppendText(out, html.substr(i, lt == std::wstring::npos ? std::wstring::npos : lt - i));
        if (lt == std::wstring::npos) break;
        size_t gt = html.find(L'>', lt);
        if (gt == std::wstring::npos) break;
        i = gt + 1;
    }
    while (!out.empty() && out.back() == L' ') out.pop_back();
    while (!out.empty() && out.front() == L' ') out.erase(out.begin());
    return out;
}

struct Tag {
    std::wstring name;
    std::map<std::wstring, std::wstring> attrs;
    bool closing = false;
    bool selfClosing = false;
    size_t end = 0;  // index after '>'
};

// Reads the tag that starts at html[lt] == '<'; false when it is not a tag.
bool ReadTag(const std::wstring& html, size_t lt, Tag* tag) {
    size_t i = lt + 1;
    if (i < html.size() && html[i] == L'/') { tag->closing = true; ++i; }
    size_t nameStart = i;
    while (i < html.size() && (std::iswalnum(html[i]) || html[i] == L'-' || html[i] == L':')) ++i;
    if (i == nameStart) return false;
    tag->name = Lower(html.substr(nameStart, i - nameStart));
    for (;;) {
        while (i < html.size() && std::iswspace(html[i])) ++i;
        if (i >= html.size()) return false;
        if (html[i] == L'>') { tag->end = i + 1; return true; }
        if (html[i] == L'/') { tag->selfClosing = true; ++i; continue; }
        size_t an = i;
        while (i < html.size() && !std::iswspace(html[i]) && html[i] != L'=' && html[i] != L'>' && html[i] != L'/') ++i;
        if (i == an) { ++i; continue; }
        std::wstring name = Lower(html.substr(an, i - an));
        while (i < html.size() && std::iswspace(html[i])) ++i;
        std::wstring value;
        if (i < html.size() && html[i] == L'=') {
            ++i;
            while (i < html.size() && std::iswspace(html[i])) ++i;
            if (i < html.size() && (html[i] == L'"' || html[i] == L'\'')) {
                wchar_t q = html[i++];
                size_t close = html.find(q, i);
                if (close == std::wstring::npos) return false;
                value = html.substr(i, close - i);
                i = close + 1;
            } else {
                size_t vs = i;
                while (i < html.size() && !std::iswspace(html[i]) && html[i] != L'>') ++i;
                value = html.substr(vs, i - vs);
            }
        }
        if (!tag->attrs.count(name)) tag->attrs[name] = DecodeEntities(value);
    }
}

int LineAt(const std::wstring& html, size_t pos) {
    return 1 + static_cast<int>(std::count(html.begin(), html.begin() + static_cast<std::ptrdiff_t>(pos), L'\n'));
}

}  // namespace

std::wstring DecodeEntities(const std::wstring& text) {
    if (text.find(L'&') == std::wstring::npos) return text;
    static const std::pair<const wchar_t*, wchar_t> kNamed[] = {
        {L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}, {L"nbsp", 0xA0}};
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t semi;
        if (text[i] != L'&' || (semi = text.find(L';', i)) == std::wstring::npos || semi - i > 10) {
            out.push_back(text[i]);
            continue;
        }
        std::wstring name = text.substr(i + 1, semi - i - 1);
        long code = -1;
        if (!name.empty() && name[0] == L'#')
            code = name.size() > 1 && (name[1] == L'x' || name[1] == L'X') ? wcstol(name.c_str() + 2, nullptr, 16)
                                                                          : wcstol(name.c_str() + 1, nullptr, 10);
        for (auto& n : kNamed)
            if (name == n.first) code = n.second;
        if (code <= 0 || code > 0xFFFF) { out.push_back(text[i]); continue; }
        out.push_back(static_cast<wchar_t>(code));
        i = semi;
    }
    return out;
}

HtmlDocument ParseHtml(const std::wstring& html) {
    HtmlDocument doc;
    size_t i = 0;
    while (i < html.size()) {
        size_t lt = html.find(L'<', i);
        AppendText(doc.text, html.substr(i, lt == std::wstring::npos ? std::wstring::npos : lt - i));
        if (lt == std::wstring::npos) break;
        if (html.compare(lt, 4, L"<!--") == 0) {
            size_t close = html.find(L"-->", lt + 4);
            i = close == std::wstring::npos ? html.size() : close + 3;
            continue;
        }
        if (lt + 1 < html.size() && (html[lt + 1] == L'!' || html[lt + 1] == L'?')) {
            size_t gt = html.find(L'>', lt);
            i = gt == std::wstring::npos ? html.size() : gt + 1;
            continue;
        }
        Tag tag;
        if (!ReadTag(html, lt, &tag)) {
            AppendText(doc.text, L"<");
            i = lt + 1;
            continue;
        }
        i = tag.end;
        if (IsBlockTag(tag.name)) NewLine(doc.text);
        if (tag.closing) continue;
        // Raw-text elements: their content is not markup.
        if (tag.name == L"script" || tag.name == L"style" || tag.name == L"title" || tag.name == L"textarea") {
            size_t close = FindNoCase(html, L"</" + tag.name, i);
            std::wstring content = html.substr(i, close == std::wstring::npos ? std::wstring::npos : close - i);
            if (tag.name == L"script") {
                auto type = Lower(tag.attrs[L"type"]);
                if (type.empty() || type.find(L"javascript") != std::wstring::npos)
                    doc.scripts.push_back({tag.attrs[L"src"], content, LineAt(html, i)});
            } else if (tag.name == L"title" && !doc.hasTitle) {
                doc.hasTitle = true;
                doc.title = StripTags(content);
            }
            if (close == std::wstring::npos) break;
            size_t gt = html.find(L'>', close);
            i = gt == std::wstring::npos ? html.size() : gt + 1;
            if (tag.name != L"textarea") continue;
        }
        if (tag.name == L"body" && tag.attrs.count(L"onload")) doc.bodyOnload = tag.attrs[L"onload"];
        if (tag.attrs.count(L"id") || IsRecordedTag(tag.name)) {
            HtmlElement e{tag.name, tag.attrs, std::wstring()};
            if (!tag.selfClosing && tag.name != L"input") {
                size_t close = FindNoCase(html, L"</" + tag.name, i);
                if (close != std::wstring::npos) e.text = StripTags(html.substr(i, close - i));
            }
            doc.elements.push_back(e);
            if (tag.name == L"iframe") doc.iframes.push_back(e);
        }
    }
    while (!doc.text.empty() && std::iswspace(doc.text.back())) doc.text.pop_back();
    while (!doc.text.empty() && std::iswspace(doc.text.front())) doc.text.erase(doc.text.begin());
    return doc;
}

}  // namespace cefstub
