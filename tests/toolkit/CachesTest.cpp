// The process-wide caches and their locks: one font and one module path,
// whichever thread asks first.
#include "CriticalSection.h"
#include "FontCache.h"
#include "ModulePath.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(CachesTest, LockExcludesOtherThreads) {
    OS::CriticalSection lock;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                OS::AutoLock hold(lock);
                const long seen = counter;
                if (i % 1000 == 0) std::this_thread::yield();
                counter = seen + 1;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(80000, counter);
}

TEST(CachesTest, OneFontForEveryThreadWithItsFixedLook) {
    std::vector<HFONT> fonts(6, nullptr);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < fonts.size(); ++t)
        threads.emplace_back([&fonts, t] { fonts[t] = FontCache::GetInstance()->GetFont(); });
    for (std::thread& t : threads) t.join();
    ASSERT_NE(nullptr, fonts[0]);
    for (HFONT font : fonts) EXPECT_EQ(fonts[0], font);
    LOGFONTW lf = {};
    ASSERT_TRUE(FontCache::GetInstance()->GetLogFont(lf));
    EXPECT_EQ(14, lf.lfHeight);
    EXPECT_EQ(GB2312_CHARSET, lf.lfCharSet);
    EXPECT_EQ(ANTIALIASED_QUALITY, lf.lfQuality);
    EXPECT_EQ(FALSE, lf.lfItalic);
    EXPECT_STREQ(L"宋体", lf.lfFaceName);
}

TEST(CachesTest, ModulePathIsTheProgramsAndJoinsRelativePaths) {
    wchar_t expected[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, expected, _countof(expected));
    std::vector<std::wstring> seen(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&seen, t] { seen[t] = toolkit::GetCachedModulePath(); });
    for (std::thread& t : threads) t.join();
    for (const std::wstring& path : seen) EXPECT_EQ(std::wstring(expected), path);
    std::wstring folder(expected);
    folder.resize(folder.rfind(L'\\'));
    EXPECT_EQ(folder + L"\\skin\\common\\close.png", toolkit::ModuleRelativePath(L"skin\\common\\close.png"));
    EXPECT_EQ(folder + L"\\skin\\x.png", toolkit::ModuleRelativePath(L"\\\\skin\\x.png"));
}

}  // namespace
