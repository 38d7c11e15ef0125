#pragma once
// What a backup or a restore ended in, as the backup window and penshelf-cli
// backup/restore tell it. Each function's comment lists the values its %1…
// stand for; each program fills them in as it shows them (a book is
// "001.vxr 小猫" in the window, "001.vxr" on the command line).

#include "books/Backup.h"
#include "books/BackupManifest.h"
#include "books/Restore.h"
#include "texts/Message.h"
#include "texts/SharedTexts.h"

namespace penshelf::texts {

// The pen has no BOOK folder of its own; nothing was written.
inline constexpr Message noBookFolder{WINDOW_TEXT("点读笔上没有可用的 BOOK 文件夹！"),
                                      CLI_TEXT("the pen has no BOOK folder of its own (missing, or "
                                               "a link to elsewhere); nothing was written")};

// How a backup ended. %1 the folder, %2 the books backed up, %3 the books
// not backed up, %4 the system's error.
inline Message messageFor(const BackupReport& report) {
    switch (report.status) {
        case BackupStatus::FolderNotEmpty:
            return {WINDOW_TEXT("所选文件夹中已有文件，请选择新的或空的文件夹！"),
                    CLI_TEXT("%1 holds files already; back up into a new or empty folder")};
        case BackupStatus::FolderUnusable:
            return {WINDOW_TEXT("无法创建或打开所选文件夹！（%4）"),
                    CLI_TEXT("cannot make or open the folder %1: %4")};
        case BackupStatus::NoBookFolder:
            return noBookFolder;
        case BackupStatus::ManifestFailed:
            return {WINDOW_TEXT("无法写入备份清单，此备份不可用！"),
                    CLI_TEXT("the manifest could not be written: the folder is no usable backup")};
        case BackupStatus::Cancelled:
            return {WINDOW_TEXT("备份已取消：已完成的 %2 本点读包和备份清单保留在“%1”。"),
                    CLI_TEXT("stopped; the manifest lists the %2 books backed up before")};
        case BackupStatus::Done:
            break;
    }
    // The command line lists each book instead.
    if (!report.failed.empty()) {
        return {WINDOW_TEXT("备份结束：%2 本点读包已备份到“%1”，%3 本未能备份。"), nullptr};
    }
    return {WINDOW_TEXT("备份完成：%2 本点读包已备份到“%1”。"), nullptr};
}

// Why a book was not backed up.
inline Message messageFor(BackupFailure why) {
    switch (why) {
        case BackupFailure::NotPlainName:
            return {WINDOW_TEXT("文件名不是标准的点读包名称，未备份"),
                    CLI_TEXT("its name is no plain book name (NNN.vxr or NNN.vxs); not backed up")};
        case BackupFailure::ReadFailed:
            return {WINDOW_TEXT("无法从点读笔读取（点读笔已拔出？）"),
                    CLI_TEXT("could not be read from the pen (pulled out?) or changed meanwhile")};
        case BackupFailure::WriteFailed:
            break;
    }
    return {WINDOW_TEXT("无法完整写入备份文件夹"),
            CLI_TEXT("could not be written into the backup folder whole")};
}

// What is wrong with a backup's manifest. %1 the detail the reader gives.
inline Message messageFor(ManifestError error) {
    switch (error) {
        case ManifestError::Missing:
            return {WINDOW_TEXT("此文件夹中没有备份清单 penshelf-backup.json，不是点读包备份！"),
                    CLI_TEXT("no manifest penshelf-backup.json: not a PenShelf backup")};
        case ManifestError::Unreadable:
            return {WINDOW_TEXT("无法读取备份清单！"),
                    CLI_TEXT("the manifest penshelf-backup.json cannot be read")};
        case ManifestError::NotJson:
            return {WINDOW_TEXT("备份清单已损坏，无法读取！"),
                    CLI_TEXT("the manifest penshelf-backup.json is damaged: not JSON")};
        case ManifestError::NotAManifest:
            return {WINDOW_TEXT("备份清单的内容有误（%1）！"),
                    CLI_TEXT("the manifest penshelf-backup.json is not one of PenShelf's (%1)")};
        case ManifestError::UnknownVersion:
            return {
                WINDOW_TEXT("备份清单的格式版本（%1）不受支持！"),
                CLI_TEXT("the backup has format version (%1), which this PenShelf cannot read")};
        case ManifestError::BadEntry:
            return {WINDOW_TEXT("备份清单中有无效的点读包文件名：%1"),
                    CLI_TEXT(
                        "the manifest names a book that is no plain NNN.vxr or NNN.vxs file (%1)")};
        case ManifestError::None:
            break;
    }
    return {WINDOW_TEXT("无法读取备份清单！"), CLI_TEXT("the manifest cannot be used")};
}

// Why a restore stopped while checking the backup; nothing was written. %1
// the backup folder, %2 the manifest's message, %3 what the books take, %4
// what the whole pen holds.
inline Message messageFor(PlanStatus status) {
    switch (status) {
        case PlanStatus::NoBackupFolder:
            return {WINDOW_TEXT("无法打开备份文件夹！"), CLI_TEXT("no folder %1")};
        case PlanStatus::BadManifest:
            return {"%2", "%1: %2"};
        case PlanStatus::NoBookFolder:
            return noBookFolder;
        case PlanStatus::Cancelled:
            return {WINDOW_TEXT("恢复已取消，未写入任何文件。"),
                    CLI_TEXT("stopped; nothing was written")};
        case PlanStatus::TooLarge:
            return {
                WINDOW_TEXT("备份中的点读包共 %3，超过点读笔的全部容量 %4，未写入任何文件！"),
                CLI_TEXT(
                    "the backup's books take %3, more than the whole pen holds (%4); nothing was "
                    "written")};
        case PlanStatus::Ready:
            break;
    }
    return {nullptr, nullptr};
}

// How a restore ended. %1 what the books take, %2 what is free on the pen.
inline Message messageFor(RestoreStatus status) {
    // The command line's restore cannot be cancelled; anything else but room
    // means a folder went away before the first write.
    constexpr const char* wentAway =
        CLI_TEXT("the backup folder or the pen went away; nothing was written");
    switch (status) {
        case RestoreStatus::NoSpace:
            return {
                WINDOW_TEXT("点读笔空间不足：恢复需要 %1，剩余 %2，未写入任何文件！"),
                CLI_TEXT(
                    "not enough room on the pen: the restore needs %1, %2 are free; nothing was "
                    "written")};
        case RestoreStatus::NoBookFolder:
            return {noBookFolder.window, wentAway};
        case RestoreStatus::NoBackupFolder:
            return {WINDOW_TEXT("无法打开备份文件夹！"), wentAway};
        case RestoreStatus::Cancelled:
            return {WINDOW_TEXT("恢复已取消：已恢复的点读包留在点读笔上。"), wentAway};
        case RestoreStatus::Done:
            break;
    }
    return {WINDOW_TEXT("恢复结束。"), nullptr};
}

// Why a book's copy onto the pen failed.
inline Message restoreFailure(InstallResult result) {
    constexpr const char* copyFailed = WINDOW_TEXT("复制失败");
    switch (result) {
        case InstallResult::InvalidSource:
            return {copyFailed, CLI_TEXT("not a book package file")};
        case InstallResult::NoSpace:
            return {copyFailed, CLI_TEXT("no room left on the pen")};
        case InstallResult::TooLarge:
            return {bookFileTooLarge,
                    CLI_TEXT("4 GiB or more, more than a file on the pen can hold")};
        case InstallResult::Taken:
            return {copyFailed, CLI_TEXT("its number was taken meanwhile, or no number is free")};
        case InstallResult::NoBookFolder:
            return {copyFailed, CLI_TEXT("the pen has no BOOK folder of its own")};
        case InstallResult::ReadOnly:
            return {penReadOnlyTip, CLI_TEXT("the pen turned read-only")};
        case InstallResult::Failed:
        case InstallResult::Cancelled:
        case InstallResult::Installed:
            break;
    }
    return {copyFailed, CLI_TEXT("could not be copied onto the pen whole")};
}

// What became of one book of a restore. %1 the book, %2 its entry on the
// pen, %3 the book it shares, %4 why its copy failed (restoreFailure).
inline Message messageFor(const RestoreResult& result) {
    using Kind = RestoreResult::Kind;
    const bool renumbered = result.penEntry != result.book.entry;
    switch (result.kind) {
        case Kind::Restored:
            return renumbered ? Message{WINDOW_TEXT("%1 → %2"), CLI_TEXT("restored %1 as %2")}
                              : Message{"%1", CLI_TEXT("restored %1")};
        case Kind::AlreadyThere:
            return renumbered ? Message{WINDOW_TEXT("%1 → %2"), CLI_TEXT("already there %1 as %2")}
                              : Message{"%1", CLI_TEXT("already there %1")};
        case Kind::SkippedConflict:
            return {WINDOW_TEXT("%1（编号已被占用）"), CLI_TEXT("skipped %1: its number is taken")};
        case Kind::SkippedShared:
            return {WINDOW_TEXT("%1（它所共享的点读包 %3 未恢复）"),
                    CLI_TEXT("skipped %1: the book it shares, %3, is not restored")};
        case Kind::Missing:
            return {WINDOW_TEXT("%1（备份中缺少此文件）"),
                    CLI_TEXT("%1: missing from the backup; skipped")};
        case Kind::Changed:
            return {WINDOW_TEXT("%1（备份文件已被改动）"),
                    CLI_TEXT("%1: changed since the backup; skipped")};
        case Kind::Failed:
            break;
    }
    return {WINDOW_TEXT("%1（%4）"), "%1: %4"};
}

}  // namespace penshelf::texts
