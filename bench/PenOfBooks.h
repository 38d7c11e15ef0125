#pragma once
// What the benchmarks over a whole pen share: a BOOK/ folder of many books,
// written once and flushed, and the reference programs they race.

#include "support/BookFile.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace penshelf::bench {

struct PenOfBooks {
    // totalBytes in count books, 001.vxr and on.
    PenOfBooks(std::size_t totalBytes, int count) {
        std::filesystem::create_directories(book);
        for (int i = 1; i <= count; ++i) {
            char entry[16];
            std::snprintf(entry, sizeof entry, "%03d.vxr", i);
            const std::size_t size = totalBytes / count + (i == count ? totalBytes % count : 0);
            test::writeFile(
                book + entry,
                test::BookFile{.name = test::vxbName("第" + std::to_string(i) + "册"), .size = size}
                    .bytes());
            files.push_back(book + entry);
        }
        ::sync();  // the runs start with the disk idle, and only clean pages can be dropped
    }
    test::TempDir dir;
    std::string book = dir / "pen/BOOK/";
    std::vector<std::string> files;
};

// Runs a program to its end, its standard output into standardOutput and its
// standard error into standardError when given; true when it exited with status 0.
inline bool spawnAndWait(std::vector<std::string> arguments, const char* standardOutput = nullptr,
                         const char* standardError = nullptr) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (standardOutput) posix_spawn_file_actions_addopen(&actions, 1, standardOutput, O_WRONLY, 0);
    if (standardError) posix_spawn_file_actions_addopen(&actions, 2, standardError, O_WRONLY, 0);
    pid_t child;
    int status = -1;
    const bool ran = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                     waitpid(child, &status, 0) == child && status == 0;
    posix_spawn_file_actions_destroy(&actions);
    return ran;
}

}  // namespace penshelf::bench
