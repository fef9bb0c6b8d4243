#pragma once

#include <QObject>

namespace celshift::test {

// The settings file: geometry, the scenario dialog's folder and the rows, read at start and written at close.
class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void theFileLiesBesideTheExecutable();
    void aFirstStartUsesTheDefaultsAndClosingWritesThem();
    void storedGeometryIsAppliedAndTheNewOneStoredAtClose();
    void unreadableIntegersFallBackToTheDefaults();
    void aPlaceNoScreenShowsFallsBackToTheDefaultPlace();
    void aMaximizedWindowStoresItsRestoredGeometry_data();
    void aMaximizedWindowStoresItsRestoredGeometry();
    void closingAndStartingAgainKeepsTheGeometryExactly_data();
    void closingAndStartingAgainKeepsTheGeometryExactly();
    void aPlaceWithItsTitleBarOnAScreenIsKept_data();
    void aPlaceWithItsTitleBarOnAScreenIsKept();
    void theWindowIsNeverSmallerThanTheDesignedOneAndShowsEveryControl();
    void theStoredFolderLosesOneTrailingSeparator_data();
    void theStoredFolderLosesOneTrailingSeparator();
    void settingsThatCannotBeWrittenAreReportedAndTheWindowStillCloses();
    void theRowsAreKeptAsTyped();
};

}  // namespace celshift::test
