#pragma once
// Opening a page address in the user's default browser, as both programs do
// for pages they do not show themselves. Window threads (ShellExecuteW).
#include <string>

// True for an address the shell may be given: a network scheme (http,
// https, ftp, mailto) or a scheme registered as a URL protocol. File and
// shell addresses, UNC and plain paths are refused.
bool IsShellOpenableUrl(const std::wstring& url);

// Opens url with the verb "open"; when the shell fails (result 32 or less)
// logs "默认浏览打开失败，使用IE打开" at fallbackLogLevel and starts
// "iexplore.exe" with the address as its quoted parameter. An address
// IsShellOpenableUrl refuses is not opened (Warning line). False when
// nothing was started.
bool OpenUrlInDefaultBrowser(const std::wstring& url, unsigned fallbackLogLevel);
