// Which system commands the main window takes for the About item.
#include "ui/AboutCommand.h"

#include <gtest/gtest.h>

namespace {

TEST(AboutBoxCommand, TheWholeLowNibbleRangeOfTheItemOpensTheBox) {
    for (unsigned id = 0x0010; id <= 0x001F; ++id) EXPECT_TRUE(IsAboutBoxCommand(id)) << id;
    // The high word is not part of the command.
    EXPECT_TRUE(IsAboutBoxCommand(0x00010010u));
    EXPECT_TRUE(IsAboutBoxCommand(0xFFFF001Fu));
}

TEST(AboutBoxCommand, ThePlatformsOwnCommandsAndNeighboursDoNot) {
    const unsigned platformCommands[] = {0xF060 /*SC_CLOSE*/,    0xF010 /*SC_MOVE*/,
                                         0xF000 /*SC_SIZE*/,     0xF020 /*SC_MINIMIZE*/,
                                         0xF030 /*SC_MAXIMIZE*/, 0xF120 /*SC_RESTORE*/,
                                         0xF100 /*SC_KEYMENU*/,  0xF012 /*move by mouse*/};
    for (unsigned id : platformCommands) EXPECT_FALSE(IsAboutBoxCommand(id)) << std::hex << id;
    for (unsigned id : {0x0000u, 0x000Fu, 0x0020u, 0x0110u, 0x1010u}) EXPECT_FALSE(IsAboutBoxCommand(id)) << id;
}

}  // namespace
