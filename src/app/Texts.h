#pragma once
// Texts the window shows to the user; those penshelf-cli shows too are in
// texts/Texts.h.

#include "texts/Texts.h"

namespace penshelf::texts {

// A pen whose file system refuses writes: the line under the pen row, and
// the tooltip of each control that would write.
inline constexpr const char* penReadOnlyLine =
    "此点读笔处于只读状态，文件系统可能已损坏，不能安装、删除或恢复点读包。"
    "请用“点读笔”菜单中的“检查点读笔…”检查。";
inline constexpr const char* penReadOnlyTip = "点读笔处于只读状态，无法写入";

// Choosing a package to install.
inline constexpr const char* chooseBookPrompt = "请选择需要安装的点读包";
inline constexpr const char* bookFileFilter = "点读包 (*.vxb)";

// Removing a package: the alert's question follows the book's name on a line of its own.
inline constexpr const char* removeQuestion = "\r\n是否删除此点读包？";
inline constexpr const char* removeButton = "删除";
inline constexpr const char* cancelButton = "取消";

// Downloads from the portal, in the main window's download list. %1 is a path.
inline constexpr const char* bookDownloaded = "点读包已下载到 %1";
inline constexpr const char* bookDownloadedNoPen = "点读包已下载到 %1，连接点读笔后即可安装。";
inline constexpr const char* fileDownloaded = "文件已保存到 %1";
inline constexpr const char* downloadCancelled = "下载已取消";
inline constexpr const char* downloadFailed = "下载失败：";
// What follows downloadFailed.
inline constexpr const char* noDownloadFolder = "无法创建下载文件夹";
inline constexpr const char* diskFull = "磁盘空间不足";
inline constexpr const char* folderNotWritable = "没有写入下载文件夹的权限";
inline constexpr const char* nameTooLong = "文件名过长";
inline constexpr const char* fileNotSaved = "无法保存文件";
inline constexpr const char* networkTimeout = "网络超时";
inline constexpr const char* networkDown = "网络已断开";
inline constexpr const char* networkFailed = "网络连接失败";
inline constexpr const char* serverRefused = "服务器拒绝了下载";
inline constexpr const char* serverCertificate = "服务器证书无效";
inline constexpr const char* transferCut = "连接中断，文件不完整";
inline constexpr const char* serverFailed = "服务器出错";
inline constexpr const char* unknownFailure = "未知错误";
// Backing up a pen's books and restoring them: the folder dialogs and the
// window that copies. %1, %2: filled in by QString::arg.
inline constexpr const char* chooseBackupFolder = "备份点读包到新文件夹";
inline constexpr const char* backupFolderName = "文件夹名称：";
inline constexpr const char* backupButton = "备份";
inline constexpr const char* chooseRestoreFolder = "选择要恢复的备份文件夹";
inline constexpr const char* backupFolderFallback = "点读笔";  // when the code makes no name
inline constexpr const char* backupTitle = "备份点读包";
inline constexpr const char* restoreTitle = "恢复点读包";
inline constexpr const char* backingUp = "正在备份：%1";
inline constexpr const char* checkingBackup = "正在校验：%1";
inline constexpr const char* restoring = "正在恢复：%1";
inline constexpr const char* bookOfBooks = "第 %1 本，共 %2 本　%3 / %4";
inline constexpr const char* cancelling = "正在取消……";
inline constexpr const char* closeButton = "关闭";
inline constexpr const char* backupDone = "备份完成：%1 本点读包已备份到“%2”。";
inline constexpr const char* backupPartly = "备份结束：%1 本点读包已备份到“%2”，%3 本未能备份。";
inline constexpr const char* backupCancelled =
    "备份已取消：已完成的 %1 本点读包和备份清单保留在“%2”。";
inline constexpr const char* backupFolderNotEmpty =
    "所选文件夹中已有文件，请选择新的或空的文件夹！";
inline constexpr const char* backupFolderUnusable = "无法创建或打开所选文件夹！";
inline constexpr const char* backupManifestFailed = "无法写入备份清单，此备份不可用！";
inline constexpr const char* penNoBookFolder = "点读笔上没有可用的 BOOK 文件夹！";
inline constexpr const char* notPlainBookName = "文件名不是标准的点读包名称，未备份";
inline constexpr const char* penReadFailed = "无法从点读笔读取（点读笔已拔出？）";
inline constexpr const char* backupWriteFailed = "无法完整写入备份文件夹";
inline constexpr const char* manifestMissing =
    "此文件夹中没有备份清单 penshelf-backup.json，不是点读包备份！";
inline constexpr const char* manifestUnreadable = "无法读取备份清单！";
inline constexpr const char* manifestNotJson = "备份清单已损坏，无法读取！";
inline constexpr const char* manifestInvalid = "备份清单的内容有误（%1）！";
inline constexpr const char* manifestVersion = "备份清单的格式版本（%1）不受支持！";
inline constexpr const char* manifestBadEntry = "备份清单中有无效的点读包文件名：%1";
inline constexpr const char* backupFolderGone = "无法打开备份文件夹！";
inline constexpr const char* conflictQuestion = "点读笔上已有其他点读包占用了下列点读包的编号：";
inline constexpr const char* conflictHint =
    "跳过这些点读包，还是为它们使用同类点读包中最小的空闲编号？";
inline constexpr const char* skipButton = "跳过";
inline constexpr const char* renumberButton = "使用空闲编号";
inline constexpr const char* restoreCancelled = "恢复已取消，未写入任何文件。";
inline constexpr const char* restoreNoSpace =
    "点读笔空间不足：恢复需要 %1，剩余 %2，未写入任何文件！";
inline constexpr const char* restoreDone = "恢复结束。";
inline constexpr const char* restoreStopped = "恢复已取消：已恢复的点读包留在点读笔上。";
inline constexpr const char* backedUpHeading = "已备份（%1）：";
inline constexpr const char* notBackedUpHeading = "未能备份（%1）：";
inline constexpr const char* restoredHeading = "已恢复（%1）：";
inline constexpr const char* alreadyThereHeading = "已在笔内（%1）：";
inline constexpr const char* skippedHeading = "已跳过（%1）：";
inline constexpr const char* failedHeading = "失败（%1）：";
inline constexpr const char* numberTakenReason = "编号已被占用";
inline constexpr const char* missingReason = "备份中缺少此文件";
inline constexpr const char* changedReason = "备份文件已被改动";
inline constexpr const char* copyFailedReason = "复制失败";

}  // namespace penshelf::texts
