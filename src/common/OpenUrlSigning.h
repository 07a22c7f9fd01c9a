#pragma once
// The signed address of the page call openUrl (open type 2 with addParam 1):
// the page's target address gets "orvtc" (a fresh 32-hex GUID), "orvt" (the
// time in seconds since 1970) and "orvsign" (upper-case MD5 hex of the ANSI
// bytes of orvtc + orvt + the signing key).
//   - With "to=": the text up to and including the first "to=" is kept; the
//     target is what follows, up to a first "&orv_v=" after it (that part is
//     kept as the tail). The target is URL-decoded, gets the three values
//     after "&" when it holds a '?' after its first character, else after
//     "?", and is URL-encoded again (ANSI code page both ways).
//   - Without "to=": the three values are appended to the address itself,
//     after "&" when it holds a '?' after its first character, else "?";
//     nothing is re-encoded.
// Pure functions; any thread.
#include <cstdint>
#include <string>

constexpr char kOpenUrlSigningKey[] = "9f4e27a0c3d85b16e0a7f2c94d3b6e18";

struct OpenUrlSignature {
    std::wstring orvtc;
    std::wstring orvt;
    std::wstring orvsign;  // empty when the digest could not be made
};

// The signature of the values; logs the MD5 failure as the Part's Error.
OpenUrlSignature SignOpenUrlValues(const std::wstring& orvtc, int64_t orvt);

// url signed with the given values.
std::wstring SignOpenUrl(const std::wstring& url, const OpenUrlSignature& signature);
