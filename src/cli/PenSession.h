#pragma once
// What the pen commands share: their options, the pens attached now (found by
// the same pen monitor as the window's) and the one reply a command gives, as
// text or as one JSON document on standard output.

#include "books/ListData.h"
#include "device/PenMonitor.h"
#include "device/Platform.h"
#include "device/PenRecord.h"
#include "texts/InstallMessages.h"

#include <QJsonObject>

#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penshelf::cli {

struct PenOptions {
    std::vector<std::string> pens;          // --pen PEN, as often as it is given
    bool allPens = false;                   // --all-pens
    std::optional<std::string> number;      // --number NNN
    std::optional<std::string> jobs;        // --jobs N
    std::optional<std::string> from;        // --from PEN
    std::optional<std::string> to;          // --to PEN
    std::optional<std::string> keepBackup;  // --keep-backup DIR
    bool json = false;                      // --json
    bool verbose = false;                   // --verbose: discovery's log lines on standard error
    bool yes = false;                       // --yes
    bool repair = false;                    // --repair
    std::optional<std::string> onConflict;  // --on-conflict skip|renumber
    std::vector<std::string> operands;      // everything that is not an option

    // Whether the command line asks for several pens, however many it finds:
    // the answer then has one result per pen.
    bool severalPens() const { return allPens || pens.size() > 1; }
};

// Which options a command takes beyond --pen, --json and --verbose, and how
// many operands.
struct OptionSet {
    bool manyPens = false;     // --pen again and --all-pens
    bool betweenPens = false;  // --from, --to and --keep-backup instead of --pen
    bool jobs = false;
    bool number = false;
    bool yes = false;
    bool onConflict = false;
    bool repair = false;
    std::size_t minOperands = 0;
    std::size_t maxOperands = 0;
};

// The options in args, or nothing with problem set.
std::optional<PenOptions> parsePenOptions(const std::vector<std::string>& args,
                                          const OptionSet& allowed, std::string& problem);

// The pens attached when it was made, found by the window's pen monitor. A
// command mounts nothing unasked and follows no later mount.
class PenSession {
  public:
    PenSession(Platform& platform, Diagnostics diagnostics);
    PenSession(const PenSession&) = delete;
    PenSession& operator=(const PenSession&) = delete;

    // Mounts the pen's volume, which nothing has mounted, as the window would,
    // and waits for it; a mounted pen is then identified again with its volume.
    MountResult mountVolume(const std::string& bsdName);

    Platform& platform() const { return monitor_.platform(); }
    PenMonitor& monitor() { return monitor_; }
    // By BSD name, in the pen list's order.
    const std::map<std::string, PenRecord>& pens() const { return monitor_.pens(); }

  private:
    PenMonitor monitor_;
};

// A command's output: text lines or one JSON document on out, messages on err.
class Reply {
  public:
    Reply(std::string_view command, bool json, std::ostream& out, std::ostream& err);

    bool json() const { return json_; }
    std::ostream& out() { return out_; }
    std::ostream& err() { return err_; }

    // One message on standard error, after the command's name.
    void say(const std::string& message);
    // The command cannot go on: says why and, for --json, writes the error
    // document {"error": {"status": ..., "message": ...}}. Returns status.
    int fail(int status, const std::string& message);
    void write(const QJsonObject& document);

  private:
    std::string command_;
    bool json_;
    std::ostream& out_;
    std::ostream& err_;
};

// The pen value names: the one whose BSD name, identity code or (for a
// simulated pen) folder's name it is. Nothing after a failed reply when no pen
// or several pens answer to it.
const PenRecord* penNamed(const PenSession& session, const std::string& value, Reply& reply);

// The pen a command is about: the one named by --pen, or the only one attached.
// Nothing after a failed reply when there is none, several or no such pen.
const PenRecord* choosePen(const PenSession& session, const PenOptions& options, Reply& reply);
// The same for a command that needs the pen's volume: one that nothing has
// mounted is mounted first, and standard error says how that went.
const PenRecord* choosePenWithVolume(PenSession& session, const PenOptions& options, Reply& reply);

// The pens a command that takes several is about: every pen attached for
// --all-pens, else those named by --pen, else the only one attached; in the
// pen list's order, each once. Copies, as an eject drops a pen from the list.
// Nothing after a failed reply.
std::optional<std::vector<PenRecord>> choosePens(const PenSession& session,
                                                 const PenOptions& options, Reply& reply);
// The same, mounting the volumes that nothing has mounted.
std::optional<std::vector<PenRecord>> choosePensWithVolumes(PenSession& session,
                                                            const PenOptions& options,
                                                            Reply& reply);

// Whether the pen's volume refuses writes (mounted read-only, or turned so by
// the kernel after an error), in which case it has replied so: install,
// remove and restore then stop with exitFailure before copying anything.
bool refusesWrites(const Platform& platform, const PenRecord& pen, Reply& reply);

// A pen as the commands show it.
struct PenView {
    std::string bsdName;
    std::optional<std::string> identityCode;  // none when its bytes are not UTF-8
    std::string volume;                       // "" while nothing is mounted
    std::string bookFolder;                   // "" while nothing is mounted
    std::string freeSpace;                    // the window's text, "---" when unknown
    std::optional<std::uint64_t> freeBytes;
};
PenView viewPen(const Platform& platform, const PenRecord& pen);

// The catalogue's rows by book package number, then by entry.
std::vector<ListData> listBooks(const std::string& bookFolder);
QJsonObject toJson(const ListData& book);

// A pen command: the options it takes and what it does once the pens are known.
struct PenCommand {
    std::string_view name;
    OptionSet options;
    int (*act)(const PenOptions& options, PenSession& session, Reply& reply);
};

// Parses args, identifies the pens attached now on platform (or, when null, on
// the Linux machine or the simulated pens of PENSHELF_SIMULATE) and runs command.
int runPenCommand(const PenCommand& command, const std::vector<std::string>& args,
                  std::ostream& out, std::ostream& err, Platform* platform = nullptr);

}  // namespace penshelf::cli
