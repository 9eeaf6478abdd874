#pragma once

#include "debugcapture.h"
#include "messagepresenter.h"
#include "scopedworkdir.h"

#include <QApplication>
#include <QtTest>

// Like QTEST_MAIN, but the whole test executable runs in a scratch working directory, so
// that nothing it writes (system.db above all) lands in the build or source tree.
#define NV_TEST_MAIN(TestClass)                                                                    \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        installWidgetMessagePresenter();                                                           \
        QLoggingCategory::setFilterRules(DebugCapture::testRules());                               \
        ScopedWorkDir workDir;                                                                     \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
