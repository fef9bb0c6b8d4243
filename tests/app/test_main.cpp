// Runs the window tests under the program's own application object, so that exceptions escaping a handler take
// the same road as in the program.
#include <QTest>

#include "app/application.h"
#include "box_test.h"
#include "daily_use_test.h"
#include "execute_test.h"
#include "run_window_test.h"
#include "settings_test.h"
#include "window_parts_test.h"
#include "window_test.h"

int main(int argc, char** argv) {
    celshift::CelshiftApplication application(argc, argv);
    application.setExceptionDisplay([](const QString& message) { qFatal("unexpected exception: %s", qPrintable(message)); });
    int failures = 0;
    {
        celshift::test::WindowTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        celshift::test::SettingsTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        celshift::test::ExecuteTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        celshift::test::BoxTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        celshift::test::RunWindowTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        celshift::test::WindowPartsTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        celshift::test::DailyUseTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
