#pragma once
// A context menu model and parameters held in memory, for handler tests.
#include <string>
#include <vector>

#include "include/cef_context_menu_handler.h"

class FakeMenuModel : public CefMenuModel {
public:
    struct Item {
        int id;
        std::wstring label;
        MenuItemType type;
    };
    std::vector<Item> items;

    bool Clear() override { items.clear(); return true; }
    int GetCount() override { return static_cast<int>(items.size()); }
    bool AddSeparator() override { items.push_back({-1, L"", MENUITEMTYPE_SEPARATOR}); return true; }
    bool AddItem(int id, const CefString& label) override {
        items.push_back({id, label.ToWString(), MENUITEMTYPE_COMMAND});
        return true;
    }
    bool Remove(int id) override { return RemoveAt(GetIndexOf(id)); }
    bool RemoveAt(int index) override {
        if (index < 0 || index >= GetCount()) return false;
        items.erase(items.begin() + index);
        return true;
    }
    int GetIndexOf(int id) override {
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].id == id && items[i].type != MENUITEMTYPE_SEPARATOR) return static_cast<int>(i);
        }
        return -1;
    }
    int GetCommandIdAt(int index) override { return Valid(index) ? items[index].id : -1; }
    CefString GetLabel(int id) override { return GetLabelAt(GetIndexOf(id)); }
    CefString GetLabelAt(int index) override { return Valid(index) ? items[index].label : std::wstring(); }
    bool SetLabel(int id, const CefString& label) override { return SetLabelAt(GetIndexOf(id), label); }
    bool SetLabelAt(int index, const CefString& label) override {
        if (!Valid(index)) return false;
        items[index].label = label.ToWString();
        return true;
    }
    MenuItemType GetType(int id) override { return GetTypeAt(GetIndexOf(id)); }
    MenuItemType GetTypeAt(int index) override { return Valid(index) ? items[index].type : MENUITEMTYPE_NONE; }

private:
    bool Valid(int index) const { return index >= 0 && index < static_cast<int>(items.size()); }
    IMPLEMENT_REFCOUNTING(FakeMenuModel);
};

class FakeMenuParams : public CefContextMenuParams {
public:
    explicit FakeMenuParams(int flags) : flags_(flags) {}
    int GetXCoord() override { return 0; }
    int GetYCoord() override { return 0; }
    TypeFlags GetTypeFlags() override { return static_cast<TypeFlags>(flags_); }
    CefString GetLinkUrl() override { return CefString(); }
    CefString GetPageUrl() override { return CefString(); }
    CefString GetFrameUrl() override { return CefString(); }
    CefString GetSelectionText() override { return CefString(); }
    bool IsEditable() override { return (flags_ & CM_TYPEFLAG_EDITABLE) != 0; }

private:
    int flags_;
    IMPLEMENT_REFCOUNTING(FakeMenuParams);
};
