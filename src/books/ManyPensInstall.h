#pragma once
// Book packages onto several pens at once. Each pen is one job: its files go
// on one after another, each through the one install plan and its safe copy;
// the pens run in parallel, a few at a time, so a slow pen holds back none of
// the others, and a pen that fails (pulled out, full, read-only) fails alone.

#include "books/InstallPlan.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace penshelf {

// The most pens written at once by default: more only share one USB bus.
inline constexpr int defaultPenJobs = 4;

struct PenInstallTarget {
    std::string bookFolder;                 // the pen's BOOK/ folder
    std::function<bool()> refusesWrites{};  // the platform's view of its volume, when known
    // The number must be the one given, as a single install has it: a pen
    // where it is taken refuses the file. Otherwise a taken number gives way
    // to the lowest free one of the book's kind on that pen.
    bool exactNumber = false;
};

// The number one file gets on one pen: number when it is free there (or
// when exact), else the lowest free number of the package's kind. Without a
// number, the package's own proposal for that pen stands in for it.
std::string numberOnPen(const InstallPackage& package, const std::string& bookFolder,
                        const std::optional<std::string>& number, bool exact);

// What became of one file on one pen.
struct PenInstallStep {
    std::size_t pen = 0;   // index into the targets
    std::size_t file = 0;  // index into the packages
    InstallOutcome outcome = InstallOutcome::Failed;
    std::string number;       // the number tried; empty when the file never got one
    std::string entry;        // NNN.vxr or NNN.vxs once the number passed its checks
    bool renumbered = false;  // the number asked for was taken there, so it got another
};

// Called from the pens' own threads, never two at once for one pen.
struct PenInstallCallbacks {
    // A file's copy onto a pen begins, of chunkCount chunks.
    std::function<void(std::size_t pen, std::size_t file, std::int64_t chunkCount)> started{};
    std::function<void(std::size_t pen, std::size_t file, std::int64_t chunk)> chunkWritten{};
    std::function<void(std::size_t pen, std::size_t file)> flushing{};
    std::function<void(const PenInstallStep& step)> finished{};
    // Set to stop: copies running give up, leaving nothing partial; files
    // not started end Cancelled. Pens done keep their books.
    const std::atomic<bool>* cancel = nullptr;
};

// Installs every package onto every target, under number (see numberOnPen),
// with at most jobs pens at once. Returns when every pen is done, one step
// per pen and file, ordered by pen, then file.
std::vector<PenInstallStep> installOnPens(const std::vector<InstallPackage>& packages,
                                          const std::vector<PenInstallTarget>& targets,
                                          const std::optional<std::string>& number, int jobs,
                                          const PenInstallCallbacks& callbacks = {});

}  // namespace penshelf
