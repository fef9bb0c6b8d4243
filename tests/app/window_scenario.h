// A scenario folder for the window tests, and the window opened on it as a user opens it.
#pragma once

#include <memory>
#include <optional>

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QString>
#include <QTest>

#include "app/Main.h"
#include "window_test_support.h"

namespace celshift::test {

struct Scenario {
    QString folder;
    QString summary;
    QString output;
};

// root/scenario with its Summary.wsm, and the empty output folder root/out.
inline Scenario makeScenarioFolders(const QString& root) {
    Scenario s{root + "/scenario", root + "/scenario/Summary.wsm", root + "/out"};
    QDir().mkpath(s.folder);
    QDir().mkpath(s.output);
    writeFile(s.summary, "summary bytes");
    return s;
}

// The window with its settings in ini, its messages recorded (when given), writing into the scenario's output
// folder (unless told not to), the scenario chosen with シナリオを選択.
inline std::unique_ptr<TForm1> openFormOn(const Scenario& scenario, const QString& ini, RunMessages* messages,
                                          bool setOutput = true) {
    auto form = std::make_unique<TForm1>(ini.toStdString());
    if (messages != nullptr) form->setRunMessages(messages);
    // Tests run the same scenario again on purpose; other questions take their default.
    form->setChoiceQuestion([](QWidget*, const QString& kind, const QString&, const QStringList&, int defaultChoice) {
        return kind == "RerunQuestion" ? 0 : defaultChoice;
    });
    if (setOutput) form->setOutputFolder(scenario.output.toStdString());
    form->setSourceOpenRunner([path = scenario.summary](QFileDialog&) { return std::optional<QString>(path); });
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) qFatal("window not shown");
    QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    return form;
}

// Presses 実行 and waits for the run, which works on a thread of its own, to end.
inline void execute(TForm1& form) {
    QTest::mouseClick(form.t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form.runInProgress(), 30000);
}

}  // namespace celshift::test
