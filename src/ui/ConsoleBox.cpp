#include "ConsoleBox.h"

#include "Console.h"

namespace torven {

namespace {

constexpr int kCatchUpInterval = 1000; // milliseconds

// The console holds single-byte characters only: what it started with and line breaks.
QString textOf(const Console& console) {
    const std::string& text = console.text();
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

ConsoleBox::ConsoleBox(const Console& console, QWidget* parent)
    : QLineEdit(textOf(console), parent), m_console(console) {
    setMaxLength(static_cast<int>(Console::kCapacity));
    hide();
    m_catchUp.setSingleShot(true);
    m_catchUp.setInterval(kCatchUpInterval);
    connect(&m_catchUp, &QTimer::timeout, this, &ConsoleBox::catchUp);
}

void ConsoleBox::catchUpSoon() {
    if (!m_catchUp.isActive())
        m_catchUp.start();
}

void ConsoleBox::catchUp() {
    setText(textOf(m_console));
}

} // namespace torven
