#pragma once

#include <QObject>

namespace celshift::test {

// The Execute button: a real conversion of a small scenario, run from the window.
class ExecuteTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void executeConvertsTheScenarioAndShowsWhatTheRunSays();
    void aCopyThatCannotBeOpenedBringsUpErrorFmAndTheRunGoesOn();
    void theOutputFolderIsScenaBesideTheExecutableUnlessSet();
};

}  // namespace celshift::test
