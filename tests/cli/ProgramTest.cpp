// The built penshelf-cli as a script meets it: standard output that holds only the output, progress
// only on a terminal, signals mid-copy.
#include "cli/Cli.h"
#include "cli/CliTestSupport.h"

#include "books/BackupManifest.h"
#include "books/UniqueFd.h"
#include "texts/SharedTexts.h"

#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

extern char** environ;

using namespace penshelf;
using namespace penshelf::test;

namespace {

// Runs the program to its end, in the locale given (C: English, as the expectations are). With
// onTerminal, its standard error is a pseudo-terminal, and err holds what that showed.
CliRun runProgram(const QStringList& args, bool onTerminal = false,
                  const QString& locale = QStringLiteral("LANG=C.UTF-8")) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) environment.remove(name);
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    environment.insert(locale.section(QLatin1Char('='), 0, 0), locale.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(environment);
    const int terminal = onTerminal ? posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK) : -1;
    if (terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0) {
        process.setStandardErrorFile(ptsname(terminal));
    }
    process.start(PENSHELF_CLI_PROGRAM, args);
    CliRun run;
    // The terminal is read as the program writes: a full one would hold it up.
    char buffer[4096];
    for (int waits = 0; waits < 3000 && process.state() != QProcess::NotRunning; ++waits) {
        process.waitForFinished(20);
        for (ssize_t n; terminal >= 0 && (n = read(terminal, buffer, sizeof buffer)) > 0;) {
            run.err.append(buffer, static_cast<size_t>(n));
        }
    }
    if (terminal >= 0) close(terminal);
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    if (!onTerminal) run.err = process.readAllStandardError().toStdString();
    return run;
}

// Starts the program with these arguments, holds it still once one of events (inotify's) has
// happened in each of folders, runs meanwhile, then sends it signal; whether that signal ended it.
// Its standard error goes to errFile, when one is given.
bool interrupted(std::vector<std::string> args, const std::vector<std::string>& folders,
                 std::uint32_t events, int signal, const std::function<void()>& meanwhile = {},
                 const std::string& errFile = {}) {
    const UniqueFd watch(inotify_init1(IN_CLOEXEC));
    std::set<int> waiting;
    for (const std::string& folder : folders) {
        waiting.insert(inotify_add_watch(watch.get(), folder.c_str(), events));
    }
    EXPECT_FALSE(waiting.contains(-1));
    args.insert(args.begin(), PENSHELF_CLI_PROGRAM);
    std::vector<char*> argv;
    for (std::string& argument : args) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!errFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT, 0644);
    }
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    pollfd seen{watch.get(), POLLIN, 0};
    alignas(inotify_event) char happened[4096];
    while (!waiting.empty() && poll(&seen, 1, 20000) == 1) {
        const ssize_t size = read(watch.get(), happened, sizeof happened);
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(happened + at);
            waiting.erase(event->wd);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    const bool inTime = waiting.empty();
    kill(pid, SIGSTOP);
    if (inTime && meanwhile) meanwhile();
    kill(pid, signal);
    kill(pid, SIGCONT);
    int wstatus = 0;
    EXPECT_EQ(waitpid(pid, &wstatus, 0), pid);
    EXPECT_TRUE(inTime) << "the program was not seen at work";
    return WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == signal;
}

using Program = SimulatedPens;

// penshelf-cli speaks one language: English under en and C, Chinese under zh_CN, where only names
// stay English (commands, options, files, pens).
TEST_F(Program, SpeaksTheLocalesLanguageOnly) {
    const QRegularExpression chinese(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    const QRegularExpression names(
        QStringLiteral("penshelf-cli \\w+|--[\\w-]+|\\b[A-Z_0-9-]{2,}\\b|\\S*[./$<>{}\"=]\\S*"));
    const QRegularExpression englishWords(QStringLiteral("[A-Za-z]{2,} [A-Za-z]{2,}"));
    std::vector<QStringList> runs{
        {}, {"nosuch"}, {"books", "--bogus"}, {"books", "--pen", "nopen"}, {"remove", "001.vxr"}};
    for (const cli::Command& command : cli::commands()) {
        runs.push_back({QString::fromUtf8(command.name.data(), command.name.size()), "--help"});
    }
    for (const char* locale : {"LANGUAGE=en", "LANG=en_US.UTF-8", "LANG=C", "LANG=zh_CN.UTF-8"}) {
        for (const QStringList& args : runs) {
            const CliRun run = runProgram(args, false, QString::fromLatin1(locale));
            const QString said = QString::fromStdString(run.out + run.err);
            SCOPED_TRACE(locale + (" " + args.join(' ').toStdString()) + "\n" + said.toStdString());
            ASSERT_FALSE(said.isEmpty());
            if (std::string_view(locale).find("zh") == std::string_view::npos) {
                EXPECT_FALSE(said.contains(chinese));
            } else {
                EXPECT_FALSE(QString(said).remove(names).contains(englishWords));
            }
        }
    }
}

TEST_F(Program, ShowsProgressAndLogLinesOnStandardErrorOnly) {
    addPen("a-pen", "PEN00000001");
    const std::string source = addSource("big.vxb", {.name = vxbName("大书"), .size = 300000});

    const CliRun shown =
        runProgram({"install", QString::fromStdString(source)}, /*onTerminal=*/true);
    // In English, as C asks: the window's lines translated.
    EXPECT_THAT(shown, Exits(0, "Installing the book… 100%"));
    EXPECT_THAT(shown.err, HasSubstr("Writing to the pen; do not unplug it…"));

    const CliRun piped = runProgram(
        {"install", QString::fromStdString(source), "--number", "002", "--json", "--verbose"});
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(jsonText(piped.json()["installs"].toArray()[0].toObject()["entry"]), "002.vxr");
    EXPECT_THAT(piped.err, HasSubstr("New ZIRO added."));
    EXPECT_THAT(piped.err, Not(HasSubstr("Installing"))) << "no progress on a pipe";

    EXPECT_THAT(
        runProgram({"backup", QString::fromStdString(sources / "backup")}, /*onTerminal=*/true),
        Exits(0, "backing up 002.vxr 大书: 100% (book 2 of 2, 100% of all)"));
}

TEST_F(Program, StoppedByASignalMidCopyItLeavesNothingOnThePenNorInTheCache) {
    const std::string book = addPen("a-pen", "PEN00000001") + "BOOK";
    // Sparse, so that the copy takes a while but costs no disk.
    const std::string source = addSource("big.vxb", {.name = vxbName("大书")});
    ASSERT_EQ(truncate(source.c_str(), 256 << 20), 0);

    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        // Signalled the moment its copy first writes.
        EXPECT_TRUE(interrupted({"install", source}, {book}, IN_MODIFY, signal, [&] {
            EXPECT_EQ(fileNamesIn(book).size(), 1u) << "the copy under way";
        }));
        EXPECT_TRUE(fileNamesIn(book).empty());
    }

    // Every copy under way onto several pens at once.
    const std::string other = addPen("b-pen", "PEN00000002") + "BOOK";
    EXPECT_TRUE(
        interrupted({"install", source, "--all-pens"}, {book, other}, IN_MODIFY, SIGINT,
                    [&] { EXPECT_EQ(fileNamesIn(book).size() + fileNamesIn(other).size(), 2u); }));
    EXPECT_TRUE(fileNamesIn(book).empty() && fileNamesIn(other).empty());

    // A copy between pens, signalled as it starts onto the second: no copy, no cache folder left.
    writeFile(book + "/001.vxr", BookFile{.name = vxbName("大书")}.bytes());
    ASSERT_EQ(truncate((book + "/001.vxr").c_str(), 64 << 20), 0);
    const TempDir cache;
    const ScopedEnv xdg("XDG_CACHE_HOME", cache.str());
    EXPECT_TRUE(interrupted({"copy", "--from", "a-pen", "--to", "b-pen"}, {other}, IN_MODIFY,
                            SIGINT, [&] { EXPECT_EQ(fileNamesIn(other).size(), 1u); }));
    EXPECT_TRUE(fileNamesIn(other).empty() && fileNamesIn(cache / "penshelf").empty());
}

TEST_F(Program, AnInterruptedBackupKeepsTheBooksFinishedAndAnInterruptedRestoreWritesNothing) {
    const std::string book = addPen("a-pen", "PEN00000001") + "BOOK/";
    writeFile(book + "001.vxr", BookFile{.name = vxbName("一")}.bytes());
    writeFile(book + "002.vxr", BookFile{.name = vxbName("二")}.bytes());
    // Sparse, so that its copy takes a while but costs no disk on the pen.
    writeFile(book + "003.vxr", BookFile{.name = vxbName("三")}.bytes());
    ASSERT_EQ(truncate((book + "003.vxr").c_str(), 256 << 20), 0);
    const std::string folder = sources / "backup";
    std::filesystem::create_directory(folder);

    // The first book takes its name once the second is copied, as the third starts.
    EXPECT_TRUE(interrupted({"backup", folder}, {folder}, IN_MOVED_TO, SIGINT));
    EXPECT_EQ(fileNamesIn(folder),
              (std::set<std::string>{"001.vxr", "002.vxr", "penshelf-backup.json"}));
    const std::string manifest = readFile(folder + "/penshelf-backup.json");
    EXPECT_THAT(manifest, HasSubstr("\"002.vxr\""));
    EXPECT_THAT(manifest, Not(HasSubstr("003.vxr")));

    // A restore is stopped while it checks a large sparse book of its backup.
    const std::string large = sources / "large";
    writeFile(large + "/004.vxr", BookFile{.name = vxbName("大书")}.bytes());
    ASSERT_EQ(truncate((large + "/004.vxr").c_str(), 256 << 20), 0);
    BackupManifest one{.identityCode = {}, .product = {}, .date = "2026-12-06", .books = {}};
    one.books.push_back({"004.vxr", "004", "custom", "大书", 256 << 20, std::string(64, 'a')});
    writeFile(large + "/" + backupManifestName, writeBackupManifest(one));
    EXPECT_TRUE(
        interrupted({"restore", large}, {large}, IN_ACCESS, SIGINT, {}, sources / "err.txt"));
    EXPECT_THAT(readFile(sources / "err.txt"), HasSubstr("stopped; nothing was written"));
}

}  // namespace
