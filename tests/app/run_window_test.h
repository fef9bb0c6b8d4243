#pragma once

#include <QObject>

namespace celshift::test {

// The window during and after a run: live while the run works, progress and cancel, closing during a run, the
// output folder choice, the path lines, the rows checked as typed, the scan's completions and the row results.
class RunWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void theWindowStaysLiveDuringARunAndItsControlsWaitForIt();
    void progressTellsDataFilesDoneOfAll();
    void cancelStopsTheRunAndLeavesNoFileHalfWritten();
    void closingDuringARunAsksFirstAndClosesOnceTheRunHasEnded();
    void theOutputFolderIsChosenShownStoredAndUsed();
    void theChosenScenarioIsShown();
    void rowsAreMarkedAsTheyAreTyped();
    void theScanOffersTheScenariosNamesAndMarksNamesItLacks();
    void afterARunEachRowTellsWhatItReplacedUntilTheRowsChange();
    void aLeftoverPopupOfTheDialogIsClosed();
};

}  // namespace celshift::test
