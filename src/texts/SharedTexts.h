#pragma once
// Texts both programs show to the user in the same words: the window and
// penshelf-cli say the same, marked for their translation.

#include "texts/Language.h"

namespace penshelf::texts {

inline constexpr const char* connectPenPrompt = WINDOW_TEXT("请连接点读系列产品！");

// A book package's number and its install: the install window's information line.
inline constexpr const char* numberNotDigits = WINDOW_TEXT("点读包编号必须为数字！");
inline constexpr const char* numberNotThreeDigits = WINDOW_TEXT("点读包编号号必须为3位数字！");
inline constexpr const char* numberTaken = WINDOW_TEXT("此点读包编号已存在！");
inline constexpr const char* bookFileInvalid = WINDOW_TEXT("点读包文件无效！");
inline constexpr const char* penSpaceTooSmall = WINDOW_TEXT("点读笔空间不足，无法安装此点读包！");
inline constexpr const char* bookFileTooLarge =
    WINDOW_TEXT("点读包文件不能超过4GB，点读笔无法存放此点读包！");
inline constexpr const char* installing = WINDOW_TEXT("正在安装点读包……");
inline constexpr const char* flushingToPen = WINDOW_TEXT("正在写入点读笔，请勿拔出……");
inline constexpr const char* installFailed = WINDOW_TEXT("安装点读包失败！");
inline constexpr const char* installCancelled = WINDOW_TEXT("已取消，点读笔上没有留下这本点读包。");
// The pen's file system refuses writes: mounted read-only, or turned so by the
// kernel after an error. The window's own texts point at the same menu command.
inline constexpr const char* penReadOnly =
    WINDOW_TEXT("点读笔处于只读状态，无法写入！请用“点读笔”菜单中的“检查点读笔…”检查。");
// The same, short: the window's tooltips, and why a restore's copy failed.
inline constexpr const char* penReadOnlyTip = WINDOW_TEXT("点读笔处于只读状态，无法写入");

// Removing a package.
inline constexpr const char* removeWarning = WINDOW_TEXT("删除点读包后将不能恢复！");

// Ejecting a pen.
inline constexpr const char* ejectFailed =
    WINDOW_TEXT("弹出点读笔失败，请关闭正在使用点读笔的程序后重试！");

}  // namespace penshelf::texts
