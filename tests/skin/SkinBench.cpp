// Benchmark (not a test): builds a skin of 1,000 controls from XML and
// paints it once into an off-screen bitmap, printing milliseconds for each.
//   skin_bench.exe [controls]
#include <UIlib.h>

#include <cstdio>
#include <string>

using namespace DuiLib;

namespace {

double NowMs() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Rows of buttons, labels, options and progress bars: `count` controls in all.
std::wstring MakeSkin(int count) {
    std::wstring xml = L"<Window size=\"1280,800\"><Font id=\"0\" name=\"Tahoma\" size=\"12\"/>"
                       L"<Style name=\"cell\" value=\"width=&quot;60&quot; textcolor=&quot;#FF202020&quot;\"/>"
                       L"<VerticalLayout bkcolor=\"#FFF0F0F0\">";
    int made = 1;
    for (int row = 0; made < count; ++row) {
        xml += L"<HorizontalLayout height=\"20\">";
        ++made;
        for (int col = 0; col < 20 && made < count; ++col, ++made) {
            std::wstring name = L"c_" + std::to_wstring(made);
            switch (col % 4) {
            case 0: xml += L"<Button name=\"" + name + L"\" style=\"cell\" text=\"btn\" bkcolor=\"#FFDDDDFF\"/>"; break;
            case 1: xml += L"<Label name=\"" + name + L"\" style=\"cell\" text=\"label " + name + L"\" align=\"center\"/>"; break;
            case 2: xml += L"<Option name=\"" + name + L"\" style=\"cell\" group=\"g\" text=\"opt\" selectedbkcolor=\"#FF80FF80\"/>"; break;
            default: xml += L"<Progress name=\"" + name + L"\" style=\"cell\" value=\"40\" forecolor=\"#FF3080F0\"/>"; break;
            }
        }
        xml += L"</HorizontalLayout>";
    }
    return xml + L"</VerticalLayout></Window>";
}

class BenchWnd : public CWindowWnd {
protected:
    LPCTSTR GetWindowClassName() const override { return L"SkinBenchWnd"; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int count = argc > 1 ? _wtoi(argv[1]) : 1000;
    if (count < 2) count = 2;
    std::wstring xml = MakeSkin(count);

    BenchWnd wnd;
    HWND hwnd = wnd.Create(nullptr, L"bench", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 1280, 800);
    if (!hwnd) {
        std::printf("cannot create the window\n");
        return 1;
    }
    CPaintManagerUI pm;
    pm.Init(hwnd);

    double t0 = NowMs();
    CDialogBuilder builder;
    CControlUI* root = builder.Create(xml.c_str(), nullptr, nullptr, &pm);
    if (!root) {
        std::printf("build failed\n");
        return 1;
    }
    pm.AttachDialog(root);
    double built = NowMs() - t0;

    HDC screen = ::GetDC(hwnd);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, 1280, 800);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    RECT all = {0, 0, 1280, 800};
    double t1 = NowMs();
    root->SetPos(all);
    double laidOut = NowMs() - t1;
    double first = 0, best = 1e9;
    for (int i = 0; i < 5; ++i) {   // the first paint also realises the fonts
        double t2 = NowMs();
        root->DoPaint(mem, all);
        ::GdiFlush();
        double ms = NowMs() - t2;
        if (i == 0) first = ms;
        if (ms < best) best = ms;
    }
    std::printf("controls: %d\nbuild: %.2f ms\nlayout: %.2f ms\nfirst paint: %.2f ms\npaint: %.2f ms\n", count, built,
                laidOut, first, best);
    std::fflush(stdout);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(hwnd, screen);
    ::DestroyWindow(hwnd);
    return 0;
}
