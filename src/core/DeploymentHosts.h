#pragma once
// The deployment's servers, as "scheme://host[:port]" without a trailing
// slash. A café operator sets them in [main] of qxtarrow.ini beside the
// programs; a missing or empty key gives the shipped value (reserved .invalid
// names until a deployment sets them).
//   Api_url       back-end API ("/orv2/api/getFrontData.do")
//   Web_url       the platform's web pages ("/pageGameLogin", my-games and home pages)
//   Account_url   the account site: the "_bp_ff_" cookie's scheme and domain, logout page
//   Update_url    the self-update check ("/version/get")
//   Homepage_url  the platform's home page
// For test and staging runs the environment variables CORRIN_BACKEND_HOST
// (host[:port], served over https) and CORRIN_UPDATE_HOST (host[:port], over
// http) override Api_url and Update_url. Read at every call, from any thread.
#include <string>

enum class DeploymentSite { Api, Web, Account, Update, Homepage };

// From the ini file given (tests) or, without one, <program folder>qxtarrow.ini.
std::wstring GetDeploymentUrl(DeploymentSite site, const std::wstring& iniPath = std::wstring());
// The "host[:port]" part of a "scheme://host[:port][/...]" address.
std::wstring HostOfUrl(const std::wstring& url);
// "https" of "https://host"; empty without "://".
std::wstring SchemeOfUrl(const std::wstring& url);

// The API and update hosts as "host[:port]".
std::wstring GetBackendApiHost();
std::wstring GetUpdateHost();
