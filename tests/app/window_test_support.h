// Fakes and helpers shared by the window tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtGlobal>

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

// Ends the test program with a message when a test has not finished within its time, so that a hang fails the
// test instead of stopping CI. The GUI thread may be the one that hangs, so this is a thread of its own.
class Watchdog {
public:
    Watchdog(const char* what, std::chrono::seconds limit) : thread_([this, what, limit] {
        std::unique_lock lock(mutex_);
        if (!finished_.wait_for(lock, limit, [this] { return done_; })) qFatal("watchdog: %s did not end in time", what);
    }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;
};

inline QByteArray int32(std::int32_t value) {
    QByteArray bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((static_cast<std::uint32_t>(value) >> shift) & 0xFF);
    return bytes;
}

// A kind 0 data file that holds one cell record naming the image: header, no events, no entries, one cell.
inline QByteArray cellDataFile(const QByteArray& imageName) {
    QByteArray bytes;
    bytes += '\0';                                          // file kind 0
    bytes += int32(4) + "head" + int32(0) + int32(7);      // two plain strings, a header value
    bytes += int32(0);                                      // no events
    bytes += '\x05';                                        // single byte
    bytes += int32(0);                                      // no entries
    bytes += int32(1);                                      // one cell record:
    bytes += QByteArray(16, '\xC0');                        //   16 bytes
    bytes += int32(static_cast<std::int32_t>(imageName.size() + 1)) + imageName + '\0';  // image name
    bytes += '\x01' + int32(3) + "txt" + '\x02';            //   byte, plain string, byte
    return bytes;
}

// Code page 932 bytes of the names the tests type: "セル.bmp" and "画像.jpg".
inline const QByteArray kCellBmp932 = QByteArray("\x83\x5A\x83\x8B") + ".bmp";
inline const QByteArray kImageJpg932 = QByteArray("\x89\xE6\x91\x9C") + ".jpg";

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
