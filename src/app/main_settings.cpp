// The settings file and the window's geometry: read at start, written at close.
#include <algorithm>
#include <array>
#include <vector>

#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWindow>

#include "app/Main.h"
#include "app/window_paths.h"
#include "platform/executable_path.h"
#include "platform/ini_file.h"
#include "run/run_texts.h"

namespace celshift {

namespace {

constexpr int kDefaultTop = 100;
constexpr int kDefaultLeft = 140;
constexpr int kDefaultHeight = 350;
constexpr int kDefaultWidth = 416;

// A row's text in the settings file. The file's values are raw, but a value loses its spaces at either end when it
// is read: a text with such spaces, or one that begins and ends with '"', is written between quotes, which
// reading takes off again. Everything else ('=', ';', '#', backslashes, ∅) is written as typed.
std::string storedRow(const QString& typed) {
    const std::string text = typed.toStdString();
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
    if (text.empty() || !(quoted || isSpace(text.front()) || isSpace(text.back()))) return text;
    return '"' + text + '"';
}

QString typedRow(const std::string& stored) {
    if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')
        return QString::fromStdString(stored.substr(1, stored.size() - 2));
    return QString::fromStdString(stored);
}

std::array<QLineEdit*, 8> rowEdits(const TForm1& form) {
    return {form.T2Edit1From, form.T2Edit1To, form.T2Edit2From, form.T2Edit2To,
            form.T2Edit3From, form.T2Edit3To, form.T2Edit4From, form.T2Edit4To};
}

// "From1", "To1", ... "To4", in the order of rowEdits.
std::string rowKey(std::size_t edit) { return (edit % 2 == 0 ? "From" : "To") + std::to_string(edit / 2 + 1); }

// A stored value as a window coordinate or size. Window systems work in 16-bit coordinates; anything beyond is no
// place on any screen, and would only overflow the sums of the geometry.
int coordinate(long stored) { return static_cast<int>(std::clamp(stored, -32768L, 32767L)); }

// The area of all screens together, or nothing when the platform has no screen.
QRect desktopArea() {
    QRect area;
    for (const QScreen* screen : QGuiApplication::screens()) area |= screen->availableGeometry();
    return area;
}

}  // namespace

std::string settingsFilePath() {
    std::string path = executablePath();
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    return path + ".ini";
}

std::string initialFolderFromStored(const std::string& stored) {
    if (stored.size() < 2) return stored;
    const char last = stored.back();
    if ((last == '\\' || last == '/') && stored[stored.size() - 2] != ':') return stored.substr(0, stored.size() - 1);
    return stored;
}

// Geometry first, each value applied as soon as it is read; then the dialog's folder and the output folder.
void TForm1::readSettings() {
    const IniFile ini(settingsPath_);
    move(pos().x(), coordinate(ini.readInteger("WINSIZE", "Top", kDefaultTop)));
    move(coordinate(ini.readInteger("WINSIZE", "Left", kDefaultLeft)), pos().y());
    QSize outer = frameGeometry().size();
    outer.setHeight(std::max(coordinate(ini.readInteger("WINSIZE", "Height", kDefaultHeight)), 0));
    setOuterSize(outer.width(), outer.height());
    outer.setWidth(std::max(coordinate(ini.readInteger("WINSIZE", "Width", kDefaultWidth)), 0));
    setOuterSize(outer.width(), outer.height());

    // A place where no screen would show the window's title bar (a screen removed since, a file edited by hand)
    // gives way to the default place, so that the window can always be seen and moved.
    const QRect desktop = desktopArea();
    const QRect titleStrip(pos(), QSize(std::max(outer.width(), 1), 25));
    if (!desktop.isEmpty() && !desktop.intersects(titleStrip)) move(kDefaultLeft, kDefaultTop);
    // The whole window on the screen that shows its title bar (a stored size from another scale factor or a larger
    // screen would reach past its edges), no larger than that screen.
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        if (!area.intersects(QRect(pos(), QSize(std::max(outer.width(), 1), 25)))) continue;
        const QSize fitted = outer.boundedTo(area.size());
        if (fitted != outer) setOuterSize(fitted.width(), fitted.height());
        const int left = std::clamp(pos().x(), area.left(), std::max(area.left(), area.right() + 1 - fitted.width()));
        const int top = std::clamp(pos().y(), area.top(), std::max(area.top(), area.bottom() + 1 - fitted.height()));
        move(left, top);
        break;
    }
    // A window closed maximized opens maximized, with the stored place and size as its restored geometry.
    if (ini.readInteger("WINSIZE", "Maximized", 0) == 1) {
        restoredOuter_ = QRect(pos(), pendingOuterSize_.value_or(outer));
        setWindowState(windowState() | Qt::WindowMaximized);
    }

    sourceInitialFolder_ = initialFolderFromStored(ini.readString("PATH", "Source", ""));
    if (!sourceInitialFolder_.empty()) {
        SourceOpen->setDirectory(fromBytes(sourceInitialFolder_));
    }
    storedTarget_ = ini.readString("PATH", "Target", "");
    if (!storedTarget_.empty()) outputFolder_ = storedTarget_;
    lastScenarioFolder_ = ini.readString("PATH", "LastScenario", "");

    // The rows as they were typed when the window was closed last.
    const std::array<QLineEdit*, 8> edits = rowEdits(*this);
    for (std::size_t edit = 0; edit < edits.size(); ++edit)
        edits[edit]->setText(typedRow(ini.readString("ROWS", rowKey(edit), "")));
}

// The outer size includes the window frame, which the platform may report only once the window is shown; the size
// is applied again then (applyPendingOuterSize), so that a stored size never grows by the frame at each start.
void TForm1::setOuterSize(int width, int height) {
    QSize outer(width, height);
    const QRect desktop = desktopArea();
    if (!desktop.isEmpty()) outer = outer.boundedTo(desktop.size());
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(outer - frame);
    pendingOuterSize_ = outer;
}

void TForm1::applyPendingOuterSize() {
    if (!pendingOuterSize_ || !isVisible() || windowHandle() == nullptr) return;
    if (windowState() != Qt::WindowNoState) {
        pendingOuterSize_.reset();
        return;
    }
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) return;
    const QSize outer = *pendingOuterSize_;
    pendingOuterSize_.reset();
    resize(outer.width() - frame.left() - frame.right(), outer.height() - frame.top() - frame.bottom());
}

// Keeps the outer geometry of the restored window. Window managers draw a maximized window with another frame
// (often none at the sides), so the restored geometry cannot be rebuilt later from the frame of that moment.
// A window that covers its screen's whole work area counts as maximized too: a window manager's maximize is not
// always told to the program as a state (under Wine it is not).
void TForm1::rememberRestoredGeometry() {
    if (!isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) != 0 ||
        fillsItsScreen()) {
        return;
    }
    restoredOuter_ = frameGeometry();
}

// By size alone: the window system may tell the new size before the new place (Wine does), and a window of that
// size covers the work area wherever it is put.
bool TForm1::fillsItsScreen() const {
    const QScreen* shown = screen();
    if (shown == nullptr) return false;
    const QSize area = shown->availableGeometry().size();
    const QSize outer = frameGeometry().size();
    return outer.width() >= area.width() && outer.height() >= area.height();
}

// A minimized, maximized or full-screen window is stored with the place and size it has when restored.
QRect TForm1::outerGeometryToStore() const {
    const bool notRestored = (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
    if (notRestored || fillsItsScreen()) {
        if (restoredOuter_.isValid()) return restoredOuter_;
        const QRect normal = normalGeometry();
        if (notRestored && normal.isValid()) {
            const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
            return normal.marginsAdded(frame);
        }
    }
    return frameGeometry();
}

void TForm1::writeSettings() {
    const QRect outer = outerGeometryToStore();
    try {
        IniFile ini(settingsPath_);
        ini.writeInteger("WINSIZE", "Top", outer.top());
        ini.writeInteger("WINSIZE", "Left", outer.left());
        ini.writeInteger("WINSIZE", "Height", outer.height());
        ini.writeInteger("WINSIZE", "Width", outer.width());
        // Written once the window has been maximized; a file without the key is left as it was.
        const bool maximized = (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0 || fillsItsScreen();
        if (maximized || ini.readInteger("WINSIZE", "Maximized", 0) != 0)
            ini.writeInteger("WINSIZE", "Maximized", maximized ? 1 : 0);
        ini.writeString("PATH", "Source", sourceInitialFolder_);
        // Only a folder the user chose: without the key, the output folder stays "Scena" beside the program.
        // Folders are stored as the system writes paths (backslashes on Windows), as a user would type them.
        if (!storedTarget_.empty()) ini.writeString("PATH", "Target", nativePath(storedTarget_));
        // Where the last scenario was chosen: the dialog opens there while "Source" is empty.
        if (!lastScenarioFolder_.empty()) ini.writeString("PATH", "LastScenario", nativePath(lastScenarioFolder_));
        // The rows as typed. A line break or a zero character (pasted) cannot stand on a line of the file: that row
        // is stored empty, and told.
        const std::array<QLineEdit*, 8> edits = rowEdits(*this);
        const auto fits = [](const QString& text) {
            return !text.contains('\n') && !text.contains('\r') && !text.contains(QChar(0));
        };
        std::vector<int> notKept;
        for (std::size_t edit = 0; edit < edits.size(); edit += 2) {
            const bool kept = fits(edits[edit]->text()) && fits(edits[edit + 1]->text());
            for (std::size_t half = edit; half < edit + 2; ++half)
                ini.writeString("ROWS", rowKey(half), kept ? storedRow(edits[half]->text()) : std::string());
            if (!kept) notKept.push_back(static_cast<int>(edit / 2) + 1);
        }
        if (ini.save()) {
            for (const int row : notKept)
                messages().showMessage("変換" + texts::rowNumber(row) +
                                           " に改行かゼロ文字があるので、この行は次回に残せませんでした。",
                                       "Celshift");
            return;
        }
    } catch (const std::exception&) {
        // Reported below like any other failure to save.
    }
    messages().showMessage("設定を保存できませんでした。\n" + settingsPath_, "Celshift");
}

}  // namespace celshift
