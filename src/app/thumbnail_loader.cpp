#include "app/thumbnail_loader.h"

#include <algorithm>

#include "app/thumbnails.h"

namespace celshift {

ThumbnailLoader::ThumbnailLoader(QSize size, QObject* parent)
    : QObject(parent), size_(size), thread_([this] { work(); }) {}

ThumbnailLoader::~ThumbnailLoader() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void ThumbnailLoader::request(int key, const QString& path) {
    {
        const std::lock_guard lock(mutex_);
        const auto same = std::find_if(queue_.begin(), queue_.end(), [key](const Request& r) { return r.key == key; });
        if (same != queue_.end()) queue_.erase(same);
        queue_.push_front({key, path});
        queuedGeneration_ = generation_;
    }
    wake_.notify_one();
}

void ThumbnailLoader::clear() {
    const std::lock_guard lock(mutex_);
    queue_.clear();
    queuedGeneration_ = ++generation_;
}

void ThumbnailLoader::work() {
    for (;;) {
        Request next;
        int generation = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
            if (quit_) return;
            next = std::move(queue_.front());
            queue_.pop_front();
            generation = queuedGeneration_;
        }
        const QImage image = loadThumbnail(next.path, size_);
        // Queued to this object's thread; dropped there if the object is gone.
        QMetaObject::invokeMethod(this, [this, generation, key = next.key, image] { emit loaded(generation, key, image); },
                                  Qt::QueuedConnection);
    }
}

}  // namespace celshift
