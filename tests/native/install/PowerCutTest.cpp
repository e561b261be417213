// The power goes after each kernel file operation in turn during a
// self-installation: the installed copy is afterwards whole, old or new, or
// absent when there was none; never a zero-filled image.
#include "install/InstallFixture.h"

#include "tests/sim/SimPowerCut.h"

namespace {

class InstallPowerCut : public installtest::InstallTest {
protected:
    // A newer download installs over `installed` (none when empty).
    bool InstallCutAfter(int cut, const std::string& installed) {
        SetUp();
        if (!installed.empty()) sim::PutFile(installtest::kTarget, installed);
        RunDownloaded(sim::MakeExecutableImage("5.0.0.1"));
        sim::PlanPowerCut(cut);
        Step("5.0.0.1");
        return sim::RestartAfterPowerCut();
    }

    void Walk(const std::string& installed) {
        const std::string newImage = sim::MakeExecutableImage("5.0.0.1");
        int cut = 0;
        for (bool during = true; during; ++cut) {
            during = InstallCutAfter(cut, installed);
            const auto target = sim::ReadFileBytes(installtest::kTarget);
            if (!target) {
                EXPECT_TRUE(installed.empty()) << "cut after operation " << cut;
                continue;
            }
            EXPECT_TRUE(*target == installed || *target == newImage) << "cut after operation " << cut;
        }
        EXPECT_GT(cut, 5) << "the walk never reached the installation";
    }
};

TEST_F(InstallPowerCut, EveryCutLeavesTheInstalledCopyWholeOrAbsent) {
    Walk(sim::MakeExecutableImage("5.0.0.0"));
    Walk("");
}

}  // namespace
