// Runs the built simulator and listens on its line the way torven does.

#include "Poll.h"
#include "Spawn.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::string_literals;

// Reads what arrives on `fd` until `done(data)`, a hang-up, or a deadline generous enough for
// sanitizer builds on a busy machine. The size of each read goes to `chunks` when given.
template <typename Done>
std::string ReadUntil(int fd, Done done, std::vector<std::size_t>* chunks = nullptr) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    std::string data;
    while (!done(data)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            break; // hung up: end of file, or EIO on a terminal
        data.append(buffer, static_cast<std::size_t>(n));
        if (chunks)
            chunks->push_back(static_cast<std::size_t>(n));
    }
    return data;
}

std::string ReadToEnd(int fd, std::vector<std::size_t>* chunks = nullptr) {
    return ReadUntil(
        fd, [](const std::string&) { return false; }, chunks);
}

bool HasLine(const std::string& data) {
    return data.find('\n') != std::string::npos;
}

// One run of torven-sim, its stdout (and stderr, standard input when asked) on pipes.
class SimRun {
public:
    explicit SimRun(std::vector<std::string> args, bool captureStderr = false,
                    const std::optional<std::string>& input = std::nullopt) {
        int out[2], err[2], in[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
        torven::SpawnOptions options;
        options.redirections.push_back(torven::Redirection::Dup(out[1], STDOUT_FILENO));
        if (captureStderr)
            options.redirections.push_back(torven::Redirection::Dup(err[1], STDERR_FILENO));
        if (input)
            options.redirections.push_back(torven::Redirection::Dup(in[0], STDIN_FILENO));
        args.insert(args.begin(), TORVEN_SIM_PATH);
        try {
            pid_ = torven::Spawn(args, options);
        } catch (const std::runtime_error& e) {
            ADD_FAILURE() << e.what();
        }
        close(out[1]);
        close(err[1]);
        close(in[0]);
        out_ = out[0];
        err_ = err[0];
        if (input) {
            EXPECT_EQ(write(in[1], input->data(), input->size()),
                      static_cast<ssize_t>(input->size()));
        }
        close(in[1]); // the end of the script
    }

    ~SimRun() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        CloseStderr();
    }

    std::string StartLine() { return ReadUntil(out_, HasLine); }
    int StderrFd() const { return err_; }
    void CloseStderr() { close(std::exchange(err_, -1)); }
    void Signal(int signal) { kill(pid_, signal); }

    // The exit status once the program has ended (its stdout closes then), or -1.
    int ExitStatus() {
        ReadToEnd(out_);
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_ && waitpid(pid_, &status, 0) != pid_)
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

class SimProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "torven-sim-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        link_ = (dir_ / "com1").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Opens the line as a serial client does.
    int OpenLine() const {
        const int fd = open(link_.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(fd, 0) << link_ << ": " << std::strerror(errno);
        return fd;
    }

    // Everything the line delivers until the simulator ends.
    std::string Listen(std::vector<std::size_t>* chunks = nullptr) const {
        const int line = OpenLine();
        std::string data = ReadToEnd(line, chunks);
        close(line);
        return data;
    }

    std::string WriteFile(const char* name, const std::string& content) const {
        const auto path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    fs::path dir_;
    std::string link_;
};

TEST_F(SimProcess, SendsCountedReadingsWithEachLineEndingThenEnds) {
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"crlf", "0256\r\n0256\r\n0256\r\n"},
        {"cr", "0256\r0256\r0256\r"},
        {"lf", "0256\n0256\n0256\n"},
        {"none", "025602560256"},
    };
    for (const auto& [eol, expected] : rows) {
        SCOPED_TRACE(eol);
        SimRun sim({"fixed", "256", "--count", "3", "--rate", "50", "--eol", eol, "--link", link_});
        const std::string start = sim.StartLine();
        EXPECT_EQ(start, "torven-sim: serving " + fs::read_symlink(link_).string() + " as " +
                             link_ + "\n");
        EXPECT_EQ(Listen(), expected);
        EXPECT_EQ(sim.ExitStatus(), 0);
        EXPECT_FALSE(fs::is_symlink(link_));
    }
}

TEST_F(SimProcess, SplitSendsAReadingInTwoBlocks) {
    SimRun sim({"fixed", "123", "--count", "2", "--rate", "5", "--split", "150", "--link", link_});
    sim.StartLine();
    std::vector<std::size_t> chunks;
    EXPECT_EQ(Listen(&chunks), "0123\r\n0123\r\n");
    // Some read ended right after the first two characters of a reading.
    std::size_t received = 0;
    bool sawSplit = false;
    for (const auto size : chunks)
        sawSplit |= (received += size) % 6 == 2;
    EXPECT_TRUE(sawSplit);
    EXPECT_EQ(sim.ExitStatus(), 0);
}

TEST_F(SimProcess, ScriptSendsEscapedBytesExactly) {
    const std::string script = "A\\0B\\xff\\\\\r\n\\r\\x00\n";
    const std::string expected = "A\0B\xff\\\n\r\0\n"s;
    for (const bool fromStdin : {false, true}) {
        SCOPED_TRACE(fromStdin ? "standard input" : "file");
        SimRun sim({"script", fromStdin ? "-" : WriteFile("lines", script), "--eol", "lf", "--rate",
                    "100", "--link", link_},
                   false, fromStdin ? std::optional(script) : std::nullopt);
        sim.StartLine();
        EXPECT_EQ(Listen(), expected);
        EXPECT_EQ(sim.ExitStatus(), 0);
    }
}

TEST_F(SimProcess, StopSignalRemovesTheLinkAndExitsCleanly) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        fs::create_symlink("/dev/pts/999999", link_); // a simulator's stale link is replaced
        SimRun sim({"sweep", "--speed", "-90", "--link", link_});
        sim.StartLine();
        const int line = OpenLine();
        EXPECT_EQ(ReadUntil(line, HasLine).size(), 6u);
        close(line);
        sim.Signal(signal);
        EXPECT_EQ(sim.ExitStatus(), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(link_)));
    }
}

TEST_F(SimProcess, LateListenerGetsFreshReadingsNotABacklog) {
    std::string script;
    for (int i = 0; i < 10000; ++i)
        script += std::to_string(10000 + i).substr(1) + "\n"; // 0000, 0001, ...
    SimRun sim(
        {"script", WriteFile("numbers", script), "--rate", "1000", "--verbose", "--link", link_},
        true);
    sim.StartLine();
    // Nobody listens while a thousand readings go out: about 6 kB, more than the line holds.
    const int sentBeforeListening = 1000;
    const std::string log = ReadUntil(sim.StderrFd(), [&](const std::string& s) {
        return s.find("#" + std::to_string(sentBeforeListening) + " ") != s.npos;
    });
    EXPECT_NE(log.find("unread bytes"), std::string::npos) << log.substr(0, 200);
    sim.CloseStderr();

    const int line = OpenLine();
    int waiting = 0;
    EXPECT_EQ(ioctl(line, FIONREAD, &waiting), 0);
    EXPECT_LT(waiting, 1024);
    const std::string first = ReadUntil(line, HasLine);
    close(line);
    ASSERT_GE(first.size(), 4u);
    // Only a short backlog (the 256 bytes a line may hold, some 40 readings) may come first.
    EXPECT_GE(std::stoi(first.substr(0, 4)), sentBeforeListening - 100) << first;
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.ExitStatus(), 0);
}

// A listener that stalls after the start of a reading keeps its rest: what the simulator throws
// away for want of a listener is whole readings, never the rest of one begun.
TEST_F(SimProcess, AStalledListenerKeepsTheRestOfTheReadingItBegan) {
    std::string script;
    for (char c = 'a'; c <= 'z'; ++c)
        script += std::string(100, c) + "\n";
    SimRun sim(
        {"script", WriteFile("long", script), "--eol", "lf", "--split", "200", "--link", link_});
    sim.StartLine();
    const int line = OpenLine();
    EXPECT_EQ(ReadUntil(line, [](const std::string& s) { return !s.empty(); }), "aa");
    int waiting = 0;
    EXPECT_TRUE(
        torven::test::WaitFor([&] { return ioctl(line, FIONREAD, &waiting) == 0 && waiting > 400; },
                              std::chrono::seconds(10)));
    EXPECT_EQ(ReadUntil(line, [](const std::string& s) { return s.size() >= 99; }).substr(0, 99),
              std::string(98, 'a') + "\n");
    close(line);
}

// A second simulator on the same link would leave the first one feeding nobody, and whoever
// listens on the link would be switched without a word.
TEST_F(SimProcess, ALinkAnotherSimulatorServesIsTakenOverOnlyWithForce) {
    SimRun first({"fixed", "256", "--link", link_});
    ASSERT_TRUE(HasLine(first.StartLine()));
    const fs::path served = fs::read_symlink(link_);

    SimRun refused({"fixed", "128", "--link", link_}, true);
    EXPECT_EQ(refused.ExitStatus(), 1);
    const std::string why = ReadToEnd(refused.StderrFd());
    EXPECT_NE(why.find(link_ + " already names " + served.string()), std::string::npos) << why;
    EXPECT_NE(why.find("--force"), std::string::npos) << why;
    EXPECT_EQ(fs::read_symlink(link_), served);

    SimRun forced({"fixed", "128", "--link", link_, "--force"});
    ASSERT_TRUE(HasLine(forced.StartLine()));
    EXPECT_NE(fs::read_symlink(link_), served);
}

TEST_F(SimProcess, RefusesBadStartsWithTheirExitStatus) {
    const std::string file = WriteFile("com2", "keep me");
    const std::string adapter = (dir_ / "com3").string(); // an unplugged adapter's own link
    fs::create_symlink("/dev/serial/by-id/usb-x", adapter);
    const std::vector<std::pair<std::vector<std::string>, int>> rows = {
        {{"fixed"}, 2},
        {{"sweep", "--link", file}, 1},
        {{"sweep", "--link", adapter}, 1},
        {{"script", WriteFile("bad", "0256\n\\q\n"), "--rate", "100"}, 2},
    };
    for (const auto& [args, status] : rows) {
        SCOPED_TRACE(args.back());
        SimRun sim(args, true);
        EXPECT_EQ(sim.ExitStatus(), status);
        EXPECT_NE(ReadToEnd(sim.StderrFd()).find("torven-sim: "), std::string::npos);
    }
    // A link in a folder that is not there is reported by the name asked for.
    const std::string nowhere = (dir_ / "missing" / "com1").string();
    SimRun sim({"sweep", "--link", nowhere}, true);
    EXPECT_EQ(sim.ExitStatus(), 1);
    const std::string why = ReadToEnd(sim.StderrFd());
    EXPECT_NE(why.find(nowhere + ": No such file"), std::string::npos) << why;
    EXPECT_EQ(fs::file_size(file), 7u);
    EXPECT_EQ(fs::read_symlink(adapter), "/dev/serial/by-id/usb-x");
}

} // namespace
