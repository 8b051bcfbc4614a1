#pragma once

#include <string>

namespace pontavi {

// How a modal dialog ended.
enum class ModalResult { None, Ok, Cancel };

// The core model of a dialog that Dialogs::ShowModal shows: the view builds
// the dialog for the concrete form, calls FormShow before showing it, and
// closes it as soon as ModalResult is no longer None.
class ModalForm {
  public:
    explicit ModalForm(std::string caption) : caption_(std::move(caption)) {}
    virtual ~ModalForm() = default;
    ModalForm(const ModalForm&) = delete;
    ModalForm& operator=(const ModalForm&) = delete;

    const std::string& Caption() const { return caption_; }
    ModalResult Result() const { return result_; }
    void setResult(ModalResult result) { result_ = result; }

    virtual void FormShow() {}

  private:
    std::string caption_;
    ModalResult result_ = ModalResult::None;
};

}  // namespace pontavi
