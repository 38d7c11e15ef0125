#pragma once
// Texts the main window shows on its own.

namespace penshelf::texts {

inline constexpr const char* connectPenPrompt = "请连接点读系列产品！";

}  // namespace penshelf::texts
