#pragma once
// A tolerant reading of an HTML document: what the engine needs to run a
// page (title, scripts, inline handlers, frames, elements) and to paint it
// (its visible text). No layout.
#include <map>
#include <string>
#include <vector>

namespace cefstub {

struct HtmlElement {
    std::wstring tag;  // lower case
    std::map<std::wstring, std::wstring> attrs;  // names lower case
    std::wstring text;  // visible text inside
};

struct HtmlScript {
    std::wstring src;   // empty for an inline block
    std::wstring code;
    int line = 1;
};

struct HtmlDocument {
    bool hasTitle = false;
    std::wstring title;
    std::vector<HtmlScript> scripts;
    std::vector<HtmlElement> elements;  // every element with an id, every a, iframe, form control
    std::wstring bodyOnload;
    std::vector<HtmlElement> iframes;
    std::wstring text;  // visible text, whitespace collapsed, one line per block
};

HtmlDocument ParseHtml(const std::wstring& html);
std::wstring DecodeEntities(const std::wstring& text);

}  // namespace cefstub
