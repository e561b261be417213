// Which system commands open the About box.
#pragma once

// The About item's command, IDM_ABOUTBOX.
constexpr unsigned kAboutBoxCommand = 0x0010;

// True when bits 4 to 15 of the command make IDM_ABOUTBOX: the platform uses
// the low four bits inside system commands, and the high word is not part
// of the command. So 0x0010 to 0x001F all open the box.
inline bool IsAboutBoxCommand(unsigned nID) {
    return (nID & 0xFFF0u) == kAboutBoxCommand;
}
