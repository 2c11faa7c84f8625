#pragma once

// What the window tests share; the lamp colours written out, so that a changed colour shows.

#include "PseudoTerminal.h"
#include "Wait.h"
#include "WindowHarness.h"

#include <QColor>

using torven::nameOf;
using torven::PseudoTerminal;
using torven::test::WaitUntil;
using torven::test::WindowHarness;
namespace names = torven::object_names::main_window;

inline const QColor kGreen(0x00, 0xFF, 0x00);
inline const QColor kRed(0xFF, 0x00, 0x00);
