#pragma once

#include <QDialog>

#include <memory>
#include <vector>

namespace pontavi {

class ControlBinder;
class TMailForm;

// "Mail Settings" as a modal Qt dialog over its core model: one widget per
// control, kept in step by binders; the dialog closes once the model has a
// result (OK, Cancel, or the close box, which counts as Cancel).
class MailSettingsDialog final : public QDialog {
  public:
    MailSettingsDialog(TMailForm& form, QWidget* parent = nullptr);
    ~MailSettingsDialog() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

  private:
    void closeWhenDecided();

    TMailForm& form_;
    std::vector<std::unique_ptr<ControlBinder>> binders_;
};

}  // namespace pontavi
