#pragma once

#include <QObject>

namespace celshift::test {

// The window's controls, their starting state, the scenario choice and exceptions from handlers.
class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void controlsHaveTheirNamesCaptionsAndPlaces();
    void startsWithExecuteDisabledUntilAScenarioIsChosen();
    void scenarioDialogIsSetUpForSummaryFiles();
    void keyboardOrderRunsFromThePagesThroughTheRowsToTheButtons();
    void everyTextHasAFontThatDrawsIt();
    void resizingGrowsTheEditsAndThePagesAndKeepsTheBarOnTop();
    void atTheSmallestSizeTextsBreakBetweenWordsAndPathsKeepTheirEnds();
    void choosingAScenarioEnablesExecuteAndCancellingKeepsTheState();
    void theDialogOpensInTheStoredFolderEachTime();
    void anExceptionInAHandlerIsShownAndTheWindowGoesOn();
    void theOtherFormsAreTheEmptyDialogs();
};

}  // namespace celshift::test
