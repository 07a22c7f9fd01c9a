#pragma once
// The context menu model and parameters the engine hands to the program.
#include <vector>

#include "include/cef_context_menu_handler.h"

namespace cefstub {

class MenuModelImpl : public CefMenuModel {
public:
    struct Item {
        int id;
        MenuItemType type;
        std::wstring label;
    };
    const std::vector<Item>& items() const { return items_; }

    bool Clear() override { items_.clear(); return true; }
    int GetCount() override { return static_cast<int>(items_.size()); }
    bool AddSeparator() override { items_.push_back({-1, MENUITEMTYPE_SEPARATOR, L""}); return true; }
    bool AddItem(int command_id, const CefString& label) override {
        items_.push_back({command_id, MENUITEMTYPE_COMMAND, label});
        return true;
    }
    bool Remove(int command_id) override { return RemoveAt(GetIndexOf(command_id)); }
    bool RemoveAt(int index) override {
        if (!InRange(index)) return false;
        items_.erase(items_.begin() + index);
        return true;
    }
    int GetIndexOf(int command_id) override {
        for (size_t k = 0; k < items_.size(); ++k)
            if (items_[k].type != MENUITEMTYPE_SEPARATOR && items_[k].id == command_id) return static_cast<int>(k);
        return -1;
    }
    int GetCommandIdAt(int index) override { return InRange(index) ? items_[static_cast<size_t>(index)].id : -1; }
    CefString GetLabel(int command_id) override { return GetLabelAt(GetIndexOf(command_id)); }
    CefString GetLabelAt(int index) override {
        return InRange(index) ? items_[static_cast<size_t>(index)].label : std::wstring();
    }
    bool SetLabel(int command_id, const CefString& label) override { return SetLabelAt(GetIndexOf(command_id), label); }
    bool SetLabelAt(int index, const CefString& label) override {
        if (!InRange(index)) return false;
        items_[static_cast<size_t>(index)].label = label;
        return true;
    }
    MenuItemType GetType(int command_id) override { return GetTypeAt(GetIndexOf(command_id)); }
    MenuItemType GetTypeAt(int index) override {
        return InRange(index) ? items_[static_cast<size_t>(index)].type : MENUITEMTYPE_NONE;
    }

private:
    bool InRange(int index) const { return index >= 0 && static_cast<size_t>(index) < items_.size(); }
    std::vector<Item> items_;
    IMPLEMENT_REFCOUNTING(MenuModelImpl);
};

class ContextMenuParamsImpl : public CefContextMenuParams {
public:
    ContextMenuParamsImpl(int x, int y, TypeFlags flags, const std::wstring& pageUrl)
        : x_(x), y_(y), flags_(flags), pageUrl_(pageUrl) {}
    int GetXCoord() override { return x_; }
    int GetYCoord() override { return y_; }
    TypeFlags GetTypeFlags() override { return flags_; }
    CefString GetLinkUrl() override { return CefString(); }
    CefString GetPageUrl() override { return pageUrl_; }
    CefString GetFrameUrl() override { return pageUrl_; }
    CefString GetSelectionText() override { return CefString(); }
    bool IsEditable() override { return (flags_ & CM_TYPEFLAG_EDITABLE) != 0; }

private:
    int x_, y_;
    TypeFlags flags_;
    std::wstring pageUrl_;
    IMPLEMENT_REFCOUNTING(ContextMenuParamsImpl);
};

}  // namespace cefstub
