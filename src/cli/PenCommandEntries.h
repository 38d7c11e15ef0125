#pragma once
// The commands about pens and their books (pens, books, install, remove, eject,
// backup, restore, copy, check): what each runs and the entry that lists it, with its help.

#include "cli/Command.h"
#include "cli/CliText.h"
#include "cli/PenSession.h"

#include <cstdint>

namespace penshelf::cli {

int pensCommand(const PenOptions& options, PenSession& session, Reply& reply);
int booksCommand(const PenOptions& options, PenSession& session, Reply& reply);
int installCommand(const PenOptions& options, PenSession& session, Reply& reply);
int removeCommand(const PenOptions& options, PenSession& session, Reply& reply);
int ejectCommand(const PenOptions& options, PenSession& session, Reply& reply);
int backupCommand(const PenOptions& options, PenSession& session, Reply& reply);
int restoreCommand(const PenOptions& options, PenSession& session, Reply& reply);
int copyCommand(const PenOptions& options, PenSession& session, Reply& reply);
int checkCommand(const PenOptions& options, PenSession& session, Reply& reply);

inline constexpr PenCommand pensAction{"pens", {}, pensCommand};
inline constexpr PenCommand booksAction{"books", {}, booksCommand};
inline constexpr PenCommand installAction{
    "install",
    {.manyPens = true, .jobs = true, .number = true, .minOperands = 1, .maxOperands = SIZE_MAX},
    installCommand};
inline constexpr PenCommand removeAction{
    "remove", {.yes = true, .minOperands = 1, .maxOperands = 1}, removeCommand};
inline constexpr PenCommand ejectAction{"eject", {.manyPens = true}, ejectCommand};
inline constexpr PenCommand backupAction{
    "backup", {.manyPens = true, .minOperands = 1, .maxOperands = 1}, backupCommand};
inline constexpr PenCommand restoreAction{
    "restore", {.onConflict = true, .minOperands = 1, .maxOperands = 1}, restoreCommand};
inline constexpr PenCommand copyAction{
    "copy", {.betweenPens = true, .onConflict = true}, copyCommand};
inline constexpr PenCommand checkAction{"check", {.repair = true}, checkCommand};

// A pen command as the command table runs it: from the arguments after its name.
template <const PenCommand& action>
int runAction(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runPenCommand(action, args, out, err);
}

// The options and the exit statuses every pen command shares, for its --help.
// Each part of a --help is translated on its own.
inline constexpr const char* commonOptions = CLI_TEXT(
    "  --json          one JSON document on standard output\n"
    "  --verbose       pen discovery's log lines on standard error\n");
inline constexpr const char* exitStatus = CLI_TEXT(
    "\nExit status: 0 done, 1 a user error (bad number, unknown pen, no such book,\n"
    "bad usage), 2 a failure (copy or eject failed). PENSHELF_SIMULATE=<folder> uses\n"
    "the simulated pens in that folder.\n");
inline constexpr const char* penOption = CLI_TEXT(
    "  --pen PEN       the pen: its BSD name, its identity code or, for a\n"
    "                  simulated pen, its folder's name (needed when several\n"
    "                  are attached)\n");
inline constexpr const char* pensOption = CLI_TEXT(
    "  --pen PEN       a pen: its BSD name, its identity code or, for a\n"
    "                  simulated pen, its folder's name (needed when several\n"
    "                  are attached); give it again for more pens\n"
    "  --all-pens      every pen attached\n");
inline constexpr const char* onConflictOption = CLI_TEXT(
    "  --on-conflict skip      leave out the books whose number another book holds\n"
    "  --on-conflict renumber  give them the lowest free number of their kind\n"
    "                          (without either, such books stop the "
    "restore)\n");
inline constexpr const char* escapesNote = CLI_TEXT(
    "\nIn the columns, \\\\, \\t, \\n, \\r and \\xHH stand for a backslash, tab, newline,\n"
    "carriage return and any other control character or byte that is not UTF-8.\n"
    "--json writes file names and paths (entry, path, number, stat, volume,\n"
    "bookFolder) in the same form; names and codes are plain JSON strings.\n");

inline constexpr Command pensCommandEntry{
    "pens",
    "[--json]",
    runAction<pensAction>,
    CLI_TEXT("list the pens attached now: BSD name, identity code, free space, volume"),
    {commonOptions, escapesNote, exitStatus}};

inline constexpr Command booksCommandEntry{
    "books",
    "[--pen PEN] [--json]",
    runAction<booksAction>,
    CLI_TEXT("list a pen's book packages by number: number, kind, name, file"),
    {penOption, commonOptions, escapesNote, exitStatus}};

inline constexpr Command installCommandEntry{
    "install",
    "FILE.vxb... [--pen PEN]... [--all-pens] [--number NNN] [--jobs N] [--json]",
    runAction<installAction>,
    CLI_TEXT("install book package files onto a pen, or onto several at once"),
    {pensOption,
     CLI_TEXT("  --number NNN    the book package number (one file only); else the one\n"
              "                  the window would propose\n"
              "  --jobs N        write at most N pens at once (default 4; more only share\n"
              "                  one USB bus)\n"),
     commonOptions,
     CLI_TEXT("\nEach file is installed on its own: one that fails does not stop the others,\n"
              "and the exit status is the worst of them. Progress shows on a terminal.\n"
              "\nWith several pens (--all-pens, or --pen again), every pen gets every file,\n"
              "in parallel, and a pen that fails fails alone. Each takes the number proposed\n"
              "or given where it is free; without --number, a pen where it is taken gives\n"
              "the lowest free number of the book's kind, and its line says so. The lines\n"
              "start with the pen; --json writes {\"pens\": [{\"pen\", \"identityCode\",\n"
              "\"installs\"}]}. An interrupt stops the copies under way, leaving no part of\n"
              "a book on any pen.\n"),
     exitStatus}};

inline constexpr Command removeCommandEntry{
    "remove",
    "NNN.vxr|NNN.vxs [--pen PEN] --yes [--json]",
    runAction<removeAction>,
    CLI_TEXT("remove a book package from a pen (a shared one: its own file only)"),
    {penOption,
     CLI_TEXT("  --yes           remove it: a removed book package cannot be "
              "restored\n"),
     commonOptions,
     CLI_TEXT("\nThe entry is the file as books prints it, escaped as it is there (\\\\, \\t,\n"
              "\\n, \\r, \\xHH), or the file's own name.\n"),
     exitStatus}};

inline constexpr Command ejectCommandEntry{
    "eject",
    "[--pen PEN]... [--all-pens] [--json]",
    runAction<ejectAction>,
    CLI_TEXT("unmount and power off a pen, or several"),
    {pensOption, commonOptions,
     CLI_TEXT("\nOf several pens, one that a program still uses stays mounted and is named\n"
              "with the window's message; the others are still ejected. --json writes\n"
              "{\"pens\": [{\"pen\", \"outcome\"}]}.\n"),
     exitStatus}};

inline constexpr Command backupCommandEntry{
    "backup",
    "DIR [--pen PEN]... [--all-pens] [--json]",
    runAction<backupAction>,
    CLI_TEXT("copy every book package of a pen (or of several) into a folder, with a manifest"),
    {pensOption, commonOptions,
     CLI_TEXT("\nDIR is made when it is missing and must be empty otherwise. Each book is\n"
              "checked against the bytes read from the pen, and the manifest\n"
              "penshelf-backup.json, written last, lists the books copied whole with their\n"
              "SHA-256. An interrupt stops after the book under way: the books finished\n"
              "before and their manifest stay. Progress shows on a terminal.\n"
              "\nWith several pens, each is backed up into a folder of DIR named by its\n"
              "identity code, or by its BSD name when the code cannot name a folder or\n"
              "another pen has it too. The lines start with the pen; --json writes\n"
              "{\"folder\", \"pens\": [...]}, one result per pen.\n"),
     exitStatus}};

inline constexpr Command restoreCommandEntry{
    "restore",
    "DIR [--pen PEN] [--on-conflict skip|renumber] [--json]",
    runAction<restoreAction>,
    CLI_TEXT("copy the books of a backup back onto a pen, under their own numbers"),
    {penOption, onConflictOption, commonOptions,
     CLI_TEXT("\nEvery file is checked against the manifest's SHA-256 first: a changed or\n"
              "missing one is skipped. A book the pen holds already is left alone. Nothing\n"
              "is written unless the pen has room for the whole restore.\n"),
     exitStatus}};

inline constexpr Command copyCommandEntry{
    "copy",
    "--from PEN --to PEN [--on-conflict skip|renumber] [--keep-backup DIR] [--json]",
    runAction<copyAction>,
    CLI_TEXT("copy the books of one pen onto another, as a restore does"),
    {CLI_TEXT("  --from PEN      the pen whose books are copied: its BSD name, identity code\n"
              "                  or, for a simulated pen, its folder's name\n"
              "  --to PEN        the pen they go onto, named the same way\n"),
     onConflictOption,
     CLI_TEXT("  --keep-backup DIR\n"
              "                  back up into DIR (new or empty) and keep it "
              "there\n"),
     commonOptions,
     CLI_TEXT("\nThe books of the first pen are backed up onto the computer, each checked,\n"
              "then restored onto the second byte for byte: books already there are left\n"
              "alone, and shared packages keep pointing at their book. Unless\n"
              "--keep-backup is given, the backup goes into a folder under\n"
              "$XDG_CACHE_HOME/penshelf that is removed afterwards. The lines and --json\n"
              "are restore's, with both pens named ({\"from\", \"to\", ...}).\n"),
     exitStatus}};

inline constexpr Command checkCommandEntry{
    "check",
    "[--repair] [--pen PEN] [--json]",
    runAction<checkAction>,
    CLI_TEXT("read every book back from a pen and check its file system; --repair mends it"),
    {penOption,
     CLI_TEXT("  --repair        when the check finds damage, repair the file system, then\n"
              "                  check it and read the books again, and name each book the\n"
              "                  repair changed or removed. Damaged files may be cut or\n"
              "                  moved: run backup first.\n"),
     commonOptions,
     CLI_TEXT("\nThe books are only read. The file system is checked with the pen unmounted\n"
              "(through UDisks2, which mounts it again; without UDisks2 only root can, with\n"
              "fsck.fat from dosfstools, and the pen must then be plugged in again).\n"
              "\nExit status: 0 everything was checked and the pen is healthy (with --repair:\n"
              "it ends healthy), 1 bad usage or an unknown pen, 2 damage found, or a check\n"
              "that could not be done (the pen busy, the tool missing, no UDisks2 and not\n"
              "root); the message says which. PENSHELF_SIMULATE=<folder> uses the simulated\n"
              "pens in that folder.\n")}};

}  // namespace penshelf::cli
