// A port settings file that anyone may have edited, broken or replaced: the program starts every
// time and keeps a sound port number.
#include "HostileSupport.h"
#include "PortDialog.h"
#include "PseudoTerminal.h"
#include "SerialLine.h"
#include "WholeFile.h"
#include "WindowHarness.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <map>
#include <pwd.h>
#include <ranges>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using torven::nameOf;
using torven::test::WindowHarness;
namespace names = torven::object_names::main_window;
namespace dialog_names = torven::object_names::port_dialog;

// Writes `bytes` as the whole file at `path`.
void WriteFile(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

TEST(HostileCommSet, EachContentGivesASoundPortNumber) {
    struct Row {
        const char* name;
        std::string content;
        std::int16_t port;
    };
    const Row rows[] = {
        {"Empty", "", 1},
        {"LineEndOnly", "\r\n", 1},
        {"Letters", "COM3\r\n", 1},
        {"TooLarge", "99999\r\n", 1},
        {"BelowTheRange", "-32769\r\n", 1},
        {"LowestInRange", "-32768\r\n", -32768},
        {"HalfRoundsUpToEven", "3.5\r\n", 4},
        {"HalfRoundsDownToEven", "2.5\r\n", 2},
        {"Blanks", " 7 \r\n", 7},
        {"NulBytes", std::string("\0\0\0\r\n", 5), 1},
        {"DigitThenNul", std::string("3\0\r\n", 4), 1},
        {"BinaryJunk", "\xFF\xFE\x01\x7F\x80junk\r\n5\r\n", 1},
        {"NumberOnTheSecondLine", "\r\n6\r\n", 1},
        {"LoneCarriageReturnEndsTheLine", "8\r9\r\n", 8},
    };
    WindowHarness h;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(h.CommSetPath(), row.content);
        h.Make();
        EXPECT_EQ(h.Form().serialLine().portNumber(), row.port);
        EXPECT_FALSE(h.Form().serialLine().isPortOpen());
    }
}

TEST(HostileCommSet, AHugeLineIsNotReadWhole) {
    WindowHarness h;
    {
        // 100 MB with a port number in front and no line end; sparse, so it costs no disk.
        const int fd = open(h.CommSetPath().toLocal8Bit().constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "7", 1), 1);
        ASSERT_EQ(ftruncate(fd, 100 << 20), 0);
        close(fd);
    }
    torven::test::ResetPeakResident();
    const std::int64_t before = torven::test::ResidentBytes();
    h.Make();
    const std::int64_t grown = torven::test::PeakResidentBytes() - before;
    std::cout << "start with a 100 MB comm.set: peak resident size grew by " << grown / 1024
              << " KiB\n";
    EXPECT_LT(grown, 20 << 20);
    EXPECT_EQ(h.Form().serialLine().portNumber(), 1); // too long to be a port number
}

TEST(HostileCommSet, SomethingElseByThatNameCountsAsNoFile) {
    struct Row {
        const char* name;
        std::function<void(const QString&)> make;
    };
    const Row rows[] = {
        {"Folder",
         [](const QString& path) {
             ASSERT_TRUE(QDir().mkpath(path));
         }},
        {"DanglingLink",
         [](const QString& path) {
             ASSERT_EQ(symlink("/nonexistent/comm.set", path.toLocal8Bit().constData()), 0);
         }},
        {"LinkToAFolder",
         [](const QString& path) {
             ASSERT_EQ(symlink("/", path.toLocal8Bit().constData()), 0);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WindowHarness h;
        row.make(h.CommSetPath());
        h.Make();
        EXPECT_EQ(h.Form().serialLine().portNumber(), 1);
    }
}

TEST(HostileCommSet, AnUnreadableFileKeepsTheStartUpPort) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    WindowHarness h;
    WriteFile(h.CommSetPath(), "5\r\n");
    ASSERT_EQ(chmod(h.CommSetPath().toLocal8Bit().constData(), 0), 0);
    h.Make();
    EXPECT_EQ(h.Form().serialLine().portNumber(), 1);
}

// Everything under `folder` as it stands: each entry's type, and a file's content or a link's
// target. Links are not followed.
std::map<QString, QByteArray> Snapshot(const QString& folder) {
    std::map<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry = it.nextFileInfo();
        QFile file(entry.filePath());
        entries[entry.filePath()] = entry.isSymLink() ? "link " + entry.symLinkTarget().toUtf8()
                                    : entry.isDir()   ? QByteArray("folder")
                                    : !entry.isFile() ? QByteArray("other")
                                    : file.open(QIODevice::ReadOnly) ? "file " + file.readAll()
                                                                     : QByteArray("unreadable");
    }
    return entries;
}

// Makes `what` at `path`: "->x" a link to x, "fifo", "folder", else a file with that content.
void Plant(const QString& path, const QString& what) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray at = path.toLocal8Bit();
    if (what.startsWith("->"))
        ASSERT_EQ(symlink(what.mid(2).toLocal8Bit().constData(), at.constData()), 0);
    else if (what == "fifo")
        ASSERT_EQ(mkfifo(at.constData(), 0644), 0);
    else if (what == "folder")
        ASSERT_TRUE(QDir().mkdir(path));
    else
        WriteFile(path, what.toStdString());
}

// While it lives, when `full`: every write beyond an empty file fails, and fails rather than kills.
struct FullDisk {
    explicit FullDisk(bool full) {
        getrlimit(RLIMIT_FSIZE, &m_limit);
        const rlimit none{full ? 0 : m_limit.rlim_cur, m_limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &m_limit);
        std::signal(SIGXFSZ, m_onSignal);
    }
    rlimit m_limit{};
    void (*m_onSignal)(int) = std::signal(SIGXFSZ, SIG_IGN);
};

// Presses OK in the port dialog with `typed` in the port box; returns the warning shown, if any.
QString OkWith(WindowHarness& h, const QString& typed) {
    h.Form().showPortDialog();
    torven::PortDialog& dialog = h.Form().portDialog();
    dialog.findChild<QComboBox*>(nameOf(dialog_names::kPortChoice))->setEditText(typed);
    dialog.accept();
    auto* warning = dialog.findChild<QMessageBox*>(nameOf(dialog_names::kWarning));
    const QString text = warning ? warning->text() : QString();
    dialog.cancel();
    return text;
}

TEST(HostileCommSet, OkRefusesWhatIsNoRegularFileAndAFailedWriteAndChangesNothing) {
    const struct {
        const char* name;
        const char* linkTo; // comm.set is a link to this, in the same folder
        const char* made;   // at the link's target, or at comm.set itself
        bool diskFull;
    } rows[] = {
        {"LinkToAFileOfTheUser", "victim", "3\r\n", false},
        {"DanglingLink", "elsewhere", nullptr, false},
        {"LinkToAFifo", "pipe", "fifo", false},
        {"Fifo", nullptr, "fifo", false},
        {"Folder", nullptr, "folder", false},
        {"DiskFull", nullptr, "3\r\n", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WindowHarness h;
        if (row.made)
            Plant(h.Folder() + "/" + (row.linkTo ? row.linkTo : "comm.set"), row.made);
        if (row.linkTo)
            Plant(h.CommSetPath(), QStringLiteral("->") + row.linkTo);
        h.Make();
        const std::int16_t before = h.Form().serialLine().portNumber();
        const auto snapshot = Snapshot(h.Folder());
        const QString warning = [&] {
            const FullDisk full(row.diskFull);
            return OkWith(h, "7");
        }();
        EXPECT_TRUE(warning.startsWith(QStringLiteral("Не удалось сохранить номер порта")))
            << warning.toStdString();
        EXPECT_EQ(Snapshot(h.Folder()), snapshot) << "nothing written, left behind or moved";
        EXPECT_EQ(h.Form().serialLine().portNumber(), before);
    }
}

// Where a permission must hold, the tests act as an ordinary user: themselves, or when run as
// root, a user id that names no account, taken for the scope of an AsTester.
uid_t UnusedUid(int skip) {
    uid_t uid = 61000;
    while (getpwuid(uid) || skip-- > 0)
        ++uid;
    return uid;
}
const uid_t kTester = geteuid() == 0 ? UnusedUid(0) : geteuid();

struct AsTester {
    AsTester() { EXPECT_EQ(seteuid(kTester), 0); }
    ~AsTester() { EXPECT_EQ(seteuid(getuid()), 0); }
};

void Own(const QString& path, uid_t uid) {
    ASSERT_EQ(lchown(path.toLocal8Bit().constData(), uid, static_cast<gid_t>(-1)), 0);
}

TEST(CommSetPlace, TheStartReadsWhereOkWrites) {
    const struct {
        const char* name;
        const char* beside; // comm.set beside the program
        mode_t besideMode;
        bool rootsFile;    // run as root, that file stays root's, as one root set up
        mode_t folderMode; // of the program's folder
        const char* perUser;
        std::optional<std::int16_t> loaded;
        bool storedBeside;
    } rows[] = {
        {"WritableFileBesideWins", "3\r\n", 0644, false, 0755, "4\r\n", 3, true},
        {"ReadOnlyFileBesideGivesWayToPerUser", "3\r\n", 0444, false, 0755, "4\r\n", 4, false},
        {"ReadOnlyFolderIsReadUntilTheUserStores", "3\r\n", 0644, true, 0555, nullptr, 3, false},
        {"ReadOnlyFolderWithoutAFile", nullptr, 0644, false, 0555, nullptr, std::nullopt, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString program = dir.path() + "/program", user = dir.path() + "/user";
        if (row.beside)
            Plant(program + "/comm.set", row.beside);
        if (row.perUser)
            Plant(user + "/comm.set", row.perUser);
        QDir().mkpath(program);
        QDir().mkpath(user);
        for (const QString& path : Snapshot(dir.path()) | std::views::keys)
            Own(path, row.rootsFile && path == program + "/comm.set" ? geteuid() : kTester);
        Own(dir.path(), kTester);
        if (row.beside)
            chmod((program + "/comm.set").toLocal8Bit().constData(), row.besideMode);
        chmod(program.toLocal8Bit().constData(), row.folderMode);
        {
            AsTester tester;
            const torven::PortSettingsFile file(program, user);
            EXPECT_EQ(file.load(), row.loaded);
            EXPECT_EQ(file.save("7"), std::nullopt);
            EXPECT_EQ(file.load(), 7) << "the next start reads what OK stored";
        }
        chmod(program.toLocal8Bit().constData(), 0755);
        EXPECT_EQ(Snapshot(program)[program + "/comm.set"] == "file 7\r\n", row.storedBeside);
    }
}

// Whether a name may be replaced is asked before anything is written; what the write came to is
// its own answer: a write that fails where replacing was allowed is never taken for a name in the
// way, nor for a place this user may not write (which alone sends comm.set to the per-user folder).
TEST(WholeFile, SaysWhetherANameMayBeReplacedAndWhatTheWriteCameTo) {
    using torven::ReplaceAccess;
    using Kind = torven::SaveFault::Kind;
    const struct {
        const char* name;
        const char* made; // at the name, as Plant makes it
        mode_t folderMode;
        bool diskFull;
        ReplaceAccess access;
        std::optional<Kind> fault;
    } rows[] = {
        {"Absent", nullptr, 0755, false, ReplaceAccess::Allowed, std::nullopt},
        {"RegularFile", "3\r\n", 0755, false, ReplaceAccess::Allowed, std::nullopt},
        {"Link", "->elsewhere", 0755, false, ReplaceAccess::NotARegularFile, Kind::NotARegularFile},
        {"ReadOnlyFolder", "3\r\n", 0555, false, ReplaceAccess::NotPermitted, Kind::NoWriteAccess},
        {"WriteFails", "3\r\n", 0755, true, ReplaceAccess::Allowed, Kind::WriteFailed},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/comm.set";
        if (row.made)
            Plant(path, row.made);
        for (const QString& entry : Snapshot(dir.path()) | std::views::keys)
            Own(entry, kTester);
        Own(dir.path(), kTester);
        chmod(dir.path().toLocal8Bit().constData(), row.folderMode);
        std::optional<torven::SaveFault> fault;
        {
            AsTester tester;
            EXPECT_EQ(torven::checkReplace(path), row.access);
            const FullDisk full(row.diskFull);
            fault = torven::writeWholeFile(path, "7\r\n");
        }
        chmod(dir.path().toLocal8Bit().constData(), 0755);
        EXPECT_EQ(fault ? std::optional(fault->kind) : std::nullopt, row.fault);
        EXPECT_EQ(Snapshot(dir.path())[path] == "file 7\r\n", !fault);
    }
}

TEST(CommSetTrust, AnotherUsersFilesAndLinksAreIgnoredAndTheReasonShown) {
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    const uid_t stranger = UnusedUid(1);
    const struct {
        const char* name;
        const char* theirs; // an entry of another user, and what it is
        const char* theirWhat;
        const char* mine;
        const char* myWhat;
        std::int16_t port;
    } rows[] = {
        {"FileBeside", "comm.set", "5\r\n", nullptr, nullptr, 1},
        {"FilePerUser", "user/comm.set", "5\r\n", nullptr, nullptr, 1},
        {"OwnLinkToTheirFile", "theirs", "5\r\n", "comm.set", "->theirs", 1},
        {"TheirFileBesideGivesWayToOwnPerUser", "comm.set", "5\r\n", "user/comm.set", "4\r\n", 4},
        {"TheirPortLink", "com1", "->pty", nullptr, nullptr, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WindowHarness h;
        torven::PseudoTerminal pty;
        const QString theirs = h.Folder() + "/" + row.theirs;
        Plant(theirs,
              QString(row.theirWhat).replace("pty", QString::fromStdString(pty.SlavePath())));
        Own(theirs, stranger);
        if (row.mine)
            Plant(h.Folder() + "/" + row.mine, row.myWhat);
        h.Make();
        EXPECT_EQ(h.Form().serialLine().portNumber(), row.port);
        EXPECT_NE(h.Form().serialLine().deviceFor(1).toStdString(), h.LinkPath(1));
        const auto tip = [&] {
            return h.Child<QLabel>(nameOf(names::kStatusLine))->accessibleDescription();
        };
        EXPECT_TRUE(tip().contains(theirs) && tip().contains(QString::number(stranger)))
            << tip().toStdString();
        h.Form().toggleConnection();
        EXPECT_TRUE(tip().contains(theirs)) << "still said after a connect";
        // OK stores the port where the next start reads it, and never over their entry.
        const QByteArray before = Snapshot(h.Folder())[theirs];
        EXPECT_EQ(OkWith(h, "6"), "");
        h.Make();
        EXPECT_EQ(h.Form().serialLine().portNumber(), 6);
        EXPECT_EQ(Snapshot(h.Folder())[theirs], before);
    }
}

} // namespace
