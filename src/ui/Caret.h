#pragma once

class QLineEdit;

namespace torven {

// The text caret of a single-line box. A box shows its caret while it has the keyboard focus and
// accepts typing; with the caret hidden it is read-only, so the figures in it cannot be altered by
// a stray key press. The last request wins: requests are not counted.
void showCaret(QLineEdit* box);
void hideCaret(QLineEdit* box);

} // namespace torven
