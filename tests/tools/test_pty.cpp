// The controller's end of a line, shared by the simulator, the tests and the benchmarks.

#include "Poll.h"
#include "PseudoTerminal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using torven::DeviceLink;
using torven::PseudoTerminal;
using torven::test::WaitFor;

// Deadlines are generous: sanitizer builds on a shared machine are slow.
constexpr auto kPatience = std::chrono::seconds(10);

// Reads the slave side through a descriptor of its own until `size` bytes came or time is up.
std::string ReadFromSlave(const PseudoTerminal& pty, std::size_t size) {
    const int fd = open(pty.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    std::string data;
    const auto deadline = Clock::now() + kPatience;
    while (fd >= 0 && data.size() < size && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0)
            data.append(buffer, static_cast<std::size_t>(n));
    }
    if (fd >= 0)
        close(fd);
    return data;
}

// Fills the line while nobody reads it; returns how many bytes it took.
std::size_t Fill(const PseudoTerminal& pty) {
    const std::string chunk(4096, 'x');
    std::size_t taken = 0;
    for (int i = 0; i < 4096; ++i) { // a bound far past any line's room, so a fault cannot hang
        const std::size_t n = pty.WriteSome(chunk);
        taken += n;
        if (n < chunk.size())
            return taken;
    }
    return taken;
}

TEST(PseudoTerminal, AFullLineMakesWriteSomeStopShortAndWriteWaitForTheReader) {
    PseudoTerminal pty;
    const std::size_t room = Fill(pty);
    ASSERT_GT(room, 0u);
    // Short of a whole chunk: WriteSome gave up on a full line instead of waiting. (The kernel
    // moves bytes along the line a moment after a write, so room may open again right after.)
    ASSERT_LT(room, 4096u * 4096u) << "the line never filled up";

    // Everything written so far, then a tail that only fits once the reader has made room.
    std::string tail;
    for (int i = 0; i < 2000; ++i)
        tail += std::to_string(1000 + i);
    std::string got;
    std::thread reader([&] { got = ReadFromSlave(pty, room + tail.size()); });
    pty.Write(tail);
    reader.join();
    ASSERT_EQ(got.size(), room + tail.size());
    EXPECT_EQ(got.substr(room), tail) << "bytes lost or out of order";
}

TEST(PseudoTerminal, StaleInputIsDiscardedOnlyPastTheLimit) {
    PseudoTerminal pty;
    pty.Write(std::string(100, 'a'));
    ASSERT_TRUE(WaitFor([&] { return pty.UnreadBytes() == 100; }, kPatience));
    EXPECT_EQ(pty.DiscardStaleInput(100), 0u);
    EXPECT_EQ(pty.UnreadBytes(), 100u);
    EXPECT_EQ(pty.DiscardStaleInput(99), 100u);
    EXPECT_EQ(pty.UnreadBytes(), 0u);
}

class Links : public ::testing::Test {
protected:
    Links() {
        std::string pattern = (fs::temp_directory_path() / "torven-pty-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_dir = pattern;
    }
    ~Links() override { fs::remove_all(m_dir); }

    fs::path m_dir;
};

TEST_F(Links, LinkAsPointsThePathAtTheDeviceWhateverWasThere) {
    PseudoTerminal pty;
    const struct {
        const char* name;
        std::function<void(const fs::path&)> before;
    } rows[] = {
        {"Nothing",
         [](const fs::path&) {
         }},
        {"AnOldLink",
         [](const fs::path& p) {
             fs::create_symlink("/dev/null", p);
         }},
        {"AFile",
         [](const fs::path& p) {
             std::ofstream(p) << "old";
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path link = m_dir / row.name;
        row.before(link);
        pty.LinkAs(link.string());
        ASSERT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), pty.SlavePath());
        EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()),
                  &row - rows + 1)
            << "a temporary name was left behind";
    }
}

TEST_F(Links, ADeviceLinkReplacesOnlyALinkAndRemovesOnlyItsOwn) {
    const fs::path path = m_dir / "com1";
    const std::string target = "/dev/pts/mine";

    std::ofstream(path) << "someone's file";
    EXPECT_THROW(DeviceLink(path.string(), target), std::runtime_error);
    EXPECT_FALSE(fs::is_symlink(path)) << "a file that is not a link was replaced";
    fs::remove(path);

    fs::create_symlink("/dev/pts/old", path);
    {
        DeviceLink link(path.string(), target);
        EXPECT_EQ(fs::read_symlink(path), target);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << "its own link stayed";

    {
        DeviceLink link(path.string(), target);
        // Another simulator takes the name over while this one still runs.
        fs::remove(path);
        fs::create_symlink("/dev/pts/theirs", path);
    }
    ASSERT_TRUE(fs::is_symlink(path)) << "another's link was removed";
    EXPECT_EQ(fs::read_symlink(path), "/dev/pts/theirs");

    // Someone's own link, to an adapter that is unplugged: taken over when asked, then put back.
    const std::string adapter = "/dev/serial/by-id/usb-unplugged";
    fs::remove(path);
    fs::create_symlink(adapter, path);
    {
        DeviceLink link(path.string(), target, true);
        EXPECT_EQ(fs::read_symlink(path), target);
    }
    EXPECT_EQ(fs::read_symlink(path), adapter);
}

} // namespace
