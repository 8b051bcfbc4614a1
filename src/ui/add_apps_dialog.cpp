#include "ui/add_apps_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "launch/add_apps_form.h"
#include "ui/binders/combo_box_binder.h"
#include "ui/binders/text_box_binder.h"

namespace pontavi {

namespace {

QGroupBox* grouped(const char* title, QWidget* content, QWidget* parent) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

QPushButton* button(const char* caption, QWidget* parent) {
    return new QPushButton(QString::fromLatin1(caption), parent);
}

}  // namespace

AddAppsDialog::AddAppsDialog(TAddAppsForm& form, QWidget* parent, CallbackGuard guard)
    : QDialog(parent), form_(form), guard_(std::move(guard)) {
    setWindowTitle(QString::fromLatin1(TAddAppsForm::kCaption));
    setObjectName(QStringLiteral("TAddAppsForm"));
    // "?" has no escape in a launch record.
    auto* noMark =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^?]*")), this);

    auto* title = new QLineEdit(this);
    title->setObjectName(QStringLiteral("Title"));
    title->setMaxLength(static_cast<int>(TAddAppsForm::kMaxTitle));
    title->setValidator(noMark);
    auto* executable = new QLineEdit(this);
    executable->setObjectName(QStringLiteral("Executable"));
    executable->setValidator(noMark);
    auto* parameters = new QLineEdit(this);
    parameters->setObjectName(QStringLiteral("Parameters"));
    parameters->setValidator(noMark);
    auto* style = new QComboBox(this);
    style->setObjectName(QStringLiteral("StyleCombo"));

    auto* ok = button("&Ok", this);
    ok->setDefault(true);
    auto* browse = button("&Browse", this);
    auto* cancel = button("Cancel", this);
    auto* help = button("&Help", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, [this] {
        guard_([this] { form_.BitBtn2Click(); });
        for (auto& b : binders_) {
            b->sync();
        }
    });
    connect(help, &QPushButton::clicked, this, [this] { guard_([this] { form_.HelpClick(); }); });

    auto* fields = new QVBoxLayout;
    fields->addWidget(grouped(" Title ", title, this));
    fields->addWidget(grouped(" Executable ", executable, this));
    fields->addWidget(grouped(" Extra Parameters ", parameters, this));
    fields->addWidget(grouped(" Window Style ", style, this));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ok, browse, help, cancel}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    binders_.push_back(std::make_unique<TextBoxBinder>(form_.Title, title, false, guard_));
    binders_.push_back(
        std::make_unique<TextBoxBinder>(form_.Executable, executable, false, guard_));
    binders_.push_back(
        std::make_unique<TextBoxBinder>(form_.Parameters, parameters, false, guard_));
    binders_.push_back(std::make_unique<ComboBoxBinder>(form_.StyleCombo, style, guard_));
    setTabOrder(title, executable);
    setTabOrder(executable, parameters);
    setTabOrder(parameters, style);
    setTabOrder(style, ok);
    setTabOrder(ok, browse);
    setTabOrder(browse, help);
    setTabOrder(help, cancel);
}

AddAppsDialog::~AddAppsDialog() = default;

void AddAppsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        guard_([this] { form_.HelpClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace pontavi
