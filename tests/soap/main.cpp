// Runs the SOAP tests inside a QCoreApplication: the client's calls and the local HTTP server live
// on its event loop. Tests that read or write local times set their own time zone.
#include "soap/DebugLog.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <libxml/parser.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Tests that look at debug lines install their own sink; the others stay quiet.
    penshelf::soap::setDebugLogSink([](const std::string&) {});
    const int result = [&] {
        QCoreApplication app(argc, argv);
        return RUN_ALL_TESTS();
    }();
    xmlCleanupParser();  // once, at exit
    return result;
}
