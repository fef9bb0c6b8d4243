// Draws small pictures of image files on a thread of its own, one at a time and newest request first, so that the
// rows a user scrolls to are drawn before those scrolled past. The GUI thread never decodes a picture.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

namespace celshift {

class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    explicit ThumbnailLoader(QSize size, QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // Asks for the picture of path under key; loaded() tells it on the GUI thread. A key asked for again before
    // its turn moves to the front.
    void request(int key, const QString& path);
    // Forgets every request not yet drawn; a picture being drawn is told under its old generation.
    void clear();
    int generation() const { return generation_; }

signals:
    // image is null when the file cannot be decoded.
    void loaded(int generation, int key, const QImage& image);

private:
    struct Request {
        int key;
        QString path;
    };
    void work();

    const QSize size_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> queue_;
    bool quit_ = false;
    int generation_ = 0;  // GUI thread only
    int queuedGeneration_ = 0;  // under mutex_
    std::thread thread_;
};

}  // namespace celshift
