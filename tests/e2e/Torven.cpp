#include "Torven.h"

#include "MainWindowLayout.h"
#include "Rotctl.h"
#include "Twips.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>
#include <unistd.h>

namespace torven::e2e {

namespace fs = std::filesystem;
namespace layout = main_window_layout;

namespace {

const std::string kMainTitle = "TORVEN";
const std::string kDialogTitle = "Параметры СОМ";

// Text on the menu bar is dark on a light face.
constexpr int kInkLuminance = 110;
// Letters of a word are at most a couple of pixels apart; items are padded well beyond that.
constexpr int kWordGap = 4;

} // namespace

Workspace::Workspace() {
    std::string pattern = (fs::temp_directory_path() / "torven-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("no temporary folder");
    dir_ = pattern;
    program_ = dir_ / "torven";
    fs::copy_file(TORVEN_PATH, program_);
    fs::permissions(program_, fs::perms::owner_all);
    fs::create_directories(dir_ / "home" / ".config");
    fs::create_directories(dir_ / "runtime");
    fs::permissions(dir_ / "runtime", fs::perms::owner_all);
}

namespace {

// A copy of a Wine prefix made with hard links for the big files Wine only reads (its DLLs and
// programs), and real copies of the rest, which Wine rewrites in place (the registry files).
void CopyPrefix(const fs::path& from, const fs::path& to) {
    static const std::vector<std::string> kShared = {".dll", ".exe", ".drv", ".sys", ".nls",
                                                     ".ttf", ".fon", ".tlb", ".ocx", ".acm"};
    fs::create_directories(to);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / entry.path().lexically_relative(from);
        if (entry.is_symlink()) {
            fs::copy_symlink(entry.path(), target);
        } else if (entry.is_directory()) {
            fs::create_directories(target);
        } else {
            const std::string ext = entry.path().extension().string();
            if (std::find(kShared.begin(), kShared.end(), ext) != kShared.end())
                fs::create_hard_link(entry.path(), target);
            else
                fs::copy_file(entry.path(), target);
        }
    }
}

} // namespace

Workspace::Workspace(const WineSetup& wine) : Workspace() {
    wine_ = wine;
    fs::remove(program_);
    fs::copy(wine.folder, dir_, fs::copy_options::recursive);
    program_ = dir_ / "torven.exe";
    CopyPrefix(wine.prefixTemplate, dir_ / "wine");
    // Wine's mount manager rewrites dosdevices/comN at start-up; what it keeps is the registry's
    // mapping of each port to a device.
    std::ofstream reg(dir_ / "wine" / "system.reg", std::ios::app);
    reg << "\n[Software\\\\Wine\\\\Ports] 1700000000\n";
    for (int port = 1; port <= 9; ++port)
        reg << "\"COM" << port << "\"=\"" << Link(port).string() << "\"\n";
}

std::vector<std::string> Workspace::Command(const std::vector<std::string>& program) const {
    std::vector<std::string> argv;
    if (wine_)
        argv.push_back(wine_->wine.string());
    argv.insert(argv.end(), program.begin(), program.end());
    return argv;
}

std::vector<std::string> Workspace::Environment(const std::string& display) const {
    auto env = EnvironmentWithout({"DISPLAY=", "WAYLAND_", "QT_", "XDG_", "HOME=", "WINE"});
    const fs::path home = dir_ / "home";
    env.push_back("DISPLAY=" + display);
    env.push_back("HOME=" + home.string());
    env.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
    env.push_back("XDG_DATA_HOME=" + (home / ".local" / "share").string());
    env.push_back("XDG_RUNTIME_DIR=" + (dir_ / "runtime").string());
    if (wine_) {
        env.push_back("WINEPREFIX=" + (dir_ / "wine").string());
        env.push_back("WINEDEBUG=-all");
        // No desktop menu entries for what the installer puts in the Start menu, and no offers
        // to install .NET or a browser engine.
        env.push_back("WINEDLLOVERRIDES=winemenubuilder.exe=d;mscoree,mshtml=");
    } else {
        env.push_back("QT_QPA_PLATFORM=xcb");
    }
    return env;
}

Workspace::~Workspace() {
    if (wine_) {
        // The prefix's Wine server outlives the programs for a moment: end it before its folder.
        Process stop({wine_->wineserver.string(), "-k"}, Environment(""), "/dev/null");
        stop.WaitExit(kPatience);
        Process wait({wine_->wineserver.string(), "-w"}, Environment(""), "/dev/null");
        wait.WaitExit(kPatience);
    }
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

std::optional<std::string> Workspace::CommSetBytes() const {
    std::ifstream file(CommSet(), std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void Workspace::WriteCommSet(const std::string& bytes) const {
    std::ofstream(CommSet(), std::ios::binary) << bytes;
}

std::string Workspace::LogText() const {
    std::ifstream file(Log());
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

Simulator::Simulator(const Workspace& workspace, int port,
                     const std::vector<std::string>& pattern) {
    // The workspace's links are the tests' own: a simulator killed before leaves its link behind,
    // and its pseudo-terminal's number may already serve another test's line.
    if (fs::is_symlink(workspace.Link(port)))
        fs::remove(workspace.Link(port));
    std::vector<std::string> args = {TORVEN_SIM_PATH, "--link", workspace.Link(port).string()};
    args.insert(args.end(), pattern.begin(), pattern.end());
    int script[2];
    if (pipe2(script, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    script_ = script[1];
    process_ = std::make_unique<Process>(args, EnvironmentWithout({}), workspace.Log(), script[0]);
    close(script[0]);
    if (!WaitFor([&] { return fs::is_symlink(workspace.Link(port)); }))
        throw std::runtime_error("the simulator did not make its link");
}

Simulator::~Simulator() {
    process_.reset();
    close(script_);
}

void Simulator::Send(const std::string& line) {
    const std::string bytes = line + "\n";
    if (write(script_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("cannot write to the simulator's script");
}

Torven::Torven(Desktop& desktop, const Workspace& workspace)
    : Torven(desktop, workspace, workspace.Program()) {}

Torven::Torven(Desktop& desktop, const Workspace& workspace, const fs::path& program)
    : Torven(desktop, workspace, program, {}, kMainTitle) {}

Torven::Torven(Desktop& desktop, const Workspace& workspace,
               const std::vector<std::string>& arguments, const std::string& title)
    : Torven(desktop, workspace, workspace.Program(), arguments, title) {}

Torven::Torven(Desktop& desktop, const Workspace& workspace, const fs::path& program,
               const std::vector<std::string>& arguments, const std::string& title)
    : desktop_(desktop) {
    std::vector<std::string> command = {program.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    process_ = std::make_unique<Process>(workspace.Command(command),
                                         workspace.Environment(desktop.Name()), workspace.Log());
    const bool shown = WaitFor([&] {
        for (const auto& w : desktop_.WindowsOf(process_->Pid())) {
            if (w.name == title) {
                window_ = w.geometry;
                windowId_ = w.id;
                return true;
            }
        }
        return false;
    });
    if (!shown)
        throw std::runtime_error("torven showed no window " + title + "; its output:\n" +
                                 workspace.LogText());
}

BridgeProcess::BridgeProcess(const Workspace& workspace, int tcpPort,
                             std::vector<std::string> arguments)
    : port_(tcpPort) {
    arguments.insert(arguments.begin(), {workspace.Program().string(), "--headless", "--rotctld",
                                         std::to_string(port_)});
    auto environment = workspace.Environment("");
    std::erase_if(environment, [](const std::string& entry) {
        return entry.starts_with("DISPLAY=") || entry.starts_with("QT_QPA_PLATFORM=");
    });
    process_ = std::make_unique<Process>(arguments, environment, workspace.Log());
}

bool BridgeProcess::WaitServing() {
    return WaitFor([&] {
        try {
            RawClient client(port_);
            return client.Send("p\n") && !client.Read(4).starts_with("RPRT");
        } catch (const std::exception&) {
            return false; // not listening yet
        }
    });
}

Rect PixelBox(Rect window, int left, int top, int width, int height) {
    return {window.x + twipsToPixels(left), window.y + twipsToPixels(top), twipsToPixels(width),
            twipsToPixels(height)};
}

Rect Torven::Client() const {
    const int w = twipsToPixels(layout::kClientWidth);
    const int h = twipsToPixels(layout::kClientHeight);
    return {window_.x, window_.y + window_.h - h, w, h};
}

Point Torven::Centre(int left, int top, int width, int height) const {
    const Rect c = Client();
    return {c.x + twipsToPixels(left) + twipsToPixels(width) / 2,
            c.y + twipsToPixels(top) + twipsToPixels(height) / 2};
}

Point Torven::LampCentre(int lamp) const {
    const auto& b = layout::kLamps.at(static_cast<std::size_t>(lamp - 1));
    return Centre(b.left, b.top, b.width, b.height);
}

Point Torven::ConnectionLampCentre() const {
    const auto& b = layout::kConnectionLamp;
    return Centre(b.left, b.top, b.width, b.height);
}

namespace {
Rect BoxOn(Rect client, const layout::Box& b) {
    return PixelBox(client, b.left, b.top, b.width, b.height);
}
} // namespace

Rect Torven::StatusLineBox() const {
    return BoxOn(Client(), layout::kStatusLine);
}

Rect Torven::ReadoutBox() const {
    return BoxOn(Client(), layout::kReadout);
}

Rect Torven::ReceiveLampBox() const {
    return BoxOn(Client(), layout::kReceiveLamp);
}

std::vector<int> Torven::LitLamps(const Image& shot) const {
    std::vector<int> lit;
    for (int k = 1; k <= 24; ++k) {
        if (shot.At(LampCentre(k)) == kMagenta)
            lit.push_back(k);
    }
    return lit;
}

std::vector<int> Torven::MarkedLamps(const Image& shot) const {
    std::vector<int> marked;
    for (int k = 1; k <= 24; ++k) {
        const auto& b = layout::kLamps.at(static_cast<std::size_t>(k - 1));
        const int inside = std::min(twipsToPixels(b.width), twipsToPixels(b.height)) / 2 - 1;
        const Point c = LampCentre(k);
        if (shot.At({c.x - inside, c.y}) == kTargetRing &&
            shot.At({c.x + inside, c.y}) == kTargetRing)
            marked.push_back(k);
    }
    return marked;
}

bool Torven::AllLampsDark(const Image& shot) const {
    for (int k = 1; k <= 24; ++k) {
        if (shot.At(LampCentre(k)) != kCyan)
            return false;
    }
    return true;
}

std::vector<Rect> Torven::MenuItems() {
    const Rect bar{window_.x, window_.y, window_.w, window_.h - Client().h};
    std::vector<Rect> items;
    WaitFor([&] {
        const Image shot = desktop_.Grab(bar);
        items.clear();
        int gap = kWordGap + 1;
        for (int x = bar.x; x < bar.x + bar.w; ++x) {
            bool ink = false;
            for (int y = bar.y + 1; y < bar.y + bar.h - 1 && !ink; ++y)
                ink = shot.At({x, y}).Luminance() < kInkLuminance;
            if (!ink) {
                ++gap;
                continue;
            }
            if (gap > kWordGap)
                items.push_back({x, bar.y, 1, bar.h});
            else
                items.back().w = x - items.back().x + 1;
            gap = 0;
        }
        return items.size() == 4;
    });
    return items;
}

void Torven::ClickMenu(int item) {
    const auto items = MenuItems();
    if (items.size() != 4)
        throw std::runtime_error("the menu bar does not show its four items");
    desktop_.Click(items[static_cast<std::size_t>(item)].Centre());
}

TopLevel Torven::OpenPortDialog() {
    const auto another = [&](auto accept) {
        std::optional<TopLevel> found;
        WaitFor([&] {
            for (const auto& w : desktop_.WindowsOf(process_->Pid())) {
                if (w.geometry != window_ && accept(w)) {
                    found = w;
                    return true;
                }
            }
            return false;
        });
        return found;
    };
    ClickMenu(kSettings);
    // The drop-down holds one item, "Коммуникация".
    // The dialog's caption goes on with the rotator's name when the copy has one.
    const auto isDialog = [](const TopLevel& w) {
        return w.name.starts_with(kDialogTitle);
    };
    const auto menu = another([&](const TopLevel& w) { return !isDialog(w); });
    if (!menu)
        throw std::runtime_error("«Настр.» opened no menu");
    desktop_.Click(menu->geometry.Centre());
    const auto dialog = another(isDialog);
    if (!dialog)
        throw std::runtime_error("«Коммуникация» opened no dialog");
    return *dialog;
}

void Torven::ChoosePortAndAccept(const TopLevel& dialog, int port) {
    // The port list's arrow, at the right end of the box at 1920,600 (615 x 315 twips).
    const Rect box = PixelBox(dialog.geometry, 1920, 600, 615, 315);
    desktop_.Click({box.x + box.w - 6, box.y + box.h / 2});
    std::optional<TopLevel> list;
    WaitFor([&] {
        for (const auto& w : desktop_.WindowsOf(process_->Pid())) {
            if (w.geometry != window_ && w.id != dialog.id)
                list = w;
        }
        return list.has_value();
    });
    if (!list)
        throw std::runtime_error("the port list did not open");
    // The list holds the numbers 1 to 9, one row each: the middle of the port's row.
    desktop_.Click(
        {list->geometry.Centre().x, list->geometry.y + list->geometry.h * (2 * port - 1) / 18});
    if (!WaitFor([&] { return desktop_.WindowsOf(process_->Pid()).size() == 2; }))
        throw std::runtime_error("the port list did not close");
    desktop_.Click(PixelBox(dialog.geometry, 600, 1440, 1095, 375).Centre()); // OK
}

void Torven::TypeLineSettings(const TopLevel& dialog, const std::string& settings) {
    // The settings box at 1920,960 (1455 x 315 twips) takes the keys once clicked.
    desktop_.Click(PixelBox(dialog.geometry, 1920, 960, 1455, 315).Centre());
    desktop_.PressKeys("ctrl+a");
    desktop_.Type(settings);
}

} // namespace torven::e2e
