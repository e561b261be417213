#include "update/SignatureDownload.h"
#include "update/UpdateSettings.h"
#include "update/UrlAnswer.h"

#include <algorithm>

using namespace plat;

bool ReadSignature(HINTERNET hUrl, Signature& signature, DWORD& stored) {
    stored = 0;
    if (!AnsweredOk(hUrl)) return false;

    // One byte of room beyond the signature tells a longer body from a whole one.
    unsigned char body[kSignatureSize + 1];
    auto room = [&](DWORD& size) {
        size = sizeof body - stored;
        return body + stored;
    };
    auto took = [&](DWORD read) {
        stored += read;
        return stored != sizeof body;
    };
    if (!ReadToEnd(hUrl, kSignatureDeadlineMs, room, took) || stored != kSignatureSize) return false;
    std::copy(body, body + kSignatureSize, signature.begin());
    return true;
}
