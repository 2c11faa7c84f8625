#include "Caret.h"

#include <QLineEdit>

namespace torven {

void ShowCaret(QLineEdit* box) {
    box->setReadOnly(false);
}

void HideCaret(QLineEdit* box) {
    box->setReadOnly(true);
}

} // namespace torven
