#pragma once
// The deployment's server hosts, as "host" or "host:port" text.
//   back-end API host  the HTTPS host of "/orv2/api/getFrontData.do"
//   update host        the HTTP host of the self-update check "/version/get"
// The shipped values (reserved .invalid names until a deployment sets them) are replaced by the environment variables
// CORRIN_BACKEND_HOST and CORRIN_UPDATE_HOST when they are set (test and
// staging deployments point them at their own servers). Read at every call.
#include <string>

std::wstring GetBackendApiHost();
std::wstring GetUpdateHost();
