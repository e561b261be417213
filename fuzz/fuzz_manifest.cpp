// The blocking update procedure fed any manifest body: only a well-formed
// version above the running one, short enough for the release's addresses
// that carry it, is installed, and then exactly the signed executable
// served, which is newer than the running one; nothing else touches the
// disk, nothing is shown, no handle is left open, and a body that is no
// version is a failure, never "current".
#include "FuzzCheck.h"

#include "tests/sim/SimCrypto.h"
#include "tests/sim/SimInet.h"
#include "tests/sim/SimKernel.h"
#include "update/AutoUpdater.h"

namespace {

const std::string kBase = "http://www.veltrano.example/tarnquill/update/";
const std::string kExe = "C:\\ProgramData\\Veltrano\\tarnquill.exe";
const std::string kBackup = "C:\\ProgramData\\Veltrano\\OldExecutable.bak";
const std::string kTempDir = "C:\\Users\\user\\AppData\\Local\\Temp";
const fuzzref::Version kRunning = {5, 0, 0, 0};
const std::string kSigningKey = TQ_TEST_KEYS_DIR "/TEST-ONLY-update-signing-key.pem";

// The executable the server holds: the announced version when it can carry
// it (numbers up to 65535), else a newer one that the announcement names
// only in part; either is newer than the running program.
std::string ServedImage(const std::optional<fuzzref::Version>& announced) {
    if (!announced) return sim::MakeExecutableImage("5.0.0.1");
    for (auto n : *announced)
        if (n > 65535) return sim::MakeExecutableImage("5.0.0.1");
    const auto& v = *announced;
    const std::string text = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                             std::to_string(v[2]) + "." + std::to_string(v[3]);
    return sim::MakeExecutableImage(text.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);

    sim::Reset();
    const std::string oldImage = sim::MakeExecutableImage("5.0.0.0");
    sim::SetModulePath(kExe);
    sim::PutFile(kExe, oldImage);
    sim::SetRunningImage(kExe, true);

    // What the program may take as the manifest: one read of at most 4095
    // bytes, up to the first zero byte.
    std::string manifest = body.substr(0, 4095);
    manifest = manifest.substr(0, manifest.find('\0'));
    const auto announced = fuzzref::ParseVersion(manifest);
    const bool newer = announced && *announced > kRunning;
    const std::string served = ServedImage(announced);

    // The release's files are asked for under the announced version; the
    // signature's address, the longer one, must fit the program's 1024-byte
    // buffer of a URL (digits and dots are their own canonical form).
    const std::string exeUrl = kBase + "tarnquill.exe?v=" + manifest;
    const std::string sigUrl = kBase + "tarnquill.exe.sig?v=" + manifest;
    const bool addressable = sigUrl.size() < 1024;
    sim::ServeBody(kBase + "update.txt", body);
    sim::ServeBody(exeUrl, served);
    // Signing costs milliseconds; only a newer announcement ever asks for it.
    if (newer) sim::ServeBody(sigUrl, sim::SignWithKey(served, kSigningKey));

    UpdateResult result;
    UpdateFailure why = UpdateFailure::None;
    {
        CAutoUpdater updater;
        result = updater.CheckForUpdate(kBase.c_str(), &why);
    }

    FUZZ_CHECK(sim::OpenUrlHandleCount() == 0 && sim::OpenSessionCount() == 0);
    FUZZ_CHECK(sim::OpenFileHandleCount() == 0);
    FUZZ_CHECK(sim::BadHandleCalls().empty() && sim::BadInternetHandleCalls().empty());

    FUZZ_CHECK(sim::MessageBoxes().empty());
    if (manifest.empty()) {
        FUZZ_CHECK(result == ManifestReadFailed || result == NoNewerVersion);
    } else if (!newer) {
        FUZZ_CHECK(result == NoNewerVersion);
    }
    // Current only after a version was read and is not above the running one.
    FUZZ_CHECK((why == UpdateFailure::None) == ((announced && !newer) || (newer && addressable)));
    if (newer && !addressable) FUZZ_CHECK(result == OpenFailed);
    if (!newer || !addressable) {
        FUZZ_CHECK(sim::ReadFileBytes(kExe) == oldImage);
        FUZZ_CHECK(!sim::Exists(kBackup) && sim::ListFolder(kTempDir).empty());
        return 0;
    }
    FUZZ_CHECK(result == Updated);
    FUZZ_CHECK(sim::ReadFileBytes(kExe) == served);
    FUZZ_CHECK(sim::ReadFileBytes(kBackup) == oldImage);
    return 0;
}
