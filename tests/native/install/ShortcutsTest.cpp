// The shortcut offer and the two writers, against the simulated shell's
// link object.
#include "InstallFixture.h"

#include "install/Shortcuts.h"
#include "base/CString.h"
#include "tests/sim/SimFaults.h"

#include <vector>

namespace installtest {
namespace {

const std::string kQuestion = "为了方便你以后继续使用，是否添加一个快捷方式Veltrano到你的桌面和程序？";
const std::string kDesktop = "C:\\Users\\user\\Desktop";
const std::string kCommonMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
const std::string kUserMenu = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";

struct Row {
    std::string link;
    std::string target;
    bool argumentsSet;
};

// The marker and the five links, in the order they are written.
std::vector<Row> ExpectedRows(const std::string& target, const std::string& desktopTarget) {
    return {
        {kMarker, target, true},
        {kDesktop + "\\ Veltrano.lnk", desktopTarget, false},
        {kCommonMenu + "\\ Veltrano.lnk", target, true},
        {kCommonMenu + "\\Programs\\ Veltrano\\ Veltrano.lnk", target, true},
        {kUserMenu + "\\ Veltrano.lnk", target, true},
        {kUserMenu + "\\Programs\\ Veltrano\\ Veltrano.lnk", target, true},
    };
}

class OfferTest : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        ASSERT_TRUE(sim::MakeFolder(kInstallFolder));
        sim::SetModulePath(kTarget);
    }
    void Offer() { OfferShortcuts(m_hwnd, kInstallFolder.c_str(), true); }
    void ExpectRowsWritten(const std::vector<Row>& rows, std::size_t firstSave = 0) {
        const auto saves = sim::LinkSaves();
        ASSERT_EQ(firstSave + rows.size(), saves.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].link);
            const sim::LinkSave& s = saves[firstSave + i];
            EXPECT_EQ(rows[i].link, s.file);
            EXPECT_EQ(rows[i].target, s.target);
            EXPECT_EQ(rows[i].argumentsSet, s.argumentsSet);
            EXPECT_EQ("", s.arguments);
            EXPECT_EQ(plat::FALSE, s.remember);
            EXPECT_TRUE(s.written);
            const auto file = sim::ReadLink(rows[i].link);
            ASSERT_TRUE(file.has_value());
            EXPECT_EQ(rows[i].target, file->target);
        }
    }
};

TEST_F(OfferTest, YesWritesTheMarkerAndFiveLinksInOrder) {
    sim::QueueAnswer(plat::IDYES);
    Offer();

    const auto boxes = sim::MessageBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kQuestion, boxes[0].text);
    EXPECT_EQ("tarnquill", boxes[0].caption);
    EXPECT_EQ(plat::MB_YESNO | plat::MB_ICONQUESTION, boxes[0].style);
    EXPECT_TRUE(boxes[0].fromAfx);

    // The desktop link points at the install target less ".exe".
    ExpectRowsWritten(ExpectedRows(kTarget, kInstallFolder + "tarnquill"));
    EXPECT_TRUE(sim::IsFolder(kCommonMenu + "\\Programs\\ Veltrano"));
    EXPECT_TRUE(sim::IsFolder(kUserMenu + "\\Programs\\ Veltrano"));
    // No link on the all-users desktop, none directly in a programs folder.
    EXPECT_FALSE(sim::Exists(kCommonMenu + "\\Programs\\ Veltrano.lnk"));
    EXPECT_FALSE(sim::Exists(kUserMenu + "\\Programs\\ Veltrano.lnk"));

    // Each folder fetched right before its row, never created by the shell.
    const std::vector<int> order = {plat::CSIDL_DESKTOPDIRECTORY, plat::CSIDL_COMMON_STARTMENU,
                                    plat::CSIDL_COMMON_PROGRAMS, plat::CSIDL_STARTMENU, plat::CSIDL_PROGRAMS};
    const auto calls = sim::SpecialFolderCalls();
    ASSERT_EQ(order.size(), calls.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(order[i], calls[i].csidl);
        EXPECT_EQ(plat::FALSE, calls[i].create);
        EXPECT_EQ(i == 0 ? nullptr : m_hwnd, calls[i].owner);  // the desktop writer has no owner
    }
    EXPECT_EQ(6, sim::CoInitializeCalls());
    EXPECT_EQ(6, sim::CoUninitializeCalls());
}

TEST_F(OfferTest, MarkerPresentAsksAndWritesNothing) {
    ASSERT_TRUE(sim::PutFile(kMarker, "any link"));
    Offer();  // an unexpected message box would fail the test
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_TRUE(sim::LinkSaves().empty());
    EXPECT_EQ(0, sim::CoInitializeCalls());
    EXPECT_FALSE(sim::Exists(kDesktop + "\\ Veltrano.lnk"));
}

TEST_F(OfferTest, NoWritesNothingAndTheQuestionComesBack) {
    sim::QueueAnswer(plat::IDNO);
    Offer();
    EXPECT_TRUE(sim::LinkSaves().empty());
    EXPECT_FALSE(sim::Exists(kMarker));
    EXPECT_FALSE(sim::Exists(kCommonMenu + "\\Programs\\ Veltrano"));
    EXPECT_EQ(0, sim::CoInitializeCalls());

    sim::QueueAnswer(plat::IDNO);
    Offer();
    EXPECT_EQ(2u, sim::MessageBoxes().size());
    EXPECT_TRUE(sim::ListFolder(kInstallFolder).empty());
}

TEST_F(OfferTest, DeletedMarkerBringsTheQuestionBackAndYesRewritesEveryRow) {
    sim::QueueAnswer(plat::IDYES);
    Offer();
    Offer();  // marker there: silent
    ASSERT_EQ(1u, sim::MessageBoxes().size());

    // Other links deleted too; only the marker decides.
    ASSERT_TRUE(sim::RemovePath(kDesktop + "\\ Veltrano.lnk"));
    ASSERT_TRUE(sim::RemovePath(kMarker));
    sim::QueueAnswer(plat::IDYES);
    Offer();

    EXPECT_EQ(2u, sim::MessageBoxes().size());
    ExpectRowsWritten(ExpectedRows(kTarget, kInstallFolder + "tarnquill"), 6);
}

TEST_F(OfferTest, FailingLaterRowsKeepTheMarkerAndEveryRowIsTried) {
    // Everything after the marker fails to save.
    sim::InjectFault(sim::Op::PersistFileSave, 2, sim::Fault::Always());
    sim::QueueAnswer(plat::IDYES);
    Offer();
    EXPECT_EQ(6u, sim::LinkSaves().size());
    EXPECT_TRUE(sim::Exists(kMarker));
    EXPECT_FALSE(sim::Exists(kDesktop + "\\ Veltrano.lnk"));
    Offer();  // no second question
    EXPECT_EQ(1u, sim::MessageBoxes().size());
}

TEST_F(OfferTest, RowWhoseFolderIsUnknownIsSkippedAndNothingLandsInTheDriveRoot) {
    for (int lookup = 1; lookup <= 5; ++lookup) {  // desktop, then the four menu folders
        SCOPED_TRACE(lookup);
        TearDown();
        SetUp();
        sim::InjectFault(sim::Op::SHGetSpecialFolderPath, lookup);
        sim::QueueAnswer(plat::IDYES);
        Offer();
        EXPECT_EQ(5u, sim::LinkSaves().size());
        EXPECT_TRUE(sim::Exists(kMarker));
        for (const std::string& name : sim::ListFolder("C:\\")) EXPECT_EQ(std::string::npos, name.find("Veltrano"));
    }
}

// Where CreateShortcut stops, what it answers, and that COM stays balanced.
struct ComFaultCase {
    const char* what;
    sim::Op op;
    plat::BOOL result;
    int uninitCalls;
    bool saved;
};

TEST_F(OfferTest, CreateShortcutReleasesAndUninitialisesOnEveryPath) {
    const std::string link = kInstallFolder + "x.lnk";
    const ComFaultCase cases[] = {
        {"CoInitialize fails", sim::Op::CoInitialize, plat::FALSE, 0, false},
        {"no link object", sim::Op::CoCreateInstance, plat::FALSE, 1, false},
        {"no IPersistFile", sim::Op::QueryInterface, plat::FALSE, 1, false},
        {"SetPath fails", sim::Op::ShellLinkSetPath, plat::TRUE, 1, true},
        {"SetArguments fails", sim::Op::ShellLinkSetArguments, plat::TRUE, 1, true},
        {"Save fails", sim::Op::PersistFileSave, plat::TRUE, 1, false},
    };
    for (const ComFaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        sim::InjectFault(c.op, 1);
        EXPECT_EQ(c.result, CreateShortcut(kTarget.c_str(), link.c_str(), "-a"));
        EXPECT_EQ(0, sim::PendingFaultCount());
        EXPECT_EQ(c.uninitCalls, sim::CoUninitializeCalls());
        EXPECT_EQ(c.saved, sim::Exists(link));
        // Balance and releases are checked by TearDown.
    }
}

TEST_F(OfferTest, CreateShortcutSetsTargetArgumentsAndSavesUnderTheWideName) {
    const std::string link = kInstallFolder + "\xD5\x5C link.lnk";  // "誠 link.lnk"
    EXPECT_EQ(plat::TRUE, CreateShortcut(kTarget.c_str(), link.c_str(), "--fast \"x\""));
    const auto file = sim::ReadLink(link);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(kTarget, file->target);
    EXPECT_EQ("--fast \"x\"", file->arguments);
}

TEST_F(OfferTest, AlreadyInitialisedComIsBalancedToo) {
    sim::SetCoInitializeResult(plat::S_FALSE);
    sim::QueueAnswer(plat::IDYES);
    Offer();
    EXPECT_EQ(6, sim::CoUninitializeCalls());
    EXPECT_EQ(6u, sim::LinkSaves().size());
}

TEST_F(OfferTest, LinkPathTooLongForTheWideBufferSavesNothing) {
    // 300 bytes of ASCII do not fit 260 wide characters: the name stays empty.
    ASSERT_TRUE(sim::MakeFolder("C:\\" + std::string(200, 'f')));
    const std::string link = "C:\\" + std::string(200, 'f') + "\\" + std::string(93, 'n') + ".lnk";
    EXPECT_EQ(plat::TRUE, CreateShortcut(kTarget.c_str(), link.c_str(), ""));
    const auto saves = sim::LinkSaves();
    ASSERT_EQ(1u, saves.size());
    EXPECT_EQ("", saves[0].file);
    EXPECT_FALSE(saves[0].written);
}

TEST_F(OfferTest, DesktopWriterStopsCleanlyOnEachFault) {
    const ComFaultCase cases[] = {
        {"CoInitialize fails", sim::Op::CoInitialize, plat::FALSE, 0, false},
        {"no link object", sim::Op::CoCreateInstance, plat::FALSE, 1, false},
        {"no IPersistFile", sim::Op::QueryInterface, plat::FALSE, 1, false},
        {"Save fails", sim::Op::PersistFileSave, plat::FALSE, 1, false},
    };
    for (const ComFaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        sim::InjectFault(c.op, 1);
        CreateDesktopShortcut(kTarget.c_str());
        EXPECT_EQ(0, sim::PendingFaultCount());
        EXPECT_EQ(c.uninitCalls, sim::CoUninitializeCalls());
        EXPECT_FALSE(sim::Exists(kDesktop + "\\ Veltrano.lnk"));
    }
    // Without an IPersistFile the desktop folder is not even looked up.
    TearDown();
    SetUp();
    sim::InjectFault(sim::Op::QueryInterface, 1);
    CreateDesktopShortcut(kTarget.c_str());
    EXPECT_TRUE(sim::SpecialFolderCalls().empty());
}

}  // namespace
}  // namespace installtest
