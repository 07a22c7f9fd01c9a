#pragma once
// The browser control the skin windows create for the class name "Cef":
// navigates, runs script and tells its owner (an ICefUIContainer, may be
// null) about its page through its ClientHandlerCommon. Window thread,
// except Navigate2 and RunJs, which the owner may also call from inside its
// slots on the engine's UI thread.
#include <atomic>

#include "CCefOsRender.h"
#include "ICefUIContainer.h"

class CCefCommonUI : public CCefOsRender {
public:
    // client null (the usual case): a ClientHandlerCommon serves this control.
    CCefCommonUI(DuiLib::CPaintManagerUI* manager, ICefUIContainer* owner, CefRefPtr<CefClient> client = nullptr);
    ~CCefCommonUI() override;

    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    // Loads url in the main frame; unless force, not when it already shows
    // exactly url. Nothing without a browser.
    void Navigate2(LPCTSTR url, bool force);
    // Runs script in the main frame and sets the script-run flag.
    void RunJs(LPCTSTR script);

    ICefUIContainer* GetOwner() const { return m_pOwner; }
    bool GetScriptRunFlag() const { return m_bScriptRun; }
    void SetScriptRunFlag(bool run) { m_bScriptRun = run; }

private:
    ICefUIContainer* m_pOwner;  // not owned
    std::atomic<bool> m_bScriptRun{false};
};
