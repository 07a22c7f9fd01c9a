// CDialogBuilder: skin XML (rapidxml) to a control tree, with file and line
// in every error.
#include "DuiLib/UIDlgBuilder.h"
#include "DuiLib/UIContainer.h"
#include "DuiLib/UIControls.h"
#include "DuiLib/UIMenu.h"
#include "Internal.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>
#include "rapidxml.hpp"

namespace DuiLib {

namespace {

using Node = rapidxml::xml_node<char>;
using Attr = rapidxml::xml_attribute<char>;

template <typename T>
CControlUI* Make() {
    return new T;
}

struct StockClass {
    const wchar_t* name;
    CControlUI* (*make)();
};
const StockClass kStockClasses[] = {
    {L"Control", Make<CControlUI>},
    {L"Container", Make<CContainerUI>},
    {L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"TabLayout", Make<CTabLayoutUI>},
    {L"List", Make<CListUI>},
    {L"Label", Make<CLabelUI>},
    {L"Text", Make<CTextUI>},
    {L"Button", Make<CButtonUI>},
    {L"Option", Make<COptionUI>},
    {L"CheckBox", Make<CCheckBoxUI>},
    {L"Progress", Make<CProgressUI>},
    {L"Slider", Make<CSliderUI>},
    {L"Edit", Make<CEditUI>},
    {L"Menu", Make<CMenuUI>},
    {L"MenuElement", Make<CMenuElementUI>},
};

bool ReadFileBytes(const std::wstring& path, std::string* bytes) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    bool ok = ::GetFileSizeEx(h, &size) && size.QuadPart < (64ll << 20);
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes->empty() || (::ReadFile(h, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &got, nullptr) &&
                                got == bytes->size());
    }
    ::CloseHandle(h);
    return ok;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const char* text, size_t length) { return detail::Utf8ToWide(text, length); }
std::wstring NameOf(const Node* n) { return Wide(n->name(), n->name_size()); }
std::wstring NameOf(const Attr* a) { return Wide(a->name(), a->name_size()); }
std::wstring ValueOf(const Attr* a) { return Wide(a->value(), a->value_size()); }

std::wstring AttrValue(const Node* n, const char* name, const wchar_t* fallback = L"") {
    const Attr* a = n->first_attribute(name);
    return a ? ValueOf(a) : std::wstring(fallback);
}

}  // namespace

struct CDialogBuilder::Impl {
    std::wstring file;                 // for log lines
    std::vector<size_t> lineStarts;    // offsets of line starts in the parsed buffer
    const char* base = nullptr;
    std::wstring lastError;
    IDialogBuilderCallback* callback = nullptr;
    CPaintManagerUI* manager = nullptr;

    int LineOf(const char* p) const {
        if (!p || !base || p < base) return 0;
        size_t offset = static_cast<size_t>(p - base);
        auto it = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
        return static_cast<int>(it - lineStarts.begin());
    }

    void Fail(int line, const std::wstring& what) {
        lastError = L"skin file '" + file + L"' line " + std::to_wstring(line) + L": " + what;
        detail::Log(L"%s", lastError.c_str());
    }

    void IndexLines(const std::string& text) {
        lineStarts.assign(1, 0);
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') lineStarts.push_back(i + 1);
    }

    void ApplyAttributes(CControlUI* c, const Node* n) {
        for (const Attr* a = n->first_attribute(); a; a = a->next_attribute()) {
            detail::ScopedSkinLocation where(file, LineOf(a->name()), manager);
            c->SetAttribute(NameOf(a).c_str(), ValueOf(a).c_str());
        }
    }

    void ApplyWindowElement(const Node* n) {
        for (const Attr* a = n->first_attribute(); a; a = a->next_attribute()) {
            detail::ScopedSkinLocation where(file, LineOf(a->name()), manager);
            manager->SetWindowAttribute(NameOf(a).c_str(), ValueOf(a).c_str());
        }
    }

    void ApplyResource(const Node* n) {
        std::wstring name = NameOf(n);
        if (name == L"Font") {
            int id = _wtoi(AttrValue(n, "id", std::to_wstring(manager->GetFontCount()).c_str()).c_str());
            std::wstring face = AttrValue(n, "name");
            int size = _wtoi(AttrValue(n, "size", L"12").c_str());
            bool bold = detail::ParseBool(AttrValue(n, "bold").c_str());
            bool underline = detail::ParseBool(AttrValue(n, "underline").c_str());
            bool italic = detail::ParseBool(AttrValue(n, "italic").c_str());
            manager->AddFont(id, face.c_str(), size, bold, underline, italic);
            if (detail::ParseBool(AttrValue(n, "default").c_str()))
                manager->SetDefaultFont(face.c_str(), size, bold, underline, italic);
        } else if (name == L"Default") {
            manager->AddDefaultAttributeList(AttrValue(n, "name").c_str(), AttrValue(n, "value").c_str());
        } else if (name == L"Style") {
            manager->AddStyle(AttrValue(n, "name").c_str(), AttrValue(n, "value").c_str());
        }
    }

    static bool IsResource(const std::wstring& name) {
        return name == L"Font" || name == L"Default" || name == L"Style" || name == L"Image";
    }

    CControlUI* BuildControl(const Node* n) {
        std::wstring cls = NameOf(n);
        int line = LineOf(n->name());
        CControlUI* c = CDialogBuilder::CreateStockControl(cls.c_str());
        if (!c && callback) {
            detail::ScopedSkinLocation where(file, line, manager);
            c = callback->CreateControl(cls.c_str());
        }
        if (!c) {
            detail::Log(L"skin file '%s' line %d: unknown control class '%s' (skipped)", file.c_str(), line, cls.c_str());
            return nullptr;
        }
        if (manager) {
            if (LPCTSTR defaults = manager->GetDefaultAttributeList(cls.c_str())) {
                detail::ScopedSkinLocation where(file, line, manager);
                c->ApplyAttributeList(defaults);
            }
        }
        ApplyAttributes(c, n);
        CContainerUI* container = static_cast<CContainerUI*>(c->GetInterface(L"IContainer"));
        for (const Node* child = n->first_node(); child; child = child->next_sibling()) {
            if (child->type() != rapidxml::node_element) continue;
            if (!container) {
                detail::Log(L"skin file '%s' line %d: %s cannot hold child '%s' (skipped)", file.c_str(),
                            LineOf(child->name()), cls.c_str(), NameOf(child).c_str());
                continue;
            }
            if (CControlUI* k = BuildControl(child)) container->Add(k);
        }
        return c;
    }

    CControlUI* Build(const std::string& text) {
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        base = buffer.data();
        IndexLines(text);
        rapidxml::xml_document<char> doc;
        try {
            doc.parse<rapidxml::parse_default>(buffer.data());
        } catch (const rapidxml::parse_error& e) {
            Fail(LineOf(e.where<char>()), L"malformed XML: " + Wide(e.what(), strlen(e.what())));
            return nullptr;
        }
        const Node* root = doc.first_node();
        while (root && root->type() != rapidxml::node_element) root = root->next_sibling();
        if (!root) {
            Fail(1, L"no root element");
            return nullptr;
        }
        if (NameOf(root) != L"Window") return BuildControl(root);
        if (manager) ApplyWindowElement(root);
        CControlUI* tree = nullptr;
        for (const Node* n = root->first_node(); n; n = n->next_sibling()) {
            if (n->type() != rapidxml::node_element) continue;
            std::wstring name = NameOf(n);
            if (IsResource(name)) {
                if (manager) ApplyResource(n);
            } else if (tree) {
                detail::Log(L"skin file '%s' line %d: second root control '%s' ignored", file.c_str(),
                            LineOf(n->name()), name.c_str());
            } else {
                tree = BuildControl(n);
            }
        }
        if (!tree) Fail(LineOf(root->name()), L"no control could be built");
        return tree;
    }
};

CDialogBuilder::CDialogBuilder() : impl_(new Impl) {}
CDialogBuilder::~CDialogBuilder() { delete impl_; }

LPCTSTR CDialogBuilder::GetLastErrorMessage() const { return impl_->lastError.c_str(); }

CControlUI* CDialogBuilder::CreateStockControl(LPCTSTR pstrClass) {
    if (!pstrClass) return nullptr;
    for (const StockClass& s : kStockClasses)
        if (wcscmp(pstrClass, s.name) == 0) return s.make();
    return nullptr;
}

CControlUI* CDialogBuilder::Create(LPCTSTR xml, LPCTSTR /*type*/, IDialogBuilderCallback* pCallback,
                                   CPaintManagerUI* pManager, CControlUI* pParent) {
    Impl& d = *impl_;
    d.lastError.clear();
    d.callback = pCallback;
    d.manager = pManager;
    if (!xml || !*xml) {
        d.file = L"(none)";
        d.Fail(0, L"no skin given");
        return nullptr;
    }
    std::string text;
    if (xml[0] == L'<') {
        d.file = L"(inline xml)";
        text = WideToUtf8(xml);
    } else {
        d.file = xml;
        std::wstring path = std::wstring(CPaintManagerUI::GetResourcePath().GetData()) + xml;
        if (!ReadFileBytes(path, &text)) {
            d.Fail(0, L"cannot be read (" + path + L"), error " + std::to_wstring(::GetLastError()));
            return nullptr;
        }
    }
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    if (pManager) pManager->SetSkinFile(d.file.c_str());
    CControlUI* tree = d.Build(text);
    d.base = nullptr;
    if (tree && pParent) {
        CContainerUI* container = static_cast<CContainerUI*>(pParent->GetInterface(L"IContainer"));
        if (container) container->Add(tree);
    }
    return tree;
}

}  // namespace DuiLib
