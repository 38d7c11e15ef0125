#pragma once
// Texts the program shows to the user.

namespace penshelf::texts {

inline constexpr const char* connectPenPrompt = "请连接点读系列产品！";

// Choosing a package to install.
inline constexpr const char* chooseBookPrompt = "请选择需要安装的点读包";
inline constexpr const char* bookFileFilter = "点读包 (*.vxb)";

// The install window's information line.
inline constexpr const char* numberNotDigits = "点读包编号必须为数字！";
inline constexpr const char* numberNotThreeDigits = "点读包编号号必须为3位数字！";
inline constexpr const char* numberTaken = "此点读包编号已存在！";
inline constexpr const char* bookFileInvalid = "点读包文件无效！";
inline constexpr const char* penSpaceTooSmall = "点读笔空间不足，无法安装此点读包！";
inline constexpr const char* bookFileTooLarge = "点读包文件不能超过4GB，点读笔无法存放此点读包！";
inline constexpr const char* installing = "正在安装点读包……";
inline constexpr const char* flushingToPen = "正在写入点读笔，请勿拔出……";
inline constexpr const char* installFailed = "安装点读包失败！";

// Removing a package: the alert's question follows the book's name on a line of its own.
inline constexpr const char* removeQuestion = "\r\n是否删除此点读包？";
inline constexpr const char* removeWarning = "删除点读包后将不能恢复！";
inline constexpr const char* removeButton = "删除";
inline constexpr const char* cancelButton = "取消";

// Ejecting a pen.
inline constexpr const char* ejectFailed = "弹出点读笔失败，请关闭正在使用点读笔的程序后重试！";

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

}  // namespace penshelf::texts
