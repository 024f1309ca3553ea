#include "gui/form_setting.h"

#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/window/settings.h"
#include "gui/language.h"
#include "gui/qpainter_surface.h"

namespace kinelab {

form_setting::form_setting(run_settings& target, QWidget* parent)
    : QWidget(parent), target_(target) {
  setObjectName("form_setting");
  setWindowTitle(caption_text("設定"));
  setFont(japanese_font());
  // Unloaded when closed: the next opening starts again from the stored texts.
  setAttribute(Qt::WA_DeleteOnClose);

  auto* label1 = new QLabel(caption_text("サイクルタイム(秒)＝"), this);
  label1->setObjectName("Label1");
  text1_ = new QLineEdit(QStringLiteral("1"), this);
  text1_->setObjectName("Text1");
  auto* label2 = new QLabel(caption_text("時分割数＝"), this);
  label2->setObjectName("Label2");
  text2_ = new QLineEdit(QStringLiteral("50"), this);
  text2_->setObjectName("Text2");
  command1_ = new QPushButton(QStringLiteral("OK"), this);
  command1_->setObjectName("Command1");
  command1_->setDefault(true);
  message_ = new QLabel(this);
  message_->setObjectName("message");
  message_->setWordWrap(true);
  message_->setStyleSheet("color: #c00000;");

  auto* g = new QGridLayout(this);
  g->setSizeConstraint(QLayout::SetMinimumSize);
  g->addWidget(label1, 0, 0, Qt::AlignRight);
  g->addWidget(text1_, 0, 1);
  g->addWidget(label2, 1, 0, Qt::AlignRight);
  g->addWidget(text2_, 1, 1);
  g->addWidget(command1_, 2, 1, Qt::AlignRight);
  g->addWidget(message_, 3, 0, 1, 2);
  g->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);

  connect(command1_, &QPushButton::clicked, this, &form_setting::ok);
  connect(text1_, &QLineEdit::returnPressed, this, &form_setting::ok);
  connect(text2_, &QLineEdit::returnPressed, this, &form_setting::ok);
  adjustSize();
}

void form_setting::ok() {
  if (const auto rejection =
          apply_settings(text1_->text().toStdString(), text2_->text().toStdString(), target_,
                         program_language())) {
    message_->setText(QString::fromStdString(*rejection));
    // The window grows to the lines the message wraps to, so that none is cut.
    layout()->activate();
    message_->setMinimumHeight(message_->heightForWidth(message_->width()));
    adjustSize();
    return;
  }
  message_->clear();
  message_->setMinimumHeight(0);
  emit applied();
  close();
}

}  // namespace kinelab
