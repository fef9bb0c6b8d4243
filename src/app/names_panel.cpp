#include "app/names_panel.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/thumbnails.h"
#include "app/window_paths.h"
#include "platform/code_page_932.h"
#include "run/build_replacement_table.h"
#include "run/image_files.h"
#include "run/missing_images.h"

namespace celshift {

namespace {

constexpr QSize kPictureSize{32, 32};
// Pictures are handed to the window a few at a time, so that a large scenario never floods the event queue.
constexpr std::size_t kBatch = 16;

enum Column { kName, kFields, kFiles, kFile };

constexpr const char* kUnmatchable = "行に入れても一致しない名前です（終わりのゼロバイトがないか、文字にならないバイトがあります）";

}  // namespace

NamesPanel::NamesPanel(QWidget* parent)
    : QWidget(parent), NamesSummary(new QLabel(this)), NamesList(new QTreeWidget(this)),
      PickName(new QPushButton("変換元に入れる", this)) {
    NamesSummary->setObjectName("NamesSummary");
    NamesSummary->setText("シナリオを選ぶと、データファイルにある画像名がここに並びます。");
    NamesSummary->setWordWrap(true);
    NamesList->setObjectName("NamesList");
    NamesList->setColumnCount(4);
    NamesList->setHeaderLabels({"画像名", "箇所", "ファイル", "画像ファイル"});
    NamesList->setRootIsDecorated(false);
    NamesList->setUniformRowHeights(true);
    NamesList->setIconSize(kPictureSize);
    NamesList->setAllColumnsShowFocus(true);
    NamesList->header()->setStretchLastSection(false);
    NamesList->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
    for (int column : {kFields, kFiles, kFile}) NamesList->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    PickName->setObjectName("PickName");
    PickName->setEnabled(false);
    PickName->setToolTip("選んだ画像名を、空いている最初の変換元に入れます");

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(NamesSummary, 1);
    buttons->addWidget(PickName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(NamesList, 1);
    layout->addLayout(buttons);

    connect(NamesList, &QTreeWidget::itemActivated, this, [this] { pickCurrent(); });
    connect(NamesList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        PickName->setEnabled(item != nullptr && item->data(kFields, Qt::UserRole).toBool());
    });
    connect(PickName, &QPushButton::clicked, this, &NamesPanel::pickCurrent);
}

NamesPanel::~NamesPanel() { stopLoading(); }

// "画像名 N 件", with the names whose file is missing and the data files that could not be read whole.
QString NamesPanel::summaryText(int names) const {
    QStringList notes;
    if (missing_ > 0) notes << QString("ファイルなし %1 件").arg(missing_);
    if (unread_ > 0) notes << QString("読めなかったデータファイル %1 件").arg(unread_);
    const QString text = QString("画像名 %1 件").arg(names);
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
    NamesList->clear();
    PickName->setEnabled(false);
    NamesSummary->setText("画像名を読んでいます…");
}

void NamesPanel::showNames(const std::vector<OfferedName>& names, const std::string& scenarioFolder,
                           const QStringList& unreadFiles) {
    clear();
    unread_ = static_cast<int>(unreadFiles.size());
    NamesSummary->setToolTip(unreadFiles.isEmpty() ? QString()
                                                   : "読めなかったデータファイル:\n" + unreadFiles.join('\n'));
    std::vector<std::string> stored;
    // Every row starts with a clear picture of the full size: the rows are as high as the first one (uniform
    // heights), and names without a picture stay in line with the others.
    QPixmap clear(kPictureSize);
    clear.fill(Qt::transparent);
    const QIcon noPicture(clear);
    for (const OfferedName& name : names) {
        auto* item = new QTreeWidgetItem(NamesList);
        item->setIcon(kName, noPicture);
        item->setText(kName, name.text);
        item->setData(kName, Qt::UserRole, name.text);
        item->setText(kFields, QString::number(name.fields));
        item->setText(kFiles, QString::number(name.files));
        item->setTextAlignment(kFields, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(kFiles, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(kName, name.text + "\n" + countsText(name) +
                                    (name.matchable ? QString() : "\n" + QString(kUnmatchable)));
        item->setData(kFields, Qt::UserRole, name.matchable);
        // Only image names have a file to look for; other names stand as they are.
        stored.push_back(isImageName(name.stored) ? name.stored : std::string());
    }
    missing_ = 0;
    NamesSummary->setText(summaryText(static_cast<int>(names.size())));
    if (names.empty()) {
        emit picturesDone();
        return;
    }
    const int generation = generation_;
    // Looked up as the command line's list of missing images looks them up, so that both name the same pictures.
    loader_ = std::thread([this, generation, stored = std::move(stored), scenarioFolder] {
        const ImageFileIndex files(scenarioFolder);
        std::vector<Found> batch;
        for (std::size_t row = 0; row < stored.size() && !stop_.load(); ++row) {
            if (stored[row].empty()) continue;
            const ImageLookup lookup = lookUpStoredName(stored[row], files);
            Found found{static_cast<int>(row), lookup.kind, fromBytes(lookup.path), {}};
            if (lookup.kind == ImageLookup::Kind::Found) found.image = loadThumbnail(found.path, kPictureSize);
            batch.push_back(std::move(found));
            if (batch.size() < kBatch) continue;
            QMetaObject::invokeMethod(this, [this, generation, batch] { showFound(generation, batch, false); },
                                      Qt::QueuedConnection);
            batch.clear();
        }
        if (stop_.load()) return;
        QMetaObject::invokeMethod(this, [this, generation, batch] { showFound(generation, batch, true); },
                                  Qt::QueuedConnection);
    });
}

void NamesPanel::showFound(int generation, const std::vector<Found>& found, bool last) {
    if (generation != generation_) return;
    for (const Found& one : found) {
        QTreeWidgetItem* item = NamesList->topLevelItem(one.row);
        if (item == nullptr) continue;
        if (one.lookup == ImageLookup::Kind::Unreadable) {
            item->setText(kFile, "読めません");
            item->setToolTip(kFile, "このフォルダが読めないので、ファイルがあるかわかりません:\n" +
                                        QDir::toNativeSeparators(one.path));
            item->setData(kFile, Qt::UserRole, "unknown");
            continue;
        }
        if (one.lookup != ImageLookup::Kind::Found) {
            ++missing_;
            item->setText(kFile, "ありません");
            item->setForeground(kFile, QColor(200, 0, 0));
            item->setToolTip(kFile, "シナリオのフォルダにこの名前のファイルがありません");
            item->setData(kFile, Qt::UserRole, "missing");
            continue;
        }
        item->setText(kFile, "あり");
        item->setToolTip(kFile, QDir::toNativeSeparators(one.path));
        item->setIcon(kName, QPixmap::fromImage(one.image.isNull() ? placeholderThumbnail(kPictureSize).toImage()
                                                                   : one.image));
        item->setData(kFile, Qt::UserRole, one.image.isNull() ? "placeholder" : "picture");
    }
    if (!last) return;
    if (loader_.joinable()) loader_.join();
    const int count = NamesList->topLevelItemCount();
    NamesSummary->setText(summaryText(count));
    emit picturesDone();
}

// A name no row can match (a field without its zero byte, bytes that are no text) is not offered for a row.
void NamesPanel::pickCurrent() {
    const QTreeWidgetItem* item = NamesList->currentItem();
    if (item != nullptr && item->data(kFields, Qt::UserRole).toBool())
        emit namePicked(item->data(kName, Qt::UserRole).toString());
}

}  // namespace celshift
