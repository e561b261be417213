// Texts the update shows in more than one of its boxes.
#pragma once

// The caption of every box that says an update did not take: the failed
// download or swap, and the undo of a version that never started.
inline constexpr char kUpdateFailedCaption[] = "更新失败！";
