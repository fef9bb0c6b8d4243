#include "app/name_completer.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardItemModel>

#include "platform/code_page_932.h"
#include "run/build_replacement_table.h"
#include "run/row_names.h"

namespace celshift {

namespace {

// The role that holds the name alone: what goes into the edit.
constexpr int kNameRole = Qt::UserRole + 1;
constexpr int kMaxShown = 12;

}  // namespace

// Each field in its exact written form (escapes, the mark of a field without its zero byte), which a row takes
// as it stands and which matches that field alone. A name a row cannot take (no image extension, too long) is
// listed all the same and not offered.
std::vector<OfferedName> scannedNames(const ScenarioScan& scan) {
    std::vector<OfferedName> names;
    names.reserve(scan.names.size());
    for (const ScannedName& name : scan.names) {
        const std::string written = writtenName(name.bytes);
        const bool matchable = checkRow(written, "x.bmp").state == RowState::Used;
        names.push_back({QString::fromStdString(written), name.fields, name.files, name.bytes, matchable});
    }
    return names;
}

std::vector<OfferedName> matchableNames(const ScenarioScan& scan) {
    std::vector<OfferedName> names = scannedNames(scan);
    std::erase_if(names, [](const OfferedName& name) { return !name.matchable; });
    return names;
}

std::vector<OfferedName> namesMatching(const std::vector<OfferedName>& names, const QString& typed) {
    std::vector<OfferedName> starting;
    std::vector<OfferedName> containing;
    for (const OfferedName& name : names) {
        const std::optional<RowName> row = rowNameBytes(name.text.toStdString());
        if (!name.matchable || !row || !hasImageExtension(row->bytes)) continue;
        const qsizetype at = name.text.indexOf(typed, 0, Qt::CaseInsensitive);
        if (at == 0) {
            starting.push_back(name);
            continue;
        }
        // Inside the name, not in its extension alone ("m" would find every ".bmp"), unless a dot is typed.
        const qsizetype dot = name.text.lastIndexOf('.');
        const QString searched = typed.contains('.') || dot < 0 ? name.text : name.text.left(dot);
        if (at > 0 && searched.indexOf(typed, 1, Qt::CaseInsensitive) > 0) containing.push_back(name);
    }
    starting.insert(starting.end(), containing.begin(), containing.end());
    return starting;
}

QString countsText(const OfferedName& name) {
    return QString("%1箇所・%2ファイル").arg(name.fields).arg(name.files);
}

NameCompleter* completerOf(const QLineEdit* edit) {
    return edit->findChild<NameCompleter*>(QString(), Qt::FindDirectChildrenOnly);
}

NameCompleter::NameCompleter(std::vector<OfferedName> names, QLineEdit* edit)
    : QCompleter(edit), names_(std::move(names)), edit_(edit), model_(new QStandardItemModel(this)) {
    setModel(model_);
    setCompletionRole(kNameRole);
    setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    setModelSorting(QCompleter::UnsortedModel);
    setMaxVisibleItems(kMaxShown);
    // Not the edit's own completer: the edit would show the popup itself after each key, unfiltered and as narrow
    // as the edit. This one is shown here, and a picked name is put in here.
    setWidget(edit);
    connect(edit, &QLineEdit::textEdited, this, &NameCompleter::refilter);
    connect(this, qOverload<const QModelIndex&>(&QCompleter::activated), this, [this](const QModelIndex& index) {
        edit_->setText(index.data(kNameRole).toString());
        popup()->hide();
    });
    refilter(edit->text());
    popup()->hide();
}

QStringList NameCompleter::offered() const {
    QStringList shown;
    for (int row = 0; row < model_->rowCount(); ++row) shown << model_->item(row)->data(kNameRole).toString();
    return shown;
}

// The list for the typed text, its popup as wide as its longest line.
void NameCompleter::refilter(const QString& typed) {
    model_->clear();
    // Measuring text is dear (thousands of names took the window's thread for a tenth of a second): only the lines
    // that look widest are measured, by a count in which a character outside ASCII weighs two.
    constexpr std::size_t kMeasured = 16;
    std::vector<std::pair<int, QString>> widest;  // (estimate, line), the widest estimates at the front
    for (const OfferedName& name : namesMatching(names_, typed)) {
        const QString line = name.text + "    " + countsText(name);
        auto* item = new QStandardItem(line);
        item->setData(name.text, kNameRole);
        item->setToolTip(line);
        model_->appendRow(item);
        int estimate = 0;
        for (const QChar c : line) estimate += c.unicode() < 0x80 ? 1 : 2;
        widest.emplace_back(estimate, line);
    }
    // Nothing to offer, or only what is typed already.
    const bool onlyTheTyped = model_->rowCount() == 1 && model_->item(0)->data(kNameRole).toString() == typed;
    if (typed.isEmpty() || model_->rowCount() == 0 || onlyTheTyped) {
        popup()->hide();
        return;
    }
    const auto measured = widest.begin() + static_cast<std::ptrdiff_t>(std::min(kMeasured, widest.size()));
    std::partial_sort(widest.begin(), measured, widest.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    const QFontMetrics metrics(popup()->font());
    int widestLine = 0;
    for (auto it = widest.begin(); it != measured; ++it) widestLine = std::max(widestLine, metrics.horizontalAdvance(it->second));
    const int width = std::max(edit_->width(), widestLine + popup()->verticalScrollBar()->sizeHint().width() + 24);
    complete(QRect(0, 0, width, edit_->height()));
}

}  // namespace celshift
