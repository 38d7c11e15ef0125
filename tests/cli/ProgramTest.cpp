// The built penshelf-cli as a script meets it: exit statuses, standard output
// that holds only the output, and progress only on a terminal.
#include "cli/CliTestSupport.h"

#include "texts/Texts.h"

#include <QJsonArray>
#include <QProcess>
#include <QProcessEnvironment>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <set>

extern char** environ;

using namespace penshelf;
using namespace penshelf::test;

namespace {

CliRun runProgram(const QStringList& args, const std::string& simulate = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("PENSHELF_SIMULATE");
    if (!simulate.empty())
        environment.insert("PENSHELF_SIMULATE", QString::fromStdString(simulate));
    process.setProcessEnvironment(environment);
    process.start(PENSHELF_CLI_PROGRAM, args);
    CliRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return run;
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

// Runs the program with its standard error on a pseudo-terminal; what the
// terminal showed.
std::string runOnTerminal(const std::vector<std::string>& args, int& status) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return {};
    const std::string terminal = ptsname(master);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, terminal.c_str(), O_RDWR | O_NOCTTY,
                                     0);
    std::vector<std::string> arguments{PENSHELF_CLI_PROGRAM};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        close(master);
        return {};
    }
    std::string shown;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
            shown.append(buffer, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // EIO once the program has closed the terminal
        }
    }
    close(master);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return shown;
}

using Program = SimulatedPens;

TEST_F(Program, HelpSucceedsAndAMissingCommandIsAUserError) {
    const CliRun help = runProgram({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("install"), std::string::npos) << help.out;
    const CliRun none = runProgram({});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
}

TEST_F(Program, StandardOutputHoldsOnlyTheJsonDocument) {
    const std::string volume = addPen("a-pen", "PEN00000001");
    writeFile(volume + "BOOK/001.vxr", BookFile{.name = vxbName("小猫")}.bytes());

    const CliRun run = runProgram({"books", "--json", "--verbose"}, pens.str());
    EXPECT_EQ(run.status, 0) << run.err;
    const QJsonArray books = run.json()["books"].toArray();
    ASSERT_EQ(books.size(), 1);
    EXPECT_EQ(jsonText(books[0].toObject()["name"]), "小猫");
    EXPECT_NE(run.err.find("New ZIRO added."), std::string::npos) << run.err;

    const CliRun missing = runProgram({"remove", "002.vxr", "--yes", "--json"}, pens.str());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.json()["error"].toObject()["status"].toInt(), 1);
}

TEST_F(Program, ShowsProgressOnATerminalOnly) {
    addPen("a-pen", "PEN00000001");
    const std::string source = addSource("big.vxb", {.name = vxbName("大书"), .size = 300000});
    setenv("PENSHELF_SIMULATE", pens.str().c_str(), 1);  // for the spawned program

    int status = -1;
    const std::string shown = runOnTerminal({"install", source}, status);
    EXPECT_EQ(status, 0) << shown;
    EXPECT_NE(shown.find(std::string(texts::installing) + " 100%"), std::string::npos) << shown;
    EXPECT_NE(shown.find(texts::flushingToPen), std::string::npos) << shown;

    const CliRun piped =
        runProgram({"install", QString::fromStdString(source), "--number", "002"}, pens.str());
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, "") << "nothing on a pipe but what went wrong";

    const std::string backup = runOnTerminal({"backup", sources / "backup"}, status);
    EXPECT_EQ(status, 0) << backup;
    EXPECT_NE(backup.find("backing up 002.vxr 大书: 100% (book 2 of 2, 100% of all)"),
              std::string::npos)
        << backup;
}

TEST_F(Program, StoppedByASignalMidCopyItLeavesNothingOnThePen) {
    const std::string book = addPen("a-pen", "PEN00000001") + "BOOK";
    // Sparse, so that the copy takes a while but costs no disk.
    const std::string source = addSource("big.vxb", {.name = vxbName("大书")});
    ASSERT_EQ(truncate(source.c_str(), 256 << 20), 0);
    setenv("PENSHELF_SIMULATE", pens.str().c_str(), 1);
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, book.c_str(), IN_MODIFY), 0);

    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        char events[4096];
        while (read(watch, events, sizeof events) > 0) {
        }
        std::vector<std::string> arguments{PENSHELF_CLI_PROGRAM, "install", source};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        // Held still the moment its copy first writes, then signalled.
        pollfd created{watch, POLLIN, 0};
        ASSERT_EQ(poll(&created, 1, 20000), 1);
        kill(pid, SIGSTOP);
        ASSERT_EQ(fileNamesIn(book).size(), 1u) << "the copy under way";
        kill(pid, signal);
        kill(pid, SIGCONT);
        int wstatus = 0;
        ASSERT_EQ(waitpid(pid, &wstatus, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == signal) << wstatus;
        EXPECT_TRUE(fileNamesIn(book).empty());
    }
    close(watch);
}

TEST_F(Program, AnInterruptedBackupKeepsTheBooksFinishedAndTheirManifest) {
    const std::string book = addPen("a-pen", "PEN00000001") + "BOOK/";
    writeFile(book + "001.vxr", BookFile{.name = vxbName("一")}.bytes());
    writeFile(book + "002.vxr", BookFile{.name = vxbName("二")}.bytes());
    // Sparse, so that its copy takes a while but costs no disk on the pen.
    writeFile(book + "003.vxr", BookFile{.name = vxbName("三")}.bytes());
    ASSERT_EQ(truncate((book + "003.vxr").c_str(), 256 << 20), 0);
    setenv("PENSHELF_SIMULATE", pens.str().c_str(), 1);
    const std::string folder = sources / "backup";
    std::filesystem::create_directory(folder);
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_MOVED_TO), 0);

    std::vector<std::string> arguments{PENSHELF_CLI_PROGRAM, "backup", folder};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&quiet);
    // The first book takes its name once the second is copied, as the third starts.
    pollfd named{watch, POLLIN, 0};
    ASSERT_EQ(poll(&named, 1, 20000), 1);
    kill(pid, SIGSTOP);
    kill(pid, SIGINT);
    kill(pid, SIGCONT);
    int wstatus = 0;
    ASSERT_EQ(waitpid(pid, &wstatus, 0), pid);
    close(watch);
    EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == SIGINT) << wstatus;
    EXPECT_EQ(fileNamesIn(folder),
              (std::set<std::string>{"001.vxr", "002.vxr", "penshelf-backup.json"}));
    const std::string manifest = readFile(folder + "/penshelf-backup.json");
    EXPECT_NE(manifest.find("\"002.vxr\""), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("003.vxr"), std::string::npos) << manifest;
}

}  // namespace
