#include "update/SignatureDownload.h"
#include "update/TransferDeadline.h"
#include "update/UpdateSettings.h"

#include "platform/Inet.h"

#include <algorithm>

using namespace plat;

namespace {
constexpr DWORD kHttpOk = 200;
}

bool ReadSignature(HINTERNET hUrl, Signature& signature) {
    DWORD status = 0;
    if (!HttpQueryInfoNumber(hUrl, HTTP_QUERY_STATUS_CODE, &status) || status != kHttpOk) return false;

    // One byte of room beyond the signature tells a longer body from a whole one.
    unsigned char body[kSignatureSize + 1];
    DWORD stored = 0;
    TransferDeadline deadline(kSignatureDeadlineMs);
    for (;;) {
        if (deadline.Passed()) return false;
        DWORD read = 0;
        if (!InternetReadFile(hUrl, body + stored, sizeof body - stored, &read)) return false;
        if (read == 0) break;
        stored += read;
        if (stored == sizeof body) return false;
    }
    if (stored != kSignatureSize) return false;
    std::copy(body, body + kSignatureSize, signature.begin());
    return true;
}
