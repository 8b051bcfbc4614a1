#include "ui/mail_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <functional>

#include "mail/mail_form.h"
#include "ui/binders/button_binder.h"
#include "ui/binders/check_box_binder.h"
#include "ui/binders/combo_box_binder.h"
#include "ui/binders/label_binder.h"
#include "ui/binders/spin_edit_binder.h"
#include "ui/binders/text_box_binder.h"
#include "ui/qt_text.h"

// Widgets are created with `new` and handed to a layout at once: Qt's
// ownership tree deletes them with the dialog.

namespace pontavi {

namespace {

// A drop-down list that tells the core just before its list opens.
class DropDownComboBox final : public QComboBox {
  public:
    std::function<void()> onDropDown;
    void showPopup() override {
        if (onDropDown) {
            onDropDown();
        }
        QComboBox::showPopup();
    }
};

template <typename W>
W* named(W* widget, const Control& model) {
    widget->setObjectName(toQt(model.Name()));
    return widget;
}

}  // namespace

MailSettingsDialog::MailSettingsDialog(TMailForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    setObjectName(QStringLiteral("MailForm"));
    setWindowTitle(toQt(form.Caption()));
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    // A failure of a handler the user ran is shown; the dialog goes on.
    const CallbackGuard guard([this](const std::string& message) {
        QMessageBox::warning(this, QStringLiteral("Pontavi!"), toQt(message));
    });
    const auto add = [&](std::unique_ptr<ControlBinder> binder) {
        binders_.push_back(std::move(binder));
    };

    auto* layout = new QVBoxLayout(this);

    // The entry selector with New and Delete, and the selected entry's fields.
    auto* entries = new QHBoxLayout;
    auto* selector = named(new DropDownComboBox, form.ComboBox1);
    selector->onDropDown = [this, guard] { guard([this] { form_.ComboBox1DropDown(); }); };
    entries->addWidget(selector, 1);
    auto* newButton = named(new QPushButton, form.Button1);
    auto* deleteButton = named(new QPushButton, form.Button2);
    entries->addWidget(newButton);
    entries->addWidget(deleteButton);
    layout->addLayout(entries);
    add(std::make_unique<ComboBoxBinder>(form.ComboBox1, selector, guard));
    // After the binder has set the index: show the chosen entry.
    connect(selector, &QComboBox::activated, this,
            [this, guard](int) { guard([this] { form_.ComboBox1Click(); }); });
    add(std::make_unique<ButtonBinder>(form.Button1, newButton, guard));
    add(std::make_unique<ButtonBinder>(form.Button2, deleteButton, guard));

    const auto field = [&](const char* title, TextBox& model, int help) {
        auto* group = new QGroupBox(QString::fromUtf8(title));
        group->setWhatsThis(QStringLiteral("Help context %1").arg(help));
        auto* edit = named(new QLineEdit, model);
        (new QVBoxLayout(group))->addWidget(edit);
        layout->addWidget(group);
        add(std::make_unique<TextBoxBinder>(model, edit, false, guard));
    };
    field("Mail Server Address", form.MailServer, TMailForm::kServerGroupHelp);
    field("Mail UserName", form.UserName, TMailForm::kUserNameGroupHelp);
    field("Mail Password", form.Password, TMailForm::kPasswordGroupHelp);
    const auto notice = [&](Label& model) {
        auto* label = named(new QLabel, model);
        layout->addWidget(label);
        add(std::make_unique<LabelBinder>(model, label, guard));
    };
    notice(form.RefusedNotice);
    auto* security = new QHBoxLayout;
    security->addWidget(new QLabel(QStringLiteral("Security")));
    auto* securityCombo = named(new QComboBox, form.Security);
    security->addWidget(securityCombo, 1);
    layout->addLayout(security);
    add(std::make_unique<ComboBoxBinder>(form.Security, securityCombo, guard));
    notice(form.ClearTextNotice);

    // Auto-connect.
    auto* dial = new QHBoxLayout;
    dial->addWidget(new QLabel(QStringLiteral("Auto-Connect to")));
    auto* ras = named(new QComboBox, form.RasEntriesCombo);
    dial->addWidget(ras, 1);
    dial->addWidget(new QLabel(QStringLiteral("every")));
    auto* dialSpin = named(new QSpinBox, form.AutoConnectSpin);
    dial->addWidget(dialSpin);
    dial->addWidget(new QLabel(QStringLiteral("minutes to check mail")));
    layout->addLayout(dial);
    add(std::make_unique<ComboBoxBinder>(form.RasEntriesCombo, ras, guard));
    add(std::make_unique<SpinEditBinder>(form.AutoConnectSpin, dialSpin, guard));

    // Notification.
    for (CheckBox* box : {&form.NotifyDialog, &form.WavCheckBox, &form.AutoRun}) {
        auto* check = named(new QCheckBox, *box);
        layout->addWidget(check);
        add(std::make_unique<CheckBoxBinder>(*box, check, guard));
    }
    auto* every = new QHBoxLayout;
    every->addWidget(new QLabel(QStringLiteral("Check for mail every")));
    auto* mailSpin = named(new QSpinBox, form.MailSpin);
    every->addWidget(mailSpin);
    every->addWidget(new QLabel(QStringLiteral("minutes")));
    every->addStretch(1);
    layout->addLayout(every);
    add(std::make_unique<SpinEditBinder>(form.MailSpin, mailSpin, guard));

    // The buttons; OK is the default.
    auto* buttons = new QHBoxLayout;
    for (Button* b : {&form.BitBtn2, &form.ChooseMailer, &form.BitBtn1, &form.BitBtn3}) {
        auto* push = named(new QPushButton, *b);
        buttons->addWidget(push);
        add(std::make_unique<ButtonBinder>(*b, push, guard));
        connect(push, &QPushButton::clicked, this, [this] { closeWhenDecided(); });
        if (b == &form.BitBtn2) {
            push->setDefault(true);
        }
    }
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

MailSettingsDialog::~MailSettingsDialog() = default;

void MailSettingsDialog::closeWhenDecided() {
    switch (form_.Result()) {
        case ModalResult::Ok:
            QDialog::accept();
            break;
        case ModalResult::Cancel:
            QDialog::reject();
            break;
        case ModalResult::None:
            break;
    }
}

void MailSettingsDialog::reject() {
    // Esc and the close box are the Cancel button.
    form_.BitBtn3Click();
    QDialog::reject();
}

void MailSettingsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        form_.HelpKey();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace pontavi
