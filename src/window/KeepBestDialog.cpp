#include "window/KeepBestDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quivane {

KeepBestDialog::KeepBestDialog(KeepRule current, int usable, QWidget* parent) : QDialog(parent)
{
    setObjectName("KeepBestDialog");
    setWindowTitle("Keep best");
    percent_ = new QRadioButton("&Percentage of the usable pictures:", this);
    percent_->setObjectName("KeepPercentRadio");
    count_ = new QRadioButton("&Number of pictures:", this);
    count_->setObjectName("KeepCountRadio");
    percentValue_ = new QSpinBox(this);
    percentValue_->setObjectName("KeepPercentSpin");
    percentValue_->setRange(0, 100);
    percentValue_->setSuffix(" %");
    countValue_ = new QSpinBox(this);
    countValue_->setObjectName("KeepCountSpin");
    countValue_->setRange(0, 1000000);

    const bool byCount = current.kind == KeepRule::Kind::Count;
    (byCount ? count_ : percent_)->setChecked(true);
    percentValue_->setValue(byCount ? KeepRule{}.amount : current.amount);
    countValue_->setValue(byCount ? current.amount : KeptCount(current, usable));

    auto* grid = new QGridLayout;
    grid->addWidget(percent_, 0, 0);
    grid->addWidget(percentValue_, 0, 1);
    grid->addWidget(count_, 1, 0);
    grid->addWidget(countValue_, 1, 1);
    auto* note = new QLabel(
        "The best quarter of the kept pictures are marked Good, the other kept ones Avg,\n"
        "the rest and every bad frame Dont. The marks stay editable with F1..F4.",
        this);
    note->setStyleSheet("color: gray");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(percentValue_, &QSpinBox::valueChanged, this, [this] { percent_->setChecked(true); });
    connect(countValue_, &QSpinBox::valueChanged, this, [this] { count_->setChecked(true); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

KeepRule KeepBestDialog::rule() const
{
    return count_->isChecked() ? KeepRule::Count(countValue_->value()) : KeepRule::Percent(percentValue_->value());
}

}  // namespace quivane
