#pragma once

#include <QObject>

namespace celshift::test {

// The run's boxes as the program shows them: the real BoxMessages, a real run on its own thread, each box
// answered from a timer as a user would.
class BoxTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void aRunWithFailingDataFilesShowsEveryBoxInOrderOverTheWindowAndEnds();
    void escClosesEveryBoxTheLastWithItsReportOfferToo();
    void aRequestToEndClosesTheBoxAndTheWindowOnceTheRunHasStopped();
    void aCloseWhileABoxOfTheRunIsUpIsAskedAbout();
    void namesWithMarkupAreShownAsTyped();
    void boxesAreWideEnoughForTheirCaptions();
};

}  // namespace celshift::test
