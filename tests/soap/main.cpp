// Runs the SOAP codec tests in a fixed time zone, whatever the machine's is.
#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

#include <libxml/parser.h>

int main(int argc, char** argv) {
    const penshelf::test::ScopedEnv zone("TZ", penshelf::test::kTestZone);
    // Tests that look at debug lines install their own sink; the others stay quiet.
    penshelf::soap::setDebugLogSink([](const std::string&) {});
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    xmlCleanupParser();
    return result;
}
