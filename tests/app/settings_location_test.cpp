// Where the settings file goes: beside a portable executable, in the configuration folder for an installed one.
#if !defined(_WIN32)
#include <sys/mount.h>
#include <unistd.h>
#endif

#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/Main.h"
#include "app/settings_location.h"
#include "platform/ini_file.h"
#include "platform/name_rules.h"

namespace celshift::test {

class SettingsLocationTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
    }
    void cleanup() {
#if !defined(_WIN32)
        if (!boundFolder_.empty()) ::umount(boundFolder_.c_str());
#endif
        boundFolder_.clear();
        if (folder_) QFile::setPermissions(folder_->filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        folder_.reset();
    }

    void aWritableFolderKeepsTheFileBesideTheExecutable() {
        std::vector<std::string> asked;
        const std::string config = path("config/celshift");
        const std::string location = settingsLocation("/opt/portable/celshift.ini", config, [&](const std::string& f) {
            asked.push_back(f);
            return true;
        });
        QCOMPARE(location, std::string("/opt/portable/celshift.ini"));
        QCOMPARE(asked, std::vector<std::string>{"/opt/portable"});
        QVERIFY(!QFileInfo::exists(QString::fromStdString(config)));
    }

    void aFolderThatCannotBeWrittenUsesTheConfigFolderAndCreatesIt() {
        const std::string config = path("home/.config/celshift");
        const std::string location = settingsLocation("/usr/bin/celshift.ini", config, [](const std::string&) { return false; });
        QCOMPARE(location, joinPath(config, "celshift.ini"));
        QVERIFY(QFileInfo(QString::fromStdString(config)).isDir());

        // The window reads and writes it there: what one start saves, the next reads.
        IniFile written(location);
        written.writeInteger("WINSIZE", "Top", 77);
        QVERIFY(written.save());
        const std::string again = settingsLocation("/usr/bin/celshift.ini", config, [](const std::string&) { return false; });
        QCOMPARE(again, location);
        QCOMPARE(IniFile(again).readInteger("WINSIZE", "Top", -1), 77L);
    }

    void aConfigFolderThatCannotBeMadeStillNamesTheFileSoSavingReportsIt() {
        QVERIFY(QFile(folder_->filePath("home")).open(QIODevice::WriteOnly));  // a file where a folder must go
        const std::string config = path("home/celshift");
        const std::string location = settingsLocation("/usr/bin/celshift.ini", config, [](const std::string&) { return false; });
        QCOMPARE(location, joinPath(config, "celshift.ini"));
        IniFile ini(location);
        ini.writeInteger("WINSIZE", "Top", 1);
        QVERIFY(!ini.save());
    }

    void withoutAConfigFolderTheFileStaysBesideTheExecutable() {
        QCOMPARE(settingsLocation("/usr/bin/celshift.ini", "", [](const std::string&) { return false; }),
                 std::string("/usr/bin/celshift.ini"));
    }

    void writabilityIsThatOfAFolder() {
        QVERIFY(folderWritable(path("")));
        QVERIFY(!folderWritable(path("missing")));
        QVERIFY(!folderWritable(""));
        QVERIFY(QFile(folder_->filePath("plain")).open(QIODevice::WriteOnly));
        QVERIFY(!folderWritable(path("plain")));
    }

    // As a user, a folder without write permission; as root, whom permissions do not stop, a read-only mount.
    void aReadOnlyFolderIsNotWritable() {
#if defined(_WIN32)
        QSKIP("folder rights are the platform layer's Windows tests");
#else
        const std::string locked = path("locked");
        QVERIFY(QDir().mkpath(QString::fromStdString(locked)));
        QVERIFY(QFile::setPermissions(QString::fromStdString(locked), QFile::ReadOwner | QFile::ExeOwner));
        if (::geteuid() == 0) {
            QVERIFY(folderWritable(locked));
            if (::mount(locked.c_str(), locked.c_str(), nullptr, MS_BIND, nullptr) != 0)
                QSKIP("no read-only folder can be made here (bind mount refused)");
            boundFolder_ = locked;
            if (::mount(nullptr, locked.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
                QSKIP("no read-only folder can be made here (read-only remount refused)");
        }
        QVERIFY(!folderWritable(locked));
        QCOMPARE(settingsLocation(locked + "/celshift.ini", path("config"), folderWritable), path("config/celshift.ini"));
#endif
    }

    // The output folder when none is chosen: Scena beside a portable program, in the documents for an installed one.
    void theDefaultOutputFolderIsInTheDocumentsWhenTheProgramsFolderCannotBeWritten() {
        const std::string beside = joinPath(joinPath("/opt/portable", "Scena"), "");
        const auto writable = [](const std::string& folder) { return folder == "/opt/portable"; };
        QCOMPARE(outputFolderLocation(beside, "/home/u/Documents", writable), beside);
        const std::string installed = joinPath(joinPath("/usr/bin", "Scena"), "");
        QCOMPARE(outputFolderLocation(installed, "/home/u/Documents", writable), joinPath(joinPath("/home/u/Documents", "Scena"), ""));
        QCOMPARE(outputFolderLocation(installed, "", writable), installed);
    }

    // The program itself: the tests run from the build folder, which is writable, so the file lies beside them.
    void theRunningProgramKeepsItBesideItsWritableFolder() {
        QCOMPARE(settingsFileLocation(), settingsFilePath());
    }

private:
    std::string path(const char* relative) const {
        const QString base = folder_->path();
        return QFile::encodeName(*relative != '\0' ? base + "/" + relative : base).toStdString();
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::string boundFolder_;
};

}  // namespace celshift::test

QTEST_GUILESS_MAIN(celshift::test::SettingsLocationTest)
#include "settings_location_test.moc"
