#pragma once

#include <QDialog>

namespace pontavi {

// The about box: "Pontavi!", "Version 1.5 Final", a word on what the program
// is, and "OK".
class AboutBox final : public QDialog {
  public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace pontavi
