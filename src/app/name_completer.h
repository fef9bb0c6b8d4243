// Completions for the 変換元 edits: the image names the scenario holds, each with its counts. Names that begin
// with the typed text come first, then names that contain it elsewhere; within each group, most fields first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QCompleter>
#include <QString>

#include "run/scenario_scan.h"

class QLineEdit;
class QStandardItemModel;

namespace celshift {

struct OfferedName {
    QString text;  // the written form: as typed into a row, it matches the stored field byte for byte
    std::int64_t fields = 0;
    int files = 0;
    std::string stored;      // the field's bytes as the data files hold them
    bool matchable = true;   // a row can take this text (an image extension, not too long)
};

// Every field of the scan in its written form, in the scan's order: most fields first.
std::vector<OfferedName> scannedNames(const ScenarioScan& scan);
// Of those, the names a row can match.
std::vector<OfferedName> matchableNames(const ScenarioScan& scan);

// Of names, those with one of the image extensions that contain typed (without regard to case): those that begin
// with it first, then those that hold it before their extension (anywhere when typed holds a dot), each group in
// the order of names. Everything with an image extension for an empty text.
std::vector<OfferedName> namesMatching(const std::vector<OfferedName>& names, const QString& typed);

// "5箇所・4ファイル"
QString countsText(const OfferedName& name);

class NameCompleter;
// The completer of a 変換元 edit; null before the scan has ended.
NameCompleter* completerOf(const QLineEdit* edit);

class NameCompleter : public QCompleter {
    Q_OBJECT

public:
    // Completes edit from names; a child of edit, which deletes it.
    NameCompleter(std::vector<OfferedName> names, QLineEdit* edit);

    // The names offered for the edit's text now, in the order shown.
    QStringList offered() const;

private:
    void refilter(const QString& typed);

    std::vector<OfferedName> names_;
    QLineEdit* edit_;
    QStandardItemModel* model_;
};

}  // namespace celshift
