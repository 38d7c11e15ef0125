#include "books/ManyPensInstall.h"

#include "books/BookNumber.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace penshelf {
namespace {

// As many slots as the install temporaries keep for a signal's cleanup.
constexpr int mostPenJobs = 64;

bool cancelled(const PenInstallCallbacks& callbacks) {
    return callbacks.cancel && callbacks.cancel->load();
}

PenInstallStep installOne(const InstallPackage& package, std::size_t pen, std::size_t file,
                          const PenInstallTarget& target, const std::optional<std::string>& number,
                          const PenInstallCallbacks& callbacks) {
    PenInstallStep step;
    step.pen = pen;
    step.file = file;
    if (package.outcome != InstallOutcome::Installed) {
        step.outcome = package.outcome;
        return step;
    }
    if (cancelled(callbacks)) {
        step.outcome = InstallOutcome::Cancelled;
        return step;
    }
    const std::string asked = number ? *number : package.proposedNumber(target.bookFolder);
    InstallPlan plan = planInstall(
        package, target.bookFolder,
        numberOnPen(package, target.bookFolder, asked, target.exactNumber), target.refusesWrites);
    step.number = plan.number();
    step.entry = plan.entry();
    step.renumbered = step.number != asked;
    if (plan.outcome() == InstallOutcome::Installed) {
        if (callbacks.started) callbacks.started(pen, file, plan.chunkCount());
        plan.install({
            .chunkWritten =
                [&](std::int64_t chunk) {
                    if (callbacks.chunkWritten) callbacks.chunkWritten(pen, file, chunk);
                },
            .flushing =
                [&] {
                    if (callbacks.flushing) callbacks.flushing(pen, file);
                },
            .cancelled = [&] { return cancelled(callbacks); },
        });
    }
    step.outcome = plan.outcome();
    return step;
}

}  // namespace

std::string numberOnPen(const InstallPackage& package, const std::string& bookFolder,
                        const std::optional<std::string>& number, bool exact) {
    const std::string asked = number ? *number : package.proposedNumber(bookFolder);
    if (exact || checkBookNumber(bookFolder, asked, package.extBook) != NumberCheck::Taken) {
        return asked;
    }
    return lowestFreeNumber(TakenNames(bookFolder), package.extBook).value_or(asked);
}

std::vector<PenInstallStep> installOnPens(const std::vector<InstallPackage>& packages,
                                          const std::vector<PenInstallTarget>& targets,
                                          const std::optional<std::string>& number, int jobs,
                                          const PenInstallCallbacks& callbacks) {
    std::vector<PenInstallStep> steps(targets.size() * packages.size());
    std::atomic<std::size_t> nextPen{0};
    const auto work = [&] {
        for (std::size_t pen; (pen = nextPen++) < targets.size();) {
            for (std::size_t file = 0; file < packages.size(); ++file) {
                PenInstallStep& step = steps[pen * packages.size() + file];
                step = installOne(packages[file], pen, file, targets[pen], number, callbacks);
                if (callbacks.finished) callbacks.finished(step);
            }
        }
    };
    const std::size_t workers = std::min<std::size_t>(
        targets.size(), static_cast<std::size_t>(std::clamp(jobs, 1, mostPenJobs)));
    // The caller's thread is one of the workers: where no thread can be
    // started, the pens still go, fewer at once.
    std::vector<std::jthread> threads;
    try {
        for (std::size_t i = 1; i < workers; ++i) threads.emplace_back(work);
    } catch (const std::system_error&) {
    }
    work();
    threads.clear();  // joins
    return steps;
}

}  // namespace penshelf
