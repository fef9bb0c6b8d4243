#pragma once

#include <QObject>

namespace celshift::test {

// The window in a day's use: another scenario in the output folder, closing during a run, the same run again, a
// dropped scenario, rows kept in a rows file, and what the report says of a run that did not end well.
class DailyUseTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void anotherScenarioInTheOutputIsAskedAboutFirst();
    void theOutputFolderOpensOrItsPathCanBeCopied();
    void closingDuringARunAsksOnceAndAlwaysWritesTheSettings_data();
    void closingDuringARunAsksOnceAndAlwaysWritesTheSettings();
    void theRunsBoxesWaitWhileTheCloseQuestionIsUp_data();
    void theRunsBoxesWaitWhileTheCloseQuestionIsUp();
    void theSameRunAgainIsAskedAboutFirst();
    void aDroppedScenarioOrItsFolderIsChosen();
    void rowsGoToARowsFileAndComeBack();
    void theReportSaysHowARunEnded();
};

}  // namespace celshift::test
