#include "update/SignatureCheck.h"

#include "base/Handles.h"

#include "platform/Crypto.h"
#include "platform/Kernel.h"

#include "UpdateKeys.h"

#include <algorithm>

using namespace plat;

namespace {

constexpr DWORD kReadPieceSize = 4096;

// Feeds every byte of the file, as read back through the kernel, into the
// hash, one piece at a time.
bool HashFile(HANDLE file, HCRYPTHASH hash) {
    if (SetFilePointer(file, 0, FILE_BEGIN) != 0) return false;
    BYTE piece[kReadPieceSize];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, piece, kReadPieceSize, &read)) return false;
        if (read == 0) return true;
        if (!CryptHashData(hash, piece, read, 0)) return false;
    }
}

}  // namespace

bool IsSignedWithKey(HANDLE file, const Signature& signature, const unsigned char* keyBlob,
                     std::size_t keyBlobSize) {
    CryptContext context;
    if (!CryptAcquireContextA(context.Put(), PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return false;
    CryptKey key;
    if (!CryptImportKey(context.Get(), keyBlob, static_cast<DWORD>(keyBlobSize), 0, key.Put()))
        return false;
    CryptHash hash;
    if (!CryptCreateHash(context.Get(), CALG_SHA_256, 0, hash.Put())) return false;
    if (!HashFile(file, hash.Get())) return false;

    // The CryptoAPI reads the signature least significant byte first.
    Signature reversed;
    std::reverse_copy(signature.begin(), signature.end(), reversed.begin());
    return CryptVerifySignatureA(hash.Get(), reversed.data(), kSignatureSize, key.Get(), 0) != FALSE;
}

bool IsSignedByMaker(HANDLE file, const Signature& signature) {
    return std::any_of(std::begin(kUpdateKeys), std::end(kUpdateKeys), [&](const auto& key) {
        return IsSignedWithKey(file, signature, key.data(), key.size());
    });
}
