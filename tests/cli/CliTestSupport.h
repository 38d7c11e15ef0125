#pragma once
// Simulated pens in a temporary folder and penshelf-cli run over them in-process.

#include "cli/Cli.h"
#include "cli/PenSession.h"
#include "support/BookFile.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace penshelf::test {

using ::testing::HasSubstr;
using ::testing::Not;

struct CliRun {
    int status = -1;
    std::string out, err;

    // The one JSON document on standard output; fails the test when there is none.
    QJsonObject json() const {
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
        EXPECT_TRUE(document.isObject()) << out;
        return document.object();
    }
};

// What a command given standard output and error wrote there, and its status.
inline CliRun capture(const std::function<int(std::ostream& out, std::ostream& err)>& command) {
    std::ostringstream out, err;
    const int status = command(out, err);
    return {status, out.str(), err.str()};
}

inline CliRun runCli(const std::vector<std::string>& args) {
    return capture(
        [&](std::ostream& out, std::ostream& err) { return cli::runCli(args, out, err); });
}

inline CliRun runOn(Platform& platform, const cli::PenCommand& command,
                    const std::vector<std::string>& args) {
    return capture([&](std::ostream& out, std::ostream& err) {
        return cli::runPenCommand(command, args, out, err, &platform);
    });
}

// The JSON document of a run that exits with status 0.
inline QJsonObject jsonOfSuccess(const std::vector<std::string>& args) {
    const CliRun run = runCli(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.json();
}

// A run that exited with status, its standard error holding words.
MATCHER_P2(Exits, status, words, "") {
    *result_listener << "status " << arg.status << ", standard error: " << arg.err;
    return arg.status == status && arg.err.find(words) != std::string::npos;
}

// A run that exited with status, having written out on standard output.
MATCHER_P2(Prints, status, out, "") {
    *result_listener << "status " << arg.status << ", standard output: " << arg.out
                     << ", standard error: " << arg.err;
    return arg.status == status && arg.out == out;
}

inline std::string jsonText(const QJsonValue& value) {
    return value.toString().toStdString();
}

// Fields of a JSON object as text ("true", "2", the string itself), with "|" between them.
inline std::string jsonFields(const QJsonObject& object, const QStringList& keys) {
    QStringList fields;
    for (const QString& key : keys) fields.append(object[key].toVariant().toString());
    return fields.join('|').toStdString();
}

// A folder of simulated pens that PENSHELF_SIMULATE points at while the test runs, for the commands
// run in-process and the programs it starts alike.
class SimulatedPens : public ::testing::Test {
  protected:
    // A pen with its identity code in SYS/product.ini and an empty BOOK/ folder; returns its
    // volume's path. Pens are numbered sim1s1, sim2s1, ... in the order of their folders' names.
    std::string addPen(const std::string& folder, const std::string& code,
                       bool withBookFolder = true) {
        const std::string volume = pens / folder;
        writeFile(volume + "/SYS/product.ini", "[product]\nid=" + code + "\n\n");
        if (withBookFolder) std::filesystem::create_directories(volume + "/BOOK");
        return volume + "/";
    }

    std::string addSource(const std::string& name, const BookFile& book) {
        return writeFile(sources / name, book.bytes());
    }

    TempDir pens, sources;
    ScopedEnv simulate{"PENSHELF_SIMULATE", pens.str()};
};

}  // namespace penshelf::test
