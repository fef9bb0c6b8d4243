// The page of the scenario's image names: every name its data files hold, with its counts, a small picture of the
// scenario's file of that name, and a mark where the scenario folder has no such file. Picking a name (double
// click, Enter or the button) offers it for the next empty 変換元. A search line filters the list and every column
// sorts. A filter shows the picture files no name names instead, with their sizes; their list is copied or saved.
//
// The list is a model: filling it costs one step per name, the files are looked up in the background, and a
// picture is drawn off the GUI thread only once its line is shown, so a scenario of thousands of names never
// holds up the window.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

#include "app/name_completer.h"
#include "run/image_files.h"
#include "run/scenario_scan.h"

class QLabel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTreeView;

namespace celshift {

class ThumbnailLoader;

// The names and what is known of their files. Column 0 is the name (its picture as decoration), 1 the fields,
// 2 the data files, 3 whether the scenario folder holds the file; for an unused picture file, column 1 is its size. Qt::UserRole of column 3 tells the state of the
// file in one word: "pending", "picture", "placeholder", "missing", "unknown" (the folder could not be read) or
// "" (no image name); of column 0 the text a row takes; of column 1 whether a row can match the name.
class NamesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kName, kFields, kFiles, kFile, kColumns };
    static constexpr int kSortRole = Qt::UserRole + 1;

    explicit NamesModel(QObject* parent = nullptr);
    ~NamesModel() override;

    void setNames(const std::vector<OfferedName>& names);
    // Adds the picture files no name names (path shown relative to the scenario folder); listed under their filter.
    void addUnused(const std::vector<std::pair<QString, QString>>& shownAndPath, const std::vector<qint64>& bytes);
    void clear();
    // An unused picture file, not a name.
    bool isUnused(int row) const { return names_[static_cast<std::size_t>(row)].state == FileState::Unused; }
    bool isMissing(int row) const { return names_[static_cast<std::size_t>(row)].state == FileState::Missing; }
    int unused() const { return unused_; }
    // The bytes of all unused picture files.
    qint64 unusedBytes() const { return unusedBytes_; }
    // The file's size of an unused picture line; its path.
    qint64 bytes(int row) const { return names_[static_cast<std::size_t>(row)].bytes; }
    const QString& path(int row) const { return names_[static_cast<std::size_t>(row)].path; }
    // The list shows the unused picture files: column 1 is their size.
    void setUnusedShown(bool shown);
    // What the lookup found for row.
    void setLookup(int row, ImageLookup::Kind kind, const QString& path);

    const OfferedName& name(int row) const { return names_[static_cast<std::size_t>(row)].name; }
    int missing() const { return missing_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    enum class FileState { NotImage, Pending, Found, Missing, Unknown, Unused };
    struct Line {
        OfferedName name;
        FileState state = FileState::NotImage;
        QString path;
        qint64 bytes = 0;  // Unused: the file's size
    };
    void pictureLoaded(int generation, int row, const QImage& image);

    std::vector<Line> names_;
    int missing_ = 0;
    int unused_ = 0;
    qint64 unusedBytes_ = 0;
    bool unusedShown_ = false;
    ThumbnailLoader* loader_;
    // Pictures drawn so far, by line; a null pixmap: the file cannot be decoded.
    mutable QHash<int, QPixmap> pictures_;
    mutable QHash<int, bool> asked_;
    QPixmap blank_;
};

class NamesPanel : public QWidget {
    Q_OBJECT

public:
    explicit NamesPanel(QWidget* parent = nullptr);
    ~NamesPanel() override;

    // Lists names; their files are looked up in scenarioFolder in the background.
    // unreadFiles: the data files that could not be read whole, each "name: reason"; the summary tells them.
    // With the scan, the picture files that no name names are looked for too (the filter 使われていない画像ファイル).
    void showNames(const std::vector<OfferedName>& names, const std::string& scenarioFolder,
                   const QStringList& unreadFiles = {}, std::shared_ptr<const ScenarioScan> scan = nullptr);
    void clear();
    // Stops the background lookup and waits for it.
    void stopLoading();
    // True while the files of the names are still being looked up.
    bool loading() const { return loader_.joinable(); }

    NamesModel* model() const { return model_; }
    // The line of the list that shows the model's row, or -1 when the search hides it.
    int shownRow(int modelRow) const;

    QLabel* NamesSummary;
    QLineEdit* NamesSearch;
    // Beside the search, while it holds text: how many lines match ("12件", or "一致なし").
    QLabel* NamesMatches;
    // Which lines: every name, the names whose file is missing, or the picture files no name names.
    QComboBox* NamesFilter;
    QTreeView* NamesList;
    QPushButton* PickName;
    // In place of PickName while the filter shows the unused picture files: their list to the clipboard (Ctrl+C in
    // the list too), or into a text file.
    QPushButton* CopyUnused;
    QPushButton* SaveUnused;

    // The unused picture files as the list shows them (its search and order): "path<TAB>bytes" a line.
    QString unusedListText() const;
    void CopyUnusedClick();
    void SaveUnusedClick();
    // Asks where to save the list, starting at start; nothing when the user cancels. Tests answer it themselves.
    using SaveRunner = std::function<std::optional<QString>(QWidget* parent, const QString& start)>;
    void setSaveRunner(SaveRunner runner);

signals:
    void namePicked(const QString& name);
    // Every name's file has been looked up.
    void picturesDone();

private:
    struct Found {
        int row;
        ImageLookup::Kind lookup;
        QString path;  // Found: the file; Unreadable: the folder that could not be read
    };
    struct Unused {
        std::vector<std::pair<QString, QString>> shownAndPath;
        std::vector<qint64> bytes;
        QStringList unreadableFolders;
    };
    void showFound(int generation, const std::vector<Found>& found, bool last);
    void showUnused(int generation, const Unused& unused);
    void pickCurrent();
    QString summaryText() const;
    void showFilter(int mode);
    bool eventFilter(QObject* watched, QEvent* event) override;

    NamesModel* model_;
    QSortFilterProxyModel* proxy_;
    bool unusedKnown_ = false;
    std::thread loader_;
    std::atomic<bool> stop_{false};
    int generation_ = 0;
    int unread_ = 0;
    bool unusedUnknown_ = false;  // a data file not read whole may name any picture: none can be called unused
    std::string scenarioFolder_;
    SaveRunner saveRunner_;
};

}  // namespace celshift
