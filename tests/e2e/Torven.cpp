#include "Torven.h"

#include "ui/Form1Layout.h"
#include "ui/Twips.h"

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>
#include <unistd.h>

namespace torven::e2e {

namespace fs = std::filesystem;
namespace layout = form1_layout;

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
    fs::copy_file(TORVEN_PATH, Program());
    fs::permissions(Program(), fs::perms::owner_all);
    fs::create_directories(dir_ / "home" / ".config");
    fs::create_directories(dir_ / "runtime");
    fs::permissions(dir_ / "runtime", fs::perms::owner_all);
}

Workspace::~Workspace() {
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

Torven::Torven(Desktop& desktop, const Workspace& workspace) : desktop_(desktop) {
    auto env = EnvironmentWithout({"DISPLAY=", "WAYLAND_", "QT_", "XDG_", "HOME="});
    const fs::path home = workspace.Dir() / "home";
    env.push_back("DISPLAY=" + desktop.Name());
    env.push_back("QT_QPA_PLATFORM=xcb");
    env.push_back("HOME=" + home.string());
    env.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
    env.push_back("XDG_RUNTIME_DIR=" + (workspace.Dir() / "runtime").string());
    process_ = std::make_unique<Process>(std::vector<std::string>{workspace.Program().string()},
                                         env, workspace.Log());
    const bool shown = WaitFor([&] {
        for (const auto& w : desktop_.WindowsOf(process_->Pid())) {
            if (w.name == kMainTitle) {
                window_ = w.geometry;
                windowId_ = w.id;
                return true;
            }
        }
        return false;
    });
    if (!shown)
        throw std::runtime_error("torven showed no window; its output:\n" + workspace.LogText());
}

Rect PixelBox(Rect window, int left, int top, int width, int height) {
    return {window.x + TwipsToPixels(left), window.y + TwipsToPixels(top), TwipsToPixels(width),
            TwipsToPixels(height)};
}

Rect Torven::Client() const {
    const int w = TwipsToPixels(layout::kClientWidth);
    const int h = TwipsToPixels(layout::kClientHeight);
    return {window_.x, window_.y + window_.h - h, w, h};
}

Point Torven::Centre(int left, int top, int width, int height) const {
    const Rect c = Client();
    return {c.x + TwipsToPixels(left) + TwipsToPixels(width) / 2,
            c.y + TwipsToPixels(top) + TwipsToPixels(height) / 2};
}

Point Torven::LampCentre(int lamp) const {
    const auto& b = layout::kLamps.at(static_cast<std::size_t>(lamp - 1));
    return Centre(b.left, b.top, b.width, b.height);
}

Point Torven::ConnectionLampCentre() const {
    const auto& b = layout::kLabel4;
    return Centre(b.left, b.top, b.width, b.height);
}

namespace {
Rect BoxOn(Rect client, const layout::Box& b) {
    return PixelBox(client, b.left, b.top, b.width, b.height);
}
} // namespace

Rect Torven::StatusLineBox() const {
    return BoxOn(Client(), layout::kLabel7);
}

Rect Torven::ReadoutBox() const {
    return BoxOn(Client(), layout::kText3);
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
    const auto menu = another([](const TopLevel& w) { return w.name != kDialogTitle; });
    if (!menu)
        throw std::runtime_error("«Настр.» opened no menu");
    desktop_.Click(menu->geometry.Centre());
    const auto dialog = another([](const TopLevel& w) { return w.name == kDialogTitle; });
    if (!dialog)
        throw std::runtime_error("«Коммуникация» opened no dialog");
    return *dialog;
}

} // namespace torven::e2e
