// The CryptoAPI: the real advapi32 calls, bound at first use (SystemDll.h),
// like the other libraries only the update needs. As an import, advapi32
// would come first in the import table (it is sorted by name), and Wine maps
// its dependencies before ole32, into ole32's own address: ole32 would then
// be relocated, half a megabyte of private pages at every start. When the
// library cannot be bound every call fails, as with a bad signature.
#include "platform/Crypto.h"
#include "platform/win32/SystemDll.h"

#include <windows.h>
#include <wincrypt.h>

static_assert(sizeof(plat::HCRYPTPROV) == sizeof(::HCRYPTPROV), "same handle width");

namespace plat {
namespace {

template <class Fn>
Fn Advapi32(const char* name) {
    return win32::SystemFunction<Fn>("advapi32.dll", name);
}

}  // namespace

BOOL CryptAcquireContextA(HCRYPTPROV* phProv, DWORD dwProvType, DWORD dwFlags) {
    static const auto fn = Advapi32<decltype(&::CryptAcquireContextA)>("CryptAcquireContextA");
    ::HCRYPTPROV h = 0;
    BOOL ok = fn && fn(&h, nullptr, nullptr, dwProvType, dwFlags);
    *phProv = ok ? h : 0;
    return ok;
}

BOOL CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) {
    static const auto fn = Advapi32<decltype(&::CryptReleaseContext)>("CryptReleaseContext");
    return fn ? fn(hProv, dwFlags) : FALSE;
}

BOOL CryptImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags,
                    HCRYPTKEY* phKey) {
    static const auto fn = Advapi32<decltype(&::CryptImportKey)>("CryptImportKey");
    ::HCRYPTKEY h = 0;
    BOOL ok = fn && fn(hProv, pbData, dwDataLen, 0, dwFlags, &h);
    *phKey = ok ? h : 0;
    return ok;
}

BOOL CryptDestroyKey(HCRYPTKEY hKey) {
    static const auto fn = Advapi32<decltype(&::CryptDestroyKey)>("CryptDestroyKey");
    return fn ? fn(hKey) : FALSE;
}

BOOL CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTHASH* phHash) {
    static const auto fn = Advapi32<decltype(&::CryptCreateHash)>("CryptCreateHash");
    ::HCRYPTHASH h = 0;
    BOOL ok = fn && fn(hProv, Algid, 0, dwFlags, &h);
    *phHash = ok ? h : 0;
    return ok;
}

BOOL CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags) {
    static const auto fn = Advapi32<decltype(&::CryptHashData)>("CryptHashData");
    return fn ? fn(hHash, pbData, dwDataLen, dwFlags) : FALSE;
}

BOOL CryptDestroyHash(HCRYPTHASH hHash) {
    static const auto fn = Advapi32<decltype(&::CryptDestroyHash)>("CryptDestroyHash");
    return fn ? fn(hHash) : FALSE;
}

BOOL CryptVerifySignatureA(HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen,
                           HCRYPTKEY hPubKey, DWORD dwFlags) {
    static const auto fn = Advapi32<decltype(&::CryptVerifySignatureA)>("CryptVerifySignatureA");
    return fn ? fn(hHash, pbSignature, dwSigLen, hPubKey, nullptr, dwFlags) : FALSE;
}

}  // namespace plat
