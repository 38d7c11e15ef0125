#pragma once
// Simulated pens in a temporary folder and penshelf-cli run over them in-process.

#include "cli/Cli.h"
#include "support/BookFile.h"
#include "support/TempDir.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace penshelf::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;

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

inline CliRun runCli(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.status = cli::runCli(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline std::string jsonText(const QJsonValue& value) {
    return value.toString().toStdString();
}

// A folder of simulated pens that PENSHELF_SIMULATE points at while the test runs.
class SimulatedPens : public ::testing::Test {
  protected:
    void SetUp() override { setenv("PENSHELF_SIMULATE", pens.str().c_str(), 1); }
    void TearDown() override { unsetenv("PENSHELF_SIMULATE"); }

    // A pen with its identity code in SYS/product.ini and an empty BOOK/
    // folder; returns its volume's path. Pens are numbered sim1s1, sim2s1, ...
    // in the order of their folders' names.
    std::string addPen(const std::string& folder, const std::string& code,
                       bool withBookFolder = true) {
        const std::string volume = pens / folder;
        writeFile(volume + "/SYS/product.ini", "[product]\nid=" + code + "\n\n");
        if (withBookFolder) std::filesystem::create_directories(volume + "/BOOK");
        return volume + "/";
    }

    // A book package file on the computer.
    std::string addSource(const std::string& name, const BookFile& book) {
        const std::string path = sources / name;
        writeFile(path, book.bytes());
        return path;
    }

    TempDir pens;
    TempDir sources;
};

}  // namespace penshelf::test
