#include "Caret.h"

#include <QLineEdit>

namespace torven {

void showCaret(QLineEdit* box) {
    box->setReadOnly(false);
}

void hideCaret(QLineEdit* box) {
    box->setReadOnly(true);
}

} // namespace torven
