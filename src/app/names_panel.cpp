#include "app/names_panel.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/file_dialogs.h"
#include "app/fitted_text.h"
#include "app/search_matches.h"
#include "app/thumbnail_loader.h"
#include "app/thumbnails.h"
#include "app/window_paths.h"
#include "run/build_replacement_table.h"
#include "run/missing_images.h"
#include "run/row_names.h"
#include "run/run_texts.h"
#include "run/unused_pictures.h"

namespace celshift {

namespace {

constexpr QSize kPictureSize{32, 32};
// Lookups are handed to the window a batch at a time, so that a large scenario never floods the event queue.
constexpr std::size_t kBatch = 256;

constexpr const char* kUnmatchable = "行に入れられない名前です（画像の拡張子がないか、長すぎます）";
constexpr const char* kEmptyName = "（空の名前）";
constexpr const char* kNoZeroByte = "（終わりのゼロバイトなし）";

// A file's size as the list shows it: bytes, KB, MB or GB (of 1024), one decimal above bytes.
QString sizeText(qint64 bytes) {
    if (bytes < 1024) return QString("%1 B").arg(bytes);
    double size = static_cast<double>(bytes) / 1024;
    for (const char* unit : {"KB", "MB"}) {
        if (size < 1024) return QString("%1 %2").arg(size, 0, 'f', 1).arg(unit);
        size /= 1024;
    }
    return QString("%1 GB").arg(size, 0, 'f', 1);
}

std::optional<QString> execSaveList(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent, "使われていない画像ファイルの一覧を保存", start, "テキストファイル(*.txt)");
    dialog.setObjectName("UnusedSave");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    prepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

// An empty field holds no zero byte either: it is the blank name without its zero byte.
bool endsWithoutZero(const OfferedName& name) { return name.stored.empty() || name.stored.back() != '\0'; }

// The name as the list shows it: a blank name labelled, and the end of a field told in words where it is not the
// usual one zero byte (none, or several, which the written form shows as escapes that a Japanese font draws ¥x00).
QString shownText(const OfferedName& name) {
    if (endsWithoutZero(name)) {
        QString text = name.text;
        if (text.endsWith(QString::fromUtf8(kNoZeroByteMark.data(), static_cast<qsizetype>(kNoZeroByteMark.size())))) text.chop(1);
        return (text.isEmpty() ? QString(kEmptyName) : text) + kNoZeroByte;
    }
    QString text = name.text;
    int zeros = 1;
    while (text.endsWith("\\x00") && zeros < static_cast<int>(name.stored.size()) &&
           name.stored[name.stored.size() - 1 - static_cast<std::size_t>(zeros)] == '\0') {
        text.chop(4);
        ++zeros;
    }
    if (text.isEmpty()) text = kEmptyName;
    if (zeros > 1) text += QString("（終わりにゼロバイトが%1個）").arg(zeros);
    return text;
}

// Which lines the list shows: the filter's choice, then the search.
class NamesFilterModel : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    enum Mode { kAllNames, kMissing, kUnused };
    void setMode(int mode) {
        mode_ = mode;
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* model = static_cast<const NamesModel*>(sourceModel());
        const bool unused = model->isUnused(row);
        if (mode_ == kUnused ? !unused : unused) return false;
        if (mode_ == kMissing && !model->isMissing(row)) return false;
        return QSortFilterProxyModel::filterAcceptsRow(row, parent);
    }

private:
    int mode_ = kAllNames;
};

}  // namespace

NamesModel::NamesModel(QObject* parent)
    : QAbstractTableModel(parent), loader_(new ThumbnailLoader(kPictureSize, this)), blank_(kPictureSize) {
    // Every line carries a clear picture of the full size: lines without a picture stay as high and in line.
    blank_.fill(Qt::transparent);
    connect(loader_, &ThumbnailLoader::loaded, this, &NamesModel::pictureLoaded);
}

NamesModel::~NamesModel() = default;

void NamesModel::clear() { setNames({}); }

void NamesModel::setNames(const std::vector<OfferedName>& names) {
    beginResetModel();
    loader_->clear();
    names_.clear();
    names_.reserve(names.size());
    for (const OfferedName& name : names) {
        // Only image names have a file to look for; other names stand as they are.
        names_.push_back({name, isImageName(name.stored) ? FileState::Pending : FileState::NotImage, {}});
    }
    pictures_.clear();
    asked_.clear();
    missing_ = 0;
    unused_ = 0;
    unusedBytes_ = 0;
    endResetModel();
}

void NamesModel::addUnused(const std::vector<std::pair<QString, QString>>& shownAndPath,
                           const std::vector<qint64>& bytes) {
    if (shownAndPath.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(shownAndPath.size()) - 1);
    for (std::size_t i = 0; i < shownAndPath.size(); ++i) {
        OfferedName name;
        name.text = shownAndPath[i].first;
        name.matchable = false;
        names_.push_back({name, FileState::Unused, shownAndPath[i].second, i < bytes.size() ? bytes[i] : 0});
        unusedBytes_ += names_.back().bytes;
    }
    unused_ += static_cast<int>(shownAndPath.size());
    endInsertRows();
}

void NamesModel::setLookup(int row, ImageLookup::Kind kind, const QString& path) {
    if (row < 0 || row >= rowCount()) return;
    Line& line = names_[static_cast<std::size_t>(row)];
    line.path = path;
    switch (kind) {
        case ImageLookup::Kind::Found: line.state = FileState::Found; break;
        case ImageLookup::Kind::Unreadable: line.state = FileState::Unknown; break;
        case ImageLookup::Kind::Missing:
        case ImageLookup::Kind::Unusable:
            line.state = FileState::Missing;
            ++missing_;
            break;
    }
    emit dataChanged(index(row, kName), index(row, kFile));
}

void NamesModel::pictureLoaded(int generation, int row, const QImage& image) {
    if (generation != loader_->generation() || row < 0 || row >= rowCount()) return;
    pictures_.insert(row, image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    emit dataChanged(index(row, kName), index(row, kFile));
}

void NamesModel::setUnusedShown(bool shown) {
    if (shown == unusedShown_) return;
    unusedShown_ = shown;
    emit headerDataChanged(Qt::Horizontal, kFields, kFiles);
}

int NamesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

int NamesModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant NamesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kName: return QString("画像名");
        case kFields: return QString(unusedShown_ ? "サイズ" : "箇所");
        case kFiles: return unusedShown_ ? QString() : QString("ファイル");
        case kFile: return QString("画像ファイル");
    }
    return {};
}

QVariant NamesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int row = index.row();
    const Line& line = names_[static_cast<std::size_t>(row)];
    const OfferedName& name = line.name;
    const bool drawn = pictures_.contains(row);
    switch (index.column()) {
        case kName:
            switch (role) {
                case Qt::DisplayRole: return line.state == FileState::Unused ? name.text : shownText(name);
                case kSortRole: return name.text;
                case Qt::UserRole: return name.text;
                case Qt::ForegroundRole:
                    return name.text.isEmpty() || !name.matchable ? QVariant(QColor(110, 110, 110)) : QVariant();
                case Qt::ToolTipRole:
                    if (line.state == FileState::Unused) return QDir::toNativeSeparators(line.path);
                    return shownText(name) + "\n" + countsText(name) +
                           (name.matchable ? QString() : "\n" + QString(kUnmatchable));
                case Qt::DecorationRole:
                    if (line.state != FileState::Found && line.state != FileState::Unused) return blank_;
                    if (drawn) {
                        const QPixmap& picture = pictures_[row];
                        return picture.isNull() ? placeholderThumbnail(kPictureSize) : picture;
                    }
                    // Asked for only when a line is drawn: the pictures of lines never shown are never decoded.
                    if (!asked_.contains(row)) {
                        asked_.insert(row, true);
                        loader_->request(row, line.path);
                    }
                    return blank_;
            }
            return {};
        case kFields:
            if (line.state == FileState::Unused) {
                if (role == Qt::DisplayRole) return sizeText(line.bytes);
                if (role == kSortRole) return static_cast<qlonglong>(line.bytes);
                if (role == Qt::ToolTipRole) return QString("%1 バイト").arg(QLocale::c().toString(line.bytes));
                if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
                return {};
            }
            if (role == Qt::DisplayRole) return QString::number(name.fields);
            if (role == kSortRole) return static_cast<qlonglong>(name.fields);
            if (role == Qt::UserRole) return name.matchable;
            if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case kFiles:
            if (line.state == FileState::Unused) return role == kSortRole ? QVariant(0) : QVariant();
            if (role == Qt::DisplayRole) return QString::number(name.files);
            if (role == kSortRole) return name.files;
            if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case kFile:
            switch (line.state) {
                case FileState::NotImage: return role == Qt::UserRole ? QVariant(QString()) : QVariant();
                case FileState::Pending:
                    if (role == Qt::DisplayRole) return QString("…");
                    if (role == Qt::UserRole) return QString("pending");
                    if (role == kSortRole) return 0;
                    return {};
                case FileState::Found:
                    if (role == Qt::DisplayRole) return QString("あり");
                    if (role == Qt::ToolTipRole) return QDir::toNativeSeparators(line.path);
                    if (role == Qt::UserRole)
                        return QString(!drawn ? "found" : pictures_[row].isNull() ? "placeholder" : "picture");
                    if (role == kSortRole) return 1;
                    return {};
                case FileState::Missing:
                    if (role == Qt::DisplayRole) return QString("ありません");
                    if (role == Qt::ForegroundRole) return QColor(200, 0, 0);
                    if (role == Qt::ToolTipRole) return QString("シナリオのフォルダにこの名前のファイルがありません");
                    if (role == Qt::UserRole) return QString("missing");
                    if (role == kSortRole) return 3;
                    return {};
                case FileState::Unused:
                    if (role == Qt::DisplayRole) return QString("使われていない");
                    if (role == Qt::ForegroundRole) return QColor(150, 90, 0);
                    if (role == Qt::ToolTipRole)
                        return QString("どのデータファイルもこの画像を名指ししていません（%1、%2バイト）。"
                                       "Summary.wsm やゲーム自体が使っていることはあります")
                            .arg(QDir::toNativeSeparators(line.path))
                            .arg(line.bytes);
                    if (role == Qt::UserRole) return QString("unused");
                    if (role == kSortRole) return 4;
                    return {};
                case FileState::Unknown:
                    if (role == Qt::DisplayRole) return QString("読めません");
                    if (role == Qt::ToolTipRole)
                        return "このフォルダが読めないので、ファイルがあるかわかりません:\n" +
                               QDir::toNativeSeparators(line.path);
                    if (role == Qt::UserRole) return QString("unknown");
                    if (role == kSortRole) return 2;
                    return {};
            }
            return {};
    }
    return {};
}

NamesPanel::NamesPanel(QWidget* parent)
    : QWidget(parent), NamesSummary(new PartsLabel(this)), NamesSearch(new QLineEdit(this)),
      NamesMatches(new QLabel(this)), NamesFilter(new QComboBox(this)), NamesList(new QTreeView(this)), PickName(new QPushButton("変換元に入れる(&P)", this)),
      CopyUnused(new QPushButton("一覧をコピー", this)), SaveUnused(new QPushButton("一覧を保存…", this)),
      model_(new NamesModel(this)), proxy_(new NamesFilterModel(this)), saveRunner_(execSaveList) {
    NamesSummary->setObjectName("NamesSummary");
    NamesSummary->setText("シナリオを選ぶと、データファイルにある画像名がここに並びます。");
    NamesSearch->setObjectName("NamesSearch");
    NamesSearch->setPlaceholderText("画像名を検索");
    NamesSearch->setClearButtonEnabled(true);
    NamesSearch->setToolTip("入力した文字を含む画像名だけを表示します（大文字と小文字は区別しません）");

    proxy_->setSourceModel(model_);
    proxy_->setSortRole(NamesModel::kSortRole);
    proxy_->setFilterKeyColumn(NamesModel::kName);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy_->setSortLocaleAware(true);

    NamesList->setObjectName("NamesList");
    NamesList->setModel(proxy_);
    NamesList->setRootIsDecorated(false);
    NamesList->setUniformRowHeights(true);
    NamesList->setIconSize(kPictureSize);
    NamesList->setAllColumnsShowFocus(true);
    NamesList->setSelectionMode(QAbstractItemView::SingleSelection);
    NamesList->setSelectionBehavior(QAbstractItemView::SelectRows);
    NamesList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Fixed widths: a column sized to its contents measures every line again whenever one changes.
    QHeaderView* header = NamesList->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(NamesModel::kName, QHeaderView::Stretch);
    const QFontMetrics metrics(NamesList->font());
    for (int column : {NamesModel::kFields, NamesModel::kFiles}) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, metrics.horizontalAdvance("ファイル") + 24);
    }
    header->setSectionResizeMode(NamesModel::kFile, QHeaderView::Interactive);
    header->resizeSection(NamesModel::kFile, metrics.horizontalAdvance("画像ファイル") + 24);
    // The scan's order (most fields first) until a column is clicked.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    NamesList->setSortingEnabled(true);

    PickName->setObjectName("PickName");
    PickName->setEnabled(false);
    PickName->setToolTip("選んだ画像名を、空いている最初の変換元に入れます");

    NamesFilter->setObjectName("NamesFilter");
    // As wide as its longest choice: the search line still has room at the window's smallest size.
    NamesFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    NamesFilter->addItems({"すべての画像名", "ファイルがない画像名", "使われていない画像ファイル"});
    NamesFilter->setToolTip("使われていない画像ファイル: シナリオのフォルダ（サブフォルダも）にあって、どのデータファイルも"
                            "名指ししていない画像。何も削除しません");
    NamesMatches->setObjectName("NamesMatches");
    NamesMatches->hide();
    auto* top = new QHBoxLayout();
    top->addWidget(NamesSearch, 1);
    top->addWidget(NamesMatches);
    top->addWidget(NamesFilter);
    CopyUnused->setObjectName("CopyUnused");
    CopyUnused->setToolTip("一覧の画像ファイルのパスとサイズ（バイト）をクリップボードにコピーします (Ctrl+C)");
    SaveUnused->setObjectName("SaveUnused");
    SaveUnused->setToolTip("一覧の画像ファイルのパスとサイズ（バイト）をテキストファイルに保存します");
    CopyUnused->hide();
    SaveUnused->hide();
    NamesList->installEventFilter(this);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(NamesSummary, 1);
    buttons->addWidget(PickName);
    buttons->addWidget(CopyUnused);
    buttons->addWidget(SaveUnused);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(NamesList, 1);
    layout->addLayout(buttons);

    // A new search starts at the top of its matches, and tells how many there are.
    connect(NamesSearch, &QLineEdit::textChanged, this, [this](const QString& text) {
        proxy_->setFilterFixedString(text);
        NamesList->scrollToTop();
        showMatches(NamesSearch, NamesMatches, proxy_->rowCount());
    });
    for (const auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(proxy_, changed, this, [this] { showMatches(NamesSearch, NamesMatches, proxy_->rowCount()); });
    connect(proxy_, &QAbstractItemModel::modelReset, this,
            [this] { showMatches(NamesSearch, NamesMatches, proxy_->rowCount()); });
    connect(NamesFilter, &QComboBox::currentIndexChanged, this, &NamesPanel::showFilter);
    connect(NamesList, &QTreeView::activated, this, [this] { pickCurrent(); });
    connect(NamesList->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        const QModelIndex source = proxy_->mapToSource(current);
        PickName->setEnabled(source.isValid() && model_->name(source.row()).matchable);
    });
    connect(PickName, &QPushButton::clicked, this, &NamesPanel::pickCurrent);
    connect(CopyUnused, &QPushButton::clicked, this, &NamesPanel::CopyUnusedClick);
    connect(SaveUnused, &QPushButton::clicked, this, &NamesPanel::SaveUnusedClick);
}

// The unused picture files have no name to pick: their list can be copied and saved instead.
void NamesPanel::showFilter(int mode) {
    static_cast<NamesFilterModel*>(proxy_)->setMode(mode);
    const bool unused = mode == NamesFilterModel::kUnused;
    model_->setUnusedShown(unused);
    PickName->setVisible(!unused);
    CopyUnused->setVisible(unused);
    SaveUnused->setVisible(unused);
    NamesSummary->setText(summaryText());
}

bool NamesPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == NamesList && event->type() == QEvent::KeyPress && CopyUnused->isVisible() &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopyUnusedClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void NamesPanel::setSaveRunner(SaveRunner runner) { saveRunner_ = runner ? std::move(runner) : SaveRunner(execSaveList); }

QString NamesPanel::unusedListText() const {
    QString text;
    for (int row = 0; row < proxy_->rowCount(); ++row) {
        const int line = proxy_->mapToSource(proxy_->index(row, 0)).row();
        if (!model_->isUnused(line)) continue;
        text += model_->name(line).text + "\t" + QString::number(model_->bytes(line)) + "\n";
    }
    return text;
}

void NamesPanel::CopyUnusedClick() { QGuiApplication::clipboard()->setText(unusedListText()); }

// Headed by the scenario folder, closed by the total. The dialog starts in the documents folder: saved into the
// scenario folder, the list would become a file of the scenario.
void NamesPanel::SaveUnusedClick() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const std::optional<QString> path = saveRunner_(this, QDir(documents).filePath("使われていない画像ファイル.txt"));
    if (!path || path->isEmpty()) return;
    const QString list = unusedListText();
    const QString text = "使われていない画像ファイル\t" + shownPath(scenarioFolder_) + "\n" + list +
                         QString("合計 %1 件\t%2\n").arg(list.count('\n')).arg(model_->unusedBytes());
    QSaveFile file(*path);
    const QByteArray bytes = text.toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return;
    QMessageBox box(QMessageBox::Warning, texts::kCaptionError,
                    "一覧を保存できませんでした。\n" + QDir::toNativeSeparators(*path) + "\n" + file.errorString(),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

NamesPanel::~NamesPanel() { stopLoading(); }

int NamesPanel::shownRow(int modelRow) const {
    return proxy_->mapFromSource(model_->index(modelRow, NamesModel::kName)).row();
}

// "画像名 N 件", with the names whose file is missing and the data files that could not be read whole.
QString NamesPanel::summaryText() const {
    QStringList notes;
    if (model_->missing() > 0) notes << QString("ファイルなし %1 件").arg(model_->missing());
    if (unread_ > 0) notes << QString("読めなかったデータファイル %1 件").arg(unread_);
    if (model_->unused() > 0) {
        notes << QString("使われていない画像ファイル %1 件").arg(model_->unused()) +
                     (NamesFilter->currentIndex() == NamesFilterModel::kUnused
                          ? "・合計 " + sizeText(model_->unusedBytes())
                          : QString());
    }
    // Told where it matters: an empty list of unused pictures would otherwise read as "none".
    if (unusedUnknown_ && NamesFilter->currentIndex() == NamesFilterModel::kUnused)
        notes << "使われていない画像ファイルは判断できません";
    const QString text = QString("画像名 %1 件").arg(model_->rowCount() - model_->unused());
    return notes.isEmpty() ? text : text + "（" + notes.join("、") + "）";
}

void NamesPanel::stopLoading() {
    stop_.store(true);
    if (loader_.joinable()) loader_.join();
    stop_.store(false);
}

void NamesPanel::clear() {
    stopLoading();
    ++generation_;
    model_->clear();
    PickName->setEnabled(false);
    NamesSummary->setText("画像名を読んでいます…");
}

void NamesPanel::showNames(const std::vector<OfferedName>& names, const std::string& scenarioFolder,
                           const QStringList& unreadFiles, std::shared_ptr<const ScenarioScan> scan) {
    clear();
    scenarioFolder_ = scenarioFolder;
    unread_ = static_cast<int>(unreadFiles.size());
    unusedUnknown_ = !scan || scan->stopped || scan->listingFailed || !scan->problems.empty();
    NamesSummary->setToolTip(unreadFiles.isEmpty() ? QString()
                                                   : "読めなかったデータファイル:\n" + unreadFiles.join('\n'));
    model_->setNames(names);
    NamesSummary->setText(summaryText());
    std::vector<std::string> stored;
    stored.reserve(names.size());
    for (const OfferedName& name : names) stored.push_back(isImageName(name.stored) ? name.stored : std::string());
    if (names.empty() && !scan) {
        emit picturesDone();
        return;
    }
    const int generation = generation_;
    // Looked up as the command line's list of missing images looks them up, so that both name the same pictures.
    loader_ = std::thread([this, generation, stored = std::move(stored), scenarioFolder, scan,
                           judgeUnused = !unusedUnknown_] {
        const ImageFileIndex files(scenarioFolder);
        std::vector<Found> batch;
        for (std::size_t row = 0; row < stored.size() && !stop_.load(); ++row) {
            if (stored[row].empty()) continue;
            const ImageLookup lookup = lookUpStoredName(stored[row], files);
            batch.push_back({static_cast<int>(row), lookup.kind, fromBytes(lookup.path)});
            if (batch.size() < kBatch) continue;
            QMetaObject::invokeMethod(this, [this, generation, batch] { showFound(generation, batch, false); },
                                      Qt::QueuedConnection);
            batch.clear();
        }
        if (stop_.load()) return;
        // The other way round: the picture files that no name names, as --unused finds them.
        if (judgeUnused) {
            const UnusedPictures found = findUnusedPictures(*scan, files);
            Unused unused;
            const QDir folder(fromBytes(scenarioFolder));
            for (const UnusedPicture& picture : found.files) {
                const QString path = fromBytes(picture.path);
                unused.shownAndPath.emplace_back(QDir::toNativeSeparators(folder.relativeFilePath(path)), path);
                unused.bytes.push_back(static_cast<qint64>(picture.bytes));
            }
            QMetaObject::invokeMethod(this, [this, generation, unused] { showUnused(generation, unused); },
                                      Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(this, [this, generation, batch] { showFound(generation, batch, true); },
                                  Qt::QueuedConnection);
    });
}

void NamesPanel::showFound(int generation, const std::vector<Found>& found, bool last) {
    if (generation != generation_) return;
    for (const Found& one : found) model_->setLookup(one.row, one.lookup, one.path);
    NamesSummary->setText(summaryText());
    if (!last) return;
    if (loader_.joinable()) loader_.join();
    emit picturesDone();
}

void NamesPanel::showUnused(int generation, const Unused& unused) {
    if (generation != generation_) return;
    model_->addUnused(unused.shownAndPath, unused.bytes);
    NamesSummary->setText(summaryText());
}

// A name no row can match is not offered for a row.
void NamesPanel::pickCurrent() {
    const QModelIndex source = proxy_->mapToSource(NamesList->currentIndex());
    if (!source.isValid()) return;
    const OfferedName& name = model_->name(source.row());
    if (name.matchable) emit namePicked(name.text);
}

}  // namespace celshift
