#pragma once

#include <QObject>

#include "platform/clipboard.h"

namespace pontavi {

// The desktop clipboard (not the X selection) through QClipboard; its
// dataChanged signal stands in for a clipboard viewer chain. Needs a
// QGuiApplication for its whole life.
class QtClipboard final : public Clipboard {
  public:
    QtClipboard();
    ~QtClipboard() override;

    std::optional<std::string> text() const override;
    void setText(const std::string& text) override;

  private:
    QObject context_;  // ties the signal connection to this object's life
};

}  // namespace pontavi
