// The page of the scenario's image names: every name its data files hold, with its counts, a small picture of the
// scenario's file of that name, and a mark where the scenario folder has no such file. Picking a name (double
// click, Enter or the button) offers it for the next empty 変換元.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <QStringList>

#include <QImage>
#include <QWidget>

#include "app/name_completer.h"
#include "run/image_files.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace celshift {

class NamesPanel : public QWidget {
    Q_OBJECT

public:
    explicit NamesPanel(QWidget* parent = nullptr);
    ~NamesPanel() override;

    // Lists names; their files are looked up in scenarioFolder and their pictures drawn in the background.
    // unreadFiles: the data files that could not be read whole, each "name: reason"; the summary tells them.
    void showNames(const std::vector<OfferedName>& names, const std::string& scenarioFolder,
                   const QStringList& unreadFiles = {});
    void clear();
    // Stops the background drawing and waits for it.
    void stopLoading();
    // True while pictures are still being drawn.
    bool loading() const { return loader_.joinable(); }

    QLabel* NamesSummary;
    QTreeWidget* NamesList;
    QPushButton* PickName;

signals:
    void namePicked(const QString& name);
    // Every picture of the list has been drawn (or found missing).
    void picturesDone();

private:
    struct Found {
        int row;
        ImageLookup::Kind lookup;
        QString path;  // Found: the file; Unreadable: the folder that could not be read
        QImage image;
    };
    void showFound(int generation, const std::vector<Found>& found, bool last);
    void pickCurrent();

    std::thread loader_;
    std::atomic<bool> stop_{false};
    int generation_ = 0;
    QString summaryText(int names) const;
    int missing_ = 0;
    int unread_ = 0;
};

}  // namespace celshift
