#include "BlockHash.h"

#include "Handles.h"
#include "OrvLog.h"

namespace orvdown {
namespace {

HCRYPTPROV Provider() {
    static const UniqueCryptProv provider = [] {
        HCRYPTPROV h = 0;
        if (!::CryptAcquireContextW(&h, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
            ORV_ERROR(L"CryptAcquireContext failed, error=%lu", ::GetLastError());
            h = 0;
        }
        return UniqueCryptProv(h);
    }();
    return provider.get();
}

}  // namespace

bool HashBlock(const void* data, size_t cb, BlockHash* out) {
    HCRYPTPROV provider = Provider();
    HCRYPTHASH raw = 0;
    if (!provider || !::CryptCreateHash(provider, CALG_SHA1, 0, 0, &raw)) return false;
    UniqueCryptHash hash(raw);
    DWORD cbHash = static_cast<DWORD>(out->size());
    return ::CryptHashData(hash.get(), static_cast<const BYTE*>(data), static_cast<DWORD>(cb), 0) &&
           ::CryptGetHashParam(hash.get(), HP_HASHVAL, out->data(), &cbHash, 0) && cbHash == out->size();
}

}  // namespace orvdown
