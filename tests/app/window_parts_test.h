#pragma once

#include <QObject>

namespace celshift::test {

// What the window offers around the rows: completions, the keyboard, Qt's Japanese texts, the run's report page,
// the names page, the rows' pictures and the picked picture, the output folder check, the last scenario folder,
// the keys of every page, the searches' counts.
class WindowPartsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void completionsOfferImageNamesThatBeginWithTheTextFirst_data();
    void completionsOfferImageNamesThatBeginWithTheTextFirst();
    void typingShowsTheCompletionsAndEnterTakesOne();
    void enterPressesTheFocusedButtonAndExecuteHasTheFocusAfterARun();
    void qtsOwnTextsAreJapanese();
    void theReportListsEveryFileAndSavesTheProblems();
    void aRowWhoseNameMayStandInAnUnreadFileDoesNotSayNotFound();
    void theRenameBoxCopiesARowsPictureUnderItsNewName();
    void theNamesPageShowsPicturesMarksMissingFilesAndFillsTheNextRow();
    void theUnusedPicturesShowTheirSizesAndTheirListIsCopiedAndSaved();
    void theRowsShowTheirPicturesAndWarnOfAMissingTarget();
    void aPickedPictureIsCopiedIntoTheOutputAndAnotherFileOfItsNameRefusesTheRun();
    void theScenarioFolderIsRefusedAsOutputAtOnce();
    void theScenarioDialogOpensWhereTheLastScenarioWasChosen();
    void theWindowsKeysWorkFromEveryPage();
    void searchesStartAtTheTopAndCountTheirMatches();
    void theRowFramesWriteTheirNumberFullWidth();
};

}  // namespace celshift::test
