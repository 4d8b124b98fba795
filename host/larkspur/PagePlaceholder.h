// A page whose settings are not built yet: one line says what it will hold.
#pragma once

#include <QLabel>
#include <QString>

#include "host/larkspur/ConsolePage.h"

class PagePlaceholder final : public ConsolePage {
  public:
    PagePlaceholder(ConsoleOperations& console, const QString& whatWillBeHere);
    void SetTexts(std::uint16_t /*langId*/) override {}
    QString Text() const { return line_->text(); }

  private:
    QLabel* line_;
};
