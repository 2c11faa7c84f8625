#pragma once

#include "Lamp.h"
#include "MainWindow.h"
#include "ObjectNames.h"
#include "PortSettingsFile.h"
#include "SectorLamps.h"
#include "WindowElements.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>
#include <vector>

namespace torven::test {

namespace names = object_names::main_window;

// A main window whose port settings file and comN links live in a fresh temporary folder.
class WindowHarness {
public:
    WindowHarness() {
        if (!m_dir.isValid())
            throw std::runtime_error("no temporary folder");
        Make();
    }

    // Builds the window (again), as a new start of the program would.
    void Make(MainWindowOptions options = {}) {
        m_form.reset();
        m_form = std::make_unique<MainWindow>(PortSettingsFile(Folder(), UserFolder()),
                                              std::move(options));
        // The test owns the window; closing it must not delete it under the test's feet.
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
    }

    MainWindow& Form() { return *m_form; }
    QString Folder() const { return m_dir.path(); }
    QString UserFolder() const { return m_dir.path() + QStringLiteral("/user"); }
    QString CommSetPath() const { return Folder() + QStringLiteral("/comm.set"); }
    // Where a link must stand for port number `port` to reach a device.
    std::string LinkPath(int port) const {
        return (Folder() + QStringLiteral("/com%1").arg(port)).toStdString();
    }

    template <class T> T* Child(const QString& name) const { return m_form->findChild<T*>(name); }
    QString Readout() const { return Child<QLineEdit>(nameOf(names::kReadout))->text(); }
    const std::string& RawReading() const { return m_form->reception().latest().rawReading; }
    // The console's text as the program keeps it (its box Text2 catches up later).
    QString Console() const {
        const std::string& text = m_form->reception().console().text();
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
    QString ConsoleBox() const { return Child<QLineEdit>(nameOf(names::kConsole))->text(); }
    QString Status() const { return Child<QLabel>(nameOf(names::kStatusLine))->text(); }
    // The status line's tooltip as plain text.
    QString Tip() const {
        return Child<QLabel>(nameOf(names::kStatusLine))->accessibleDescription();
    }
    QColor ConnectionLamp() const {
        return Child<QLabel>(nameOf(names::kConnectionLamp))->palette().color(QPalette::Window);
    }
    Lamp* SectorLamp(int k) const {
        return Child<Lamp>(QString::fromStdString(names::sectorLamp(k)));
    }

    // The numbers of the lamps shown lit (magenta).
    std::vector<int> LitLamps() const {
        std::vector<int> lit;
        for (int k = 1; k <= 24; ++k) {
            if (SectorLamp(k)->backColor() == QColor::fromRgb(kLampLitColour))
                lit.push_back(k);
        }
        return lit;
    }

    // Whether the receive lamp shows its lit face: the lit face lies above the dark one.
    bool ReceiveLampLit() const {
        QWidget* on = Child<QWidget>(nameOf(names::kReceiveLampOn));
        QWidget* off = Child<QWidget>(nameOf(names::kReceiveLampOff));
        const auto siblings = on->parentWidget()->children();
        return siblings.indexOf(on) > siblings.indexOf(off);
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_form;
};

} // namespace torven::test
