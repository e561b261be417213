// Laying out a dialog's children in the simulated window manager, driven
// the way the main window drives it: a size change delivers WM_SIZE, whose
// handler runs the layout after default processing.
#include "platform/User.h"
#include "tests/sim/SimKernel.h"
#include "ui/Layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ResizeChildrenTest : public ::testing::Test {
protected:
    static constexpr sim::Borders kFrame{3, 22, 3, 3};

    void SetUp() override { sim::Reset(); }

    // A top-level dialog at (100, 50) with frame borders, so that screen and
    // client coordinates differ, and a client area of width x height.
    plat::HWND MakeDialog(int width, int height) {
        dlg_ = sim::CreateWindow(nullptr, 0,
                                 plat::RECT{100, 50, 100 + width + 6, 50 + height + 25}, kFrame);
        width_ = width;
        height_ = height;
        sim::SetMessageHandler(dlg_, [this](plat::UINT msg, plat::WPARAM type, plat::LPARAM) {
            if (msg == plat::WM_SIZE) LayoutAfterSize(dlg_, static_cast<plat::UINT>(type), width_, height_);
            return plat::LRESULT{0};
        });
        return dlg_;
    }

    // Changes the dialog's client size through the window manager.
    void SetClientSize(int width, int height) {
        plat::RECT w = sim::WindowRect(dlg_);
        plat::RECT c = sim::ClientRect(dlg_);
        int frameX = (w.right - w.left) - c.right;
        int frameY = (w.bottom - w.top) - c.bottom;
        plat::MoveWindow(dlg_, w.left, w.top, width + frameX, height + frameY, plat::TRUE);
        ASSERT_EQ(sim::ClientRect(dlg_).right, width);
        ASSERT_EQ(sim::ClientRect(dlg_).bottom, height);
    }

    // The child's rectangle in the dialog's client coordinates.
    plat::RECT InClient(plat::HWND child) {
        plat::RECT r = sim::WindowRect(child);
        plat::RECT d = sim::WindowRect(dlg_);
        int originX = d.left + kFrame.left;
        int originY = d.top + kFrame.top;
        return plat::RECT{r.left - originX, r.top - originY, r.right - originX, r.bottom - originY};
    }

    std::vector<sim::MoveCall> ChildMoves() {
        std::vector<sim::MoveCall> moves;
        for (const sim::MoveCall& m : sim::MoveCalls())
            if (m.hwnd != dlg_) moves.push_back(m);
        return moves;
    }

    plat::HWND dlg_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

void ExpectRect(const plat::RECT& r, int left, int top, int right, int bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

TEST_F(ResizeChildrenTest, ScalesHorizontalAndVerticalEdgesApart) {
    MakeDialog(200, 400);
    plat::HWND child = sim::CreateWindow(dlg_, 1000, plat::RECT{10, 20, 110, 220});

    SetClientSize(300, 400);

    ExpectRect(InClient(child), 15, 20, 165, 220);
    ASSERT_EQ(ChildMoves().size(), 1u);
    EXPECT_EQ(ChildMoves()[0].hwnd, child);
    EXPECT_EQ(ChildMoves()[0].repaint, plat::TRUE);
    EXPECT_EQ(width_, 300);
    EXPECT_EQ(height_, 400);
}

TEST_F(ResizeChildrenTest, MaximiseAndRestoreShaveAPixelThatIsNeverMadeGood) {
    MakeDialog(300, 200);
    plat::HWND child = sim::CreateWindow(dlg_, 1000, plat::RECT{0, 0, 300, 200});

    SetClientSize(350, 260);
    ExpectRect(InClient(child), 0, 0, 349, 259);

    SetClientSize(300, 200);
    ExpectRect(InClient(child), 0, 0, 299, 199);

    SetClientSize(350, 260);
    SetClientSize(300, 200);
    ExpectRect(InClient(child), 0, 0, 298, 198);
}

TEST_F(ResizeChildrenTest, EveryChildIsScaledTopOfZOrderFirst) {
    MakeDialog(100, 100);
    plat::HWND first = sim::CreateWindow(dlg_, 1, plat::RECT{0, 0, 50, 50});
    plat::HWND second = sim::CreateWindow(dlg_, 2, plat::RECT{50, 50, 100, 100});

    SetClientSize(200, 300);

    ExpectRect(InClient(first), 0, 0, 100, 150);
    ExpectRect(InClient(second), 100, 150, 200, 300);
    std::vector<sim::MoveCall> moves = ChildMoves();
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].hwnd, first);
    EXPECT_EQ(moves[1].hwnd, second);
}

TEST_F(ResizeChildrenTest, UnchangedSizeLeavesChildrenExactlyInPlace) {
    MakeDialog(537, 421);
    plat::HWND child = sim::CreateWindow(dlg_, 1000, plat::RECT{3, 7, 531, 419});

    ResizeChildren(dlg_, width_, height_);

    ExpectRect(InClient(child), 3, 7, 531, 419);
}

TEST_F(ResizeChildrenTest, WithoutChildrenOnlyTheSizeIsStored) {
    MakeDialog(200, 100);

    SetClientSize(640, 480);

    EXPECT_TRUE(ChildMoves().empty());
    EXPECT_EQ(width_, 640);
    EXPECT_EQ(height_, 480);
}

TEST_F(ResizeChildrenTest, RememberedZeroSizeMovesNothingAndStoresTheNewSize) {
    MakeDialog(200, 100);
    plat::HWND child = sim::CreateWindow(dlg_, 1000, plat::RECT{0, 0, 200, 100});
    width_ = 0;

    ResizeChildren(dlg_, width_, height_);

    EXPECT_TRUE(ChildMoves().empty());
    ExpectRect(InClient(child), 0, 0, 200, 100);
    EXPECT_EQ(width_, 200);
    EXPECT_EQ(height_, 100);

    // The next layout scales from the stored size again.
    height_ = 0;
    ResizeChildren(dlg_, width_, height_);
    EXPECT_EQ(height_, 100);
    SetClientSize(400, 100);
    ExpectRect(InClient(child), 0, 0, 400, 100);
}

TEST_F(ResizeChildrenTest, OnlyRestoredAndMaximisedSizesAreLaidOut) {
    MakeDialog(300, 200);
    plat::HWND child = sim::CreateWindow(dlg_, 1000, plat::RECT{0, 0, 300, 200});
    sim::SetMessageHandler(dlg_, nullptr);  // drive the handler by hand below
    SetClientSize(150, 100);

    for (plat::UINT type : {plat::SIZE_MINIMIZED, plat::UINT{3}, plat::UINT{4}}) {
        EXPECT_FALSE(LayoutAfterSize(dlg_, type, width_, height_)) << type;
        EXPECT_EQ(width_, 300);
        EXPECT_EQ(height_, 200);
    }
    ExpectRect(InClient(child), 0, 0, 300, 200);
    EXPECT_TRUE(ChildMoves().empty());

    EXPECT_TRUE(LayoutAfterSize(dlg_, plat::SIZE_MAXIMIZED, width_, height_));
    EXPECT_EQ(width_, 150);
    EXPECT_EQ(height_, 100);
    ExpectRect(InClient(child), 0, 0, 150, 100);
}

}  // namespace
