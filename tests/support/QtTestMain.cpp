// Runs a GoogleTest suite inside a QApplication, as the program runs, on the offscreen platform
// unless another one is asked for.

#include <QApplication>

#include <gtest/gtest.h>

// Under the sanitizers: Qt WebEngine's own Chromium code frees some objects through a base type of
// another size (a new/delete size mismatch when a page is destroyed) and keeps a few allocations to
// the end, as fontconfig does. Those are theirs, not ours; leaks anywhere else are still reported.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\nleak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests run as root in CI, where Qt WebEngine's sandbox cannot start.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
