// The placeholder page.
#include "host/larkspur/PagePlaceholder.h"

#include <QVBoxLayout>

PagePlaceholder::PagePlaceholder(ConsoleOperations& console, const QString& whatWillBeHere)
    : ConsolePage(console), line_(new QLabel(whatWillBeHere, this)) {
    line_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(line_);
    layout->addStretch();
}
