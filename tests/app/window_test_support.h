// Fakes and helpers shared by the window tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include "app/application.h"
#include "run/conversion_run.h"

namespace celshift::test {

// Records what the run and the window would have shown, instead of showing it.
class RecordingMessages : public RunMessages {
public:
    void showMessage(const std::string& text, const std::string& caption) override {
        boxes.emplace_back(QString::fromStdString(caption), QString::fromStdString(text));
    }
    void showErrorFm(const std::string& path) override { errorPaths << QString::fromStdString(path); }

    // (caption, text) in the order shown.
    std::vector<std::pair<QString, QString>> boxes;
    QStringList errorPaths;
};

// Collects the messages of exceptions that escape event handlers while it lives.
class RecordedExceptions {
public:
    RecordedExceptions() {
        application()->setExceptionDisplay([this](const QString& message) { messages << message; });
    }
    ~RecordedExceptions() {
        application()->setExceptionDisplay([](const QString& message) {
            qFatal("unexpected exception: %s", qPrintable(message));
        });
    }
    RecordedExceptions(const RecordedExceptions&) = delete;
    RecordedExceptions& operator=(const RecordedExceptions&) = delete;

    static CelshiftApplication* application() { return static_cast<CelshiftApplication*>(CelshiftApplication::instance()); }

    QStringList messages;
};

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

}  // namespace celshift::test
