#include "run/output_subfolders.h"

#include <algorithm>

#include "platform/name_fold.h"
#include "platform/name_rules.h"
#include "run/failure_reasons.h"
#include "run/run_texts.h"

namespace celshift {

std::string folderPartOf(const std::string& fileName) {
    const std::string_view last = lastPathElement(fileName);
    if (last.size() >= fileName.size()) return {};
    return fileName.substr(0, fileName.size() - last.size() - 1);
}

void OutputSubfolders::make(const std::vector<std::string>& subfolders) {
    for (const std::string& folder : subfolders) {
        std::string why;
        if (const std::shared_ptr<OutputFolder> made = open(folder, why)) made->removeLeftovers();
    }
}

std::string OutputSubfolders::otherSpellingThere(const std::string& fileName) {
    if (!tellOtherSpellings_) return {};
    const std::string name = windowsFileName(fileName);
    const std::string folder = folderPartOf(name);
    std::string why;
    const std::shared_ptr<OutputFolder> there = folder.empty() ? nullptr : open(folder, why);
    if (!folder.empty() && !there) return {};
    const std::lock_guard<std::mutex> lock(mutex_);
    auto [entry, added] = spellings_.try_emplace(folder);
    if (added)
        for (const std::string& entryName : (there ? *there : top_).entryNames())
            entry->second[foldFileName(entryName).value_or(entryName)].push_back(entryName);
    if (entry->second.empty()) return {};  // a new or empty folder: nothing there to be spelt otherwise
    const std::string last(lastPathElement(name));
    const auto found = entry->second.find(foldFileName(last).value_or(last));
    if (found == entry->second.end()) return {};
    if (std::find(found->second.begin(), found->second.end(), last) != found->second.end()) return {};
    return found->second.front();
}

std::shared_ptr<OutputFolder> OutputSubfolders::folderFor(const std::string& fileName, std::string& why) {
    const std::string folder = folderPartOf(fileName);
    if (folder.empty()) return std::shared_ptr<OutputFolder>(&top_, [](OutputFolder*) {});
    return open(folder, why);
}

// Each folder is opened from the one that holds it, element by element, so that no link on the way is followed.
std::shared_ptr<OutputFolder> OutputSubfolders::open(const std::string& folder, std::string& why) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const auto found = open_.find(folder); found != open_.end()) return found->second;
    if (const auto failed = failed_.find(folder); failed != failed_.end()) {
        why = failed->second;
        return nullptr;
    }
    std::vector<std::string> elements;
    for (std::string rest = folder; !rest.empty(); rest = folderPartOf(rest))
        elements.insert(elements.begin(), std::string(lastPathElement(rest)));
    std::shared_ptr<OutputFolder> current(&top_, [](OutputFolder*) {});
    std::string sofar;
    for (const std::string& element : elements) {
        sofar = sofar.empty() ? element : joinPath(sofar, element);
        if (const auto found = open_.find(sofar); found != open_.end()) {
            current = found->second;
            continue;
        }
        if (const auto failed = failed_.find(sofar); failed != failed_.end()) {
            why = failed->second;
            failed_.emplace(folder, why);
            return nullptr;
        }
        auto sub = std::make_shared<OutputFolder>();
        if (const FileError error = current->openSubfolder(element, *sub)) {
            why = texts::subfolderNotMade(shownName(joinPath(top_.path(), sofar)), fileErrorText(error));
            failed_.emplace(sofar, why);
            failed_.emplace(folder, why);
            return nullptr;
        }
        if (open_.size() < kOpenFolders) open_.emplace(sofar, sub);
        current = std::move(sub);
    }
    return current;
}

}  // namespace celshift
