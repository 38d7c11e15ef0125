#pragma once
// Texts the window shows to the user; those penshelf-cli shows too are in
// texts/SharedTexts.h.

#include "texts/SharedTexts.h"

namespace penshelf::texts {

// A pen whose file system refuses writes: the line under the pen row, and
// the tooltip of each control that would write.
inline constexpr const char* penReadOnlyLine = WINDOW_TEXT(
    "此点读笔处于只读状态，文件系统可能已损坏，不能安装、删除或恢复点读包。"
    "请用“点读笔”菜单中的“检查点读笔…”检查。");

// Choosing a package to install.
inline constexpr const char* chooseBookPrompt = WINDOW_TEXT("请选择需要安装的点读包");
inline constexpr const char* bookFileFilter = WINDOW_TEXT("点读包 (*.vxb)");

// Removing a package: the alert's question follows the book's name on a line of its own.
inline constexpr const char* removeQuestion = WINDOW_TEXT("\r\n是否删除此点读包？");
inline constexpr const char* removeButton = WINDOW_TEXT("删除");
inline constexpr const char* cancelButton = WINDOW_TEXT("取消");

// Downloads from the portal, in the main window's download list. %1 is a path.
inline constexpr const char* bookDownloaded = WINDOW_TEXT("点读包已下载到 %1");
inline constexpr const char* bookDownloadedNoPen =
    WINDOW_TEXT("点读包已下载到 %1，连接点读笔后即可安装。");
inline constexpr const char* fileDownloaded = WINDOW_TEXT("文件已保存到 %1");
inline constexpr const char* downloadCancelled = WINDOW_TEXT("下载已取消");
inline constexpr const char* downloadFailed = WINDOW_TEXT("下载失败：");
// What follows downloadFailed.
inline constexpr const char* noDownloadFolder = WINDOW_TEXT("无法创建下载文件夹");
inline constexpr const char* diskFull = WINDOW_TEXT("磁盘空间不足");
inline constexpr const char* folderNotWritable = WINDOW_TEXT("没有写入下载文件夹的权限");
inline constexpr const char* nameTooLong = WINDOW_TEXT("文件名过长");
inline constexpr const char* fileNotSaved = WINDOW_TEXT("无法保存文件");
inline constexpr const char* networkTimeout = WINDOW_TEXT("网络超时");
inline constexpr const char* networkDown = WINDOW_TEXT("网络已断开");
inline constexpr const char* networkFailed = WINDOW_TEXT("网络连接失败");
inline constexpr const char* serverRefused = WINDOW_TEXT("服务器拒绝了下载");
inline constexpr const char* serverCertificate = WINDOW_TEXT("服务器证书无效");
inline constexpr const char* transferCut = WINDOW_TEXT("连接中断，文件不完整");
inline constexpr const char* serverFailed = WINDOW_TEXT("服务器出错");
inline constexpr const char* unknownFailure = WINDOW_TEXT("未知错误");
// Backing up a pen's books and restoring them: the folder dialogs and the
// window that copies; how each ends is in texts/BackupMessages.h. %1, %2:
// filled in by QString::arg.
inline constexpr const char* chooseBackupFolder = WINDOW_TEXT("备份点读包到新文件夹");
inline constexpr const char* backupFolderName = WINDOW_TEXT("文件夹名称：");
inline constexpr const char* backupButton = WINDOW_TEXT("备份");
inline constexpr const char* chooseRestoreFolder = WINDOW_TEXT("选择要恢复的备份文件夹");
inline constexpr const char* backupFolderFallback =
    WINDOW_TEXT("点读笔");  // when the code makes no name
inline constexpr const char* backupTitle = WINDOW_TEXT("备份点读包");
inline constexpr const char* restoreTitle = WINDOW_TEXT("恢复点读包");
inline constexpr const char* backingUp = WINDOW_TEXT("正在备份：%1");
inline constexpr const char* checkingBackup = WINDOW_TEXT("正在校验：%1");
inline constexpr const char* restoring = WINDOW_TEXT("正在恢复：%1");
inline constexpr const char* bookOfBooks = WINDOW_TEXT("第 %1 本，共 %2 本　%3 / %4");
inline constexpr const char* cancelling = WINDOW_TEXT("正在取消……");
inline constexpr const char* closeButton = WINDOW_TEXT("关闭");
inline constexpr const char* conflictQuestion =
    WINDOW_TEXT("点读笔上已有其他点读包占用了下列点读包的编号：");
inline constexpr const char* conflictHint =
    WINDOW_TEXT("跳过这些点读包，还是为它们使用同类点读包中最小的空闲编号？");
inline constexpr const char* skipButton = WINDOW_TEXT("跳过");
inline constexpr const char* renumberButton = WINDOW_TEXT("使用空闲编号");
inline constexpr const char* backedUpHeading = WINDOW_TEXT("已备份（%1）：");
inline constexpr const char* notBackedUpHeading = WINDOW_TEXT("未能备份（%1）：");
inline constexpr const char* restoredHeading = WINDOW_TEXT("已恢复（%1）：");
inline constexpr const char* alreadyThereHeading = WINDOW_TEXT("已在笔内（%1）：");
inline constexpr const char* skippedHeading = WINDOW_TEXT("已跳过（%1）：");
inline constexpr const char* failedHeading = WINDOW_TEXT("失败（%1）：");

// Checking a pen: the 点读笔 menu's command and its window. %1…: QString::arg.
inline constexpr const char* checkPenTitle = WINDOW_TEXT("检查点读笔");
inline constexpr const char* checkNotice = WINDOW_TEXT(
    "先从头到尾读取每本点读包，只读不写；再检查点读笔的文件系统。"
    "检查文件系统时点读笔会暂时卸载，请勿拔出。");
inline constexpr const char* readingBooks = WINDOW_TEXT("正在读取点读包：第 %1 本，共 %2 本");
inline constexpr const char* checkingFileSystem =
    WINDOW_TEXT("正在检查文件系统，点读笔已暂时卸载，请勿拔出……");
inline constexpr const char* repairingFileSystem =
    WINDOW_TEXT("正在修复文件系统，点读笔已暂时卸载，请勿拔出……");
inline constexpr const char* readingBooksAgain = WINDOW_TEXT("正在重新读取点读包……");
inline constexpr const char* repairButton = WINDOW_TEXT("修复…");
inline constexpr const char* repairQuestion =
    WINDOW_TEXT("修复文件系统时，已损坏的文件可能被截断或移走。建议先把点读包备份到电脑，再修复。");
inline constexpr const char* backUpThenRepair = WINDOW_TEXT("先备份，再修复");
inline constexpr const char* repairWithoutBackup = WINDOW_TEXT("直接修复");
inline constexpr const char* chooseBackupForRepair =
    WINDOW_TEXT("请选择备份文件夹；备份完成后开始修复。");
inline constexpr const char* backupNotWhole = WINDOW_TEXT("备份未完成，未修复。可以再按“修复…”。");
inline constexpr const char* penHealthy = WINDOW_TEXT("点读笔正常。");
inline constexpr const char* penRepaired = WINDOW_TEXT("点读笔已修复，现在正常。");
inline constexpr const char* penDamaged = WINDOW_TEXT("点读笔已损坏。");
inline constexpr const char* penDamagedRepairable =
    WINDOW_TEXT("点读笔的文件系统已损坏，可以按“修复…”修复。");
inline constexpr const char* checkIncomplete = WINDOW_TEXT("检查未完成。");
inline constexpr const char* checkCancelled = WINDOW_TEXT("检查已取消。");
inline constexpr const char* booksSummary =
    WINDOW_TEXT("点读包：共 %1 个文件，%2 个可以读取，%3 个无法读取，%4 个不是点读包。");
inline constexpr const char* bookUnreadable = WINDOW_TEXT("    无法读取：%1（%2，位置 %3）");
inline constexpr const char* bookNotABook = WINDOW_TEXT("    不是点读包：%1");
inline constexpr const char* noBooksRead = WINDOW_TEXT("点读笔未挂载，未读取点读包。");
inline constexpr const char* noBookFolderRead =
    WINDOW_TEXT("点读笔上没有可用的 BOOK 文件夹，未读取点读包。");
inline constexpr const char* fileSystemClean = WINDOW_TEXT("文件系统：正常。");
inline constexpr const char* fileSystemDamaged = WINDOW_TEXT("文件系统：已损坏。");
inline constexpr const char* penBusy =
    WINDOW_TEXT("另一个程序正在使用点读笔，无法卸载，未作任何检查。请关闭该程序后重试。");
inline constexpr const char* checkToolMissing = WINDOW_TEXT("未检查文件系统：缺少检查工具（%1）。");
inline constexpr const char* checkNotPossible = WINDOW_TEXT("只检查了点读包，未检查文件系统：%1");
inline constexpr const char* checkFailed = WINDOW_TEXT("文件系统检查失败：%1");
inline constexpr const char* backedUpBeforeRepair = WINDOW_TEXT("修复前已把点读包备份到电脑。");
inline constexpr const char* repairSaid = WINDOW_TEXT("修复：");
inline constexpr const char* afterRepairClean = WINDOW_TEXT("修复后文件系统：正常。");
inline constexpr const char* afterRepairDamaged = WINDOW_TEXT("修复后文件系统：仍有损坏。");
inline constexpr const char* booksUnchanged = WINDOW_TEXT("修复没有改变任何点读包。");
inline constexpr const char* bookChanged = WINDOW_TEXT("    已改变：%1");
inline constexpr const char* bookGone = WINDOW_TEXT("    已丢失：%1");
inline constexpr const char* changedHeading = WINDOW_TEXT("与修复前相比（%1）：");
inline constexpr const char* replugPen =
    WINDOW_TEXT("现在无法重新挂载点读笔：请拔出点读笔，再重新插入。");

// Several pens at once: the install window's other pens, the copy between
// pens, the choice of pens for a drop, and 全部弹出. %1…: QString::arg.
inline constexpr const char* installOnOtherPens = WINDOW_TEXT("同时安装到其他点读笔：");
inline constexpr const char* penWithFreeSpace = WINDOW_TEXT("%1　剩余空间 %2");
inline constexpr const char* noIdentityCode = WINDOW_TEXT("（无识别码）");
inline constexpr const char* installedOnPens = WINDOW_TEXT("已安装到 %1 支点读笔，共 %2 支。");
inline constexpr const char* installedAs = WINDOW_TEXT("%1：已安装，编号 %2");
inline constexpr const char* installedRenumbered =
    WINDOW_TEXT("%1：已安装，编号 %2（编号 %3 已被占用）");
inline constexpr const char* penOutcome = WINDOW_TEXT("%1：%2");
inline constexpr const char* copyPensTitle = WINDOW_TEXT("复制点读包到其他点读笔");
inline constexpr const char* copyTargetPrompt = WINDOW_TEXT("把点读笔 %1 上的全部点读包复制到：");
inline constexpr const char* keepCopyBackup = WINDOW_TEXT("同时在电脑上保留一份备份（选择文件夹）");
inline constexpr const char* copyButton = WINDOW_TEXT("复制");
inline constexpr const char* copyDone = WINDOW_TEXT("复制结束。");
inline constexpr const char* copiedHeading = WINDOW_TEXT("已复制（%1）：");
inline constexpr const char* copyNeedsTwoPens = WINDOW_TEXT("需要连接至少两支点读笔");
inline constexpr const char* copyNeedsVolume = WINDOW_TEXT("所选点读笔尚未挂载");
inline constexpr const char* copyCacheFailed = WINDOW_TEXT("无法在电脑上创建临时文件夹：%1");
inline constexpr const char* dropPensTitle = WINDOW_TEXT("安装点读包");
inline constexpr const char* dropPensPrompt = WINDOW_TEXT("把拖入的 %1 个点读包安装到这些点读笔：");
inline constexpr const char* installButton = WINDOW_TEXT("安装");
inline constexpr const char* pensKeptAfterEject = WINDOW_TEXT("下列点读笔未能弹出：\n%1");
inline constexpr const char* pensKeptHint =
    WINDOW_TEXT("其他程序正在使用它们。请关闭这些程序后重试。");

}  // namespace penshelf::texts
